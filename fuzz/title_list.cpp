// Fuzzes the title list over damaged VMG and VTS tables, in memory:
//   2 bytes big-endian n, n bytes of VIDEO_TS.IFO, the rest the IFO of
//   every title set the title table names.
// Then the first readable title's extents are built over two files of the
// title set whose sizes come from the input's last bytes.

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/silent_ui.h"
#include "fuzz/fuzz_input.h"
#include "title/tables.h"
#include "title/title_choice.h"
#include "title/title_list.h"

using vm::fuzz::Take;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vm::SilentUi ui(vm::Answer::Yes);
  vm::TitleTables& t = vm::Tables();
  vm::TitleList& list = t.Titles;
  const size_t n = Take(data, size);
  const vm::IfoView vmg(data, n);
  data += n;
  size -= n;
  if (vm::ParseTtSrpt(vmg, list) != 0) return 0;
  const vm::IfoView vts(data, size);
  for (int v = 1; v <= 99; ++v) vm::ParseTitleSet(&vts, v, list);
  vm::FindLongestTitle(list);
  char length[16];
  for (int i = 0; i < list.count; ++i) vm::FormatTitleLength(list.title[i].lengthMs, length);
  if (list.longest < 0) return 0;

  const uint8_t a = size > 0 ? data[size - 1] : 0, b = size > 1 ? data[size - 2] : 0;
  t.VobFileNum = 2;
  for (int f = 0; f < 2; ++f) std::snprintf(t.VobFileName[f], vm::kPathBytes, "/in/VTS_01_%d.VOB", f + 1);
  t.VobFileFirstSector[0] = t.VobFileFirstSector[1] = 0;
  t.VobFileSectors[0] = int32_t{a} << 8;
  t.VobFileSectors[1] = int32_t{b} << 16;
  t.VobFileVtsSector[0] = 0;
  t.VobFileVtsSector[1] = t.VobFileSectors[0];
  vm::BuildTitleExtents(t, ui, list.longest + 1);
  return 0;
}

// Fuzzes volume creation: a fuzzed title set is read and written again into
// a temporary folder, so that the VOB writer, the VOBU pointer update, the
// IFO writers and the dump meet damaged NAV packs and information files.
// The input is four choice bytes, then the three files cut as for reading a
// title:
//   flags (bit 0 dump marker present, bit 1 drop audio 0, bit 2 drop
//   subpicture 0, bit 3 narrow the range), chapter stride, range start and
//   range end (in 256ths of the time list), then
//   2 bytes big-endian n, n bytes of VIDEO_TS.IFO,
//   2 bytes big-endian m, m bytes of VTS_01_0.IFO, the rest VTS_01_1.VOB.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "author/author_state.h"
#include "author/create_volume.h"
#include "chapters/chapter_marks.h"
#include "fuzz/fuzz_input.h"
#include "common/silent_ui.h"
#include "title/read_command.h"
#include "title/tables.h"

namespace {

using vm::fuzz::Put;
using vm::fuzz::Take;

// A fresh temporary folder with in/VIDEO_TS/, out/ and prog/ below it;
// memory-backed when /dev/shm is there.
bool MakeFolders(std::string& in, std::string& out, std::string& prog) {
  char pattern[] = "/dev/shm/vobmarks-fuzz-XXXXXX";
  char fallback[] = "/tmp/vobmarks-fuzz-XXXXXX";
  const char* root = mkdtemp(pattern);
  if (root == nullptr) root = mkdtemp(fallback);
  if (root == nullptr) return false;
  const std::string base = root;
  in = base + "/in/VIDEO_TS/";
  out = base + "/out/";
  prog = base + "/prog/";
  return mkdir((base + "/in").c_str(), 0755) == 0 && mkdir(in.c_str(), 0755) == 0 &&
         mkdir(prog.c_str(), 0755) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vm::SilentUi ui(vm::Answer::Yes);
  static std::string in, out, prog;
  if (in.empty() && !MakeFolders(in, out, prog)) return 0;
  if (size < 4) return 0;
  const uint8_t flags = data[0], stride = data[1], rangeStart = data[2], rangeEnd = data[3];
  data += 4;
  size -= 4;

  const size_t vmg = Take(data, size);
  if (!Put(in + "VIDEO_TS.IFO", data, vmg)) return 0;
  data += vmg;
  size -= vmg;
  const size_t vts = Take(data, size);
  if (!Put(in + "VTS_01_0.IFO", data, vts)) return 0;
  data += vts;
  size -= vts;
  if (!Put(in + "VTS_01_1.VOB", data, size)) return 0;

  const std::string marker = prog + "VOBMARKS.OBJ";
  if (flags & 1) {
    if (!Put(marker, nullptr, 0)) return 0;
  } else {
    unlink(marker.c_str());
  }

  vm::TitleTables& t = vm::Tables();
  vm::ResetTables(t);
  if (vm::ReadVobFiles(t, ui, in.c_str()) != vm::ReadResult::Scanned || t.TimeListNum <= 0)
    return 0;
  // Chapter marks every `stride` entries (at most 200 toggles).
  if (stride != 0) {
    for (int32_t i = 0, n = 0; i < t.TimeListNum && n < 200; i += stride, ++n)
      vm::ToggleChapter(t, i);
  }
  if (flags & 8) {
    const int64_t last = t.TimeListNum - 1;
    int32_t first = static_cast<int32_t>(last * rangeStart / 255);
    int32_t end = static_cast<int32_t>(last * rangeEnd / 255);
    if (end < first) std::swap(first, end);
    t.RangeStart = first;
    t.RangeEnd = end;
  }
  if (flags & 2) t.DC_A_Use[0][0] = 0;
  if (flags & 4) t.DC_C_Use[0][0] = 0;

  vm::AuthorState& a = vm::Author();
  std::memset(&a, 0, sizeof a);
  a.OutFd = -1;
  vm::CreateVolume(t, a, ui, out.c_str(), prog.c_str());
  return 0;
}

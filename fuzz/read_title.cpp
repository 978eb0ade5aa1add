// Fuzzes reading a title: the IFO checks, the PGC walk and the VOB scan,
// of the whole title set and of title 1 as its cells' extents.
// The input is cut into the three files of a one-file title set:
//   2 bytes big-endian n, n bytes of VIDEO_TS.IFO,
//   2 bytes big-endian m, m bytes of VTS_01_0.IFO, the rest VTS_01_1.VOB.
// Missing lengths or bytes give short or empty files.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_input.h"
#include "common/silent_ui.h"
#include "title/read_command.h"
#include "title/tables.h"

using vm::fuzz::Put;
using vm::fuzz::Take;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vm::SilentUi ui(vm::Answer::Yes);
  static std::string folder;
  if (folder.empty()) {
    char pattern[] = "/tmp/vobmarks-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 0;
    folder = std::string(pattern) + "/VIDEO_TS/";
    if (mkdir(folder.c_str(), 0755) != 0) return 0;
  }
  const size_t vmg = Take(data, size);
  if (!Put(folder + "VIDEO_TS.IFO", data, vmg)) return 0;
  data += vmg;
  size -= vmg;
  const size_t vts = Take(data, size);
  if (!Put(folder + "VTS_01_0.IFO", data, vts)) return 0;
  data += vts;
  size -= vts;
  if (!Put(folder + "VTS_01_1.VOB", data, size)) return 0;
  vm::ReadVobFiles(vm::Tables(), ui, folder.c_str());
  vm::ReadVobFiles(vm::Tables(), ui, folder.c_str(), 1);
  return 0;
}

// Fuzzes the history file loader: the bytes are the file. A block that
// loads is saved and loaded again, and must come back the same.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/history.h"
#include "fuzz/fuzz_input.h"

using vm::fuzz::Put;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string path;
  if (path.empty()) {
    char pattern[] = "/dev/shm/vobmarks-fuzz-XXXXXX";
    char fallback[] = "/tmp/vobmarks-fuzz-XXXXXX";
    const char* root = mkdtemp(pattern);
    if (root == nullptr) root = mkdtemp(fallback);
    if (root == nullptr) return 0;
    path = std::string(root) + "/vobmarks.DAT";
  }
  static vm::HistoryBlock first, second;
  if (!Put(path, data, size)) return 0;
  vm::LoadHistory(first, path.c_str(), "/home/fuzz");
  if (access(path.c_str(), F_OK) != 0) return 0;  // refused and deleted
  vm::SaveHistory(first, path.c_str());
  vm::LoadHistory(second, path.c_str(), "/home/fuzz");
  uint8_t a[vm::kHistoryBlockBytes], b[vm::kHistoryBlockBytes];
  vm::EncodeHistoryBlock(first, a);
  vm::EncodeHistoryBlock(second, b);
  if (std::memcmp(a, b, sizeof a) != 0) std::abort();
  return 0;
}

// Fuzzes the desktop program's settings file loader: the bytes are the
// file. Whatever loads is saved and loaded again, and must save the same.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/shell_settings.h"
#include "fuzz/fuzz_input.h"

using vm::fuzz::Put;

namespace {

std::string Slurp(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string path, again;
  if (path.empty()) {
    char pattern[] = "/dev/shm/vobmarks-fuzz-XXXXXX";
    char fallback[] = "/tmp/vobmarks-fuzz-XXXXXX";
    const char* root = mkdtemp(pattern);
    if (root == nullptr) root = mkdtemp(fallback);
    if (root == nullptr) return 0;
    path = std::string(root) + "/vobmarks.ini";
    again = std::string(root) + "/again.ini";
  }
  static vm::ShellSettings first, second;
  if (!Put(path, data, size)) return 0;
  vm::LoadShellSettings(first, path.c_str());
  if (!vm::SaveShellSettings(first, path.c_str())) return 0;
  vm::LoadShellSettings(second, path.c_str());
  if (!vm::SaveShellSettings(second, again.c_str())) return 0;
  if (Slurp(path) != Slurp(again)) std::abort();
  return 0;
}

// Runs a fuzz target's entry point over files, without libFuzzer: every file
// named, and every file in each folder named, once. The seed corpora and the
// inputs the fuzzers found stay regression tests of every build, the
// sanitizer build included.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool Replay(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    struct stat st;
    if (stat(argv[i], &st) != 0) continue;  // a folder without findings yet
    if (!S_ISDIR(st.st_mode)) {
      if (!Replay(argv[i])) return 1;
      ++files;
      continue;
    }
    DIR* dir = opendir(argv[i]);
    if (dir == nullptr) return 1;
    while (dirent* e = readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      if (!Replay(std::string(argv[i]) + "/" + e->d_name)) return 1;
      ++files;
    }
    closedir(dir);
  }
  std::printf("replayed %d inputs\n", files);
  return files > 0 ? 0 : 1;
}

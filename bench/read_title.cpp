// Reading a large title: `vobmarks-cli read` against (a) reading every byte
// of its VOB files with cat and (b) the least I/O the scan must do (the
// 16 MiB head read, one sector per NAV pack, the swept tail), all with a
// warm page cache.
//
//   bench_read_title [cache folder]   (default /var/tmp/vobmarks-bench-read/)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using vm::testing::Bytes;

constexpr int kFiles = 3;
constexpr int64_t kSector = 2048;
constexpr int64_t kFileSectors = 400000;  // about 780 MiB per file
constexpr int kPacksPerVobu = 199;        // 0.5 s at about 6.5 Mbit/s

double Seconds(Clock::time_point a) {
  return std::chrono::duration<double>(Clock::now() - a).count();
}

std::string VobName(int f) { return "VTS_01_" + std::to_string(f + 1) + ".VOB"; }

// Writes the title set once: VOBUs of a NAV pack and 198 video-sized packs.
bool Build(const std::string& folder) {
  struct stat st;
  if (stat((folder + VobName(kFiles - 1)).c_str(), &st) == 0 &&
      st.st_size == kFileSectors * kSector)
    return true;
  vm::testing::SynthTitleSet set(folder);
  if (!set.WriteIfos({0})) return false;
  uint32_t scr = 0;
  for (int f = 0; f < kFiles; ++f) {
    const std::string path = folder + VobName(f);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    Bytes body = vm::testing::PaddingPack(0);
    for (size_t i = 20; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7 + 3);
    for (int64_t s = 0; s < kFileSectors;) {
      vm::testing::NavFields nav;
      nav.scr = scr;
      nav.celtmFrames = s == 0 && f == 0 ? 0 : 15;
      const int packs = static_cast<int>(kFileSectors - s < kPacksPerVobu ? kFileSectors - s : kPacksPerVobu);
      nav.vobuEa = static_cast<uint32_t>(packs - 1);
      Bytes vobu = vm::testing::NavPack(nav);
      for (int k = 1; k < packs; ++k) vobu.insert(vobu.end(), body.begin(), body.end());
      if (write(fd, vobu.data(), vobu.size()) != static_cast<ssize_t>(vobu.size())) return false;
      s += packs;
      scr += 45000;
    }
    close(fd);
  }
  return true;
}

// Exactly the reads the scan needs, and nothing else.
double LeastIo(const std::string& folder) {
  static std::vector<uint8_t> buffer(16 << 20);
  const auto start = Clock::now();
  for (int f = 0; f < kFiles; ++f) {
    const int fd = open((folder + VobName(f)).c_str(), O_RDONLY);
    if (pread(fd, buffer.data(), buffer.size(), 0) <= 0) return -1;
    int64_t pos = 0;
    const int64_t tail = kFileSectors - 2048;
    while (pos < tail) {
      if (pread(fd, buffer.data(), kSector, pos * kSector) != kSector) return -1;
      pos += kPacksPerVobu;
    }
    while (pread(fd, buffer.data(), buffer.size(), pos * kSector) == static_cast<ssize_t>(buffer.size()))
      pos += static_cast<int64_t>(buffer.size()) / kSector;
    close(fd);
  }
  return Seconds(start);
}

double Timed(const std::string& command) {
  const auto start = Clock::now();
  if (vm::testing::RunCommand(command) != 0) return -1;
  return Seconds(start);
}

double Best(int runs, double (*f)(const std::string&), const std::string& arg) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const double t = f(arg);
    if (t >= 0 && t < best) best = t;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  vm::testing::SetCommandTimeLimit(0);
  std::string folder = argc > 1 ? argv[1] : "/var/tmp/vobmarks-bench-read/";
  if (folder.back() != '/') folder += '/';
  vm::testing::RunCommand("mkdir -p '" + folder + "'");
  std::printf("building %.2f GiB over %d files in %s (once)...\n",
              static_cast<double>(kFiles * kFileSectors * kSector) / (1 << 30), kFiles, folder.c_str());
  if (!Build(folder)) {
    std::fprintf(stderr, "could not build the title set\n");
    return 1;
  }
  std::string files;
  for (int f = 0; f < kFiles; ++f) files += " '" + folder + VobName(f) + "'";
  const std::string cat = "cat" + files + " > /dev/null";
  const std::string read = std::string(VM_CLI_PATH) + " read '" + folder + "' > /dev/null";
  Timed(cat);  // warm the page cache

  const double tCat = Best(3, Timed, cat);
  const double tLeast = Best(5, LeastIo, folder);
  const double tRead = Best(5, Timed, read);
  std::printf("cat of every byte:        %8.4f s\n", tCat);
  std::printf("least I/O of the scan:    %8.4f s\n", tLeast);
  std::printf("vobmarks-cli read:        %8.4f s (whole process, list printed to /dev/null)\n", tRead);
  std::printf("read / cat   = %.3f  (target <= 0.1)\n", tRead / tCat);
  std::printf("read / least = %.3f  (target <= 1.5)\n", tRead / tLeast);
  return 0;
}

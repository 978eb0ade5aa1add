// The work-file copy of a stretch that crosses two VOB files, against `cp`
// of the same two files, each run ending with the written file synced.
// Pairs alternate; the figures are the median and the range of the runs.
// Usage: bench_play_copy [folder] [MiB] [runs] [nosync]   (default /tmp,
// 1000, 5; "nosync" leaves the written bytes in the page cache, which
// times the copy itself apart from the disk)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "play/playback.h"
#include "tests/support/recording_ui.h"

using namespace vm;

namespace {

constexpr int kVobuPacks = 200;

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A file of `vobus` VOBUs of 200 packs; the bytes are not parsed.
bool MakeVob(const std::string& path, int64_t vobus) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  std::vector<uint8_t> chunk(static_cast<size_t>(kVobuPacks) * kSectorBytes);
  for (int64_t v = 0; v < vobus; ++v) {
    std::memset(chunk.data(), static_cast<int>(v & 0xFF), chunk.size());
    if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) return false;
  }
  return close(fd) == 0;
}

struct Figures {
  std::vector<double> runs;
  double Median() {
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  const int64_t mib = std::min<int64_t>(argc > 2 ? std::atoll(argv[2]) : 1000, 1024);
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const bool syncing = !(argc > 4 && std::strcmp(argv[4], "nosync") == 0);
  const std::string dir = folder + "/vm_bench_play_" + std::to_string(getpid()) + "/";
  if (system(("mkdir -p " + dir).c_str()) != 0) return 1;

  // Two files of half the stretch each, a time-list entry per VOBU.
  TitleTables& t = *new TitleTables();
  ResetTables(t);
  const int64_t perFile = mib * 512 / kVobuPacks / 2;
  t.VobFileNum = 2;
  int32_t n = 0;
  for (int f = 0; f < 2; ++f) {
    const std::string path = dir + "VTS_01_" + std::to_string(f + 1) + ".VOB";
    if (!MakeVob(path, perFile)) return 1;
    std::snprintf(t.VobFileName[f], kPathBytes, "%s", path.c_str());
    t.VobFileSize[f] = static_cast<double>(perFile * kVobuPacks * kSectorBytes);
    for (int64_t v = 0; v < perFile; ++v, ++n) {
      t.TimeListFileNo[n] = static_cast<uint8_t>(f);
      t.TimeListSector[n] = static_cast<int32_t>(v * kVobuPacks);
    }
  }
  t.TimeListNum = n;
  const double bytes = 2.0 * static_cast<double>(perFile * kVobuPacks * kSectorBytes);
  const std::string out = dir + "copies/OUT.MPG";
  const std::string cpCommand = "cp " + dir + "VTS_01_1.VOB " + dir + "VTS_01_2.VOB " + dir +
                                "copies/" + (syncing ? " && sync " + dir + "copies/VTS_01_*.VOB" : "");
  if (system(("mkdir -p " + dir + "copies").c_str()) != 0) return 1;
  sync();

  // The copy and cp run in pairs, in turn first; the ratio is taken within
  // a pair, so a busy spell of the machine tends to fall on both. The copy
  // through IoBuffer runs in pairs with cp too, apart from the first ones,
  // so that the dirty pages it leaves do not fall on one side only.
  Figures cp, kernel, plain, ratio, plainRatio;
  int failures = 0;
  auto ours = [&](bool through) {
    (void)system(("rm -f " + dir + "copies/* " + out).c_str());
    PlayCopySettings().plainCopy = through;
    RecordingUi ui;
    const auto t0 = std::chrono::steady_clock::now();
    failures += CopyEntriesToFile(t, ui, 0, n, out.c_str());
    if (syncing && system(("sync " + out).c_str()) != 0) failures += 1;
    return Seconds(t0);
  };
  auto theirs = [&] {
    (void)system(("rm -f " + dir + "copies/* " + out).c_str());
    const auto t0 = std::chrono::steady_clock::now();
    if (system(cpCommand.c_str()) != 0) failures += 1;
    return Seconds(t0);
  };
  for (bool through : {false, true}) {
    for (int r = 0; r < runs; ++r) {
      double a = 0, b = 0;
      if (r % 2 == 0) {
        a = theirs();
        b = ours(through);
      } else {
        b = ours(through);
        a = theirs();
      }
      cp.runs.push_back(a);
      (through ? plain : kernel).runs.push_back(b);
      (through ? plainRatio : ratio).runs.push_back(b / a);
    }
  }
  const double mb = bytes / 1048576.0;
  auto line = [&](const char* name, Figures& f) {
    const double med = f.Median();
    std::printf("  %-34s median %.3f s (%.3f-%.3f), %.0f MiB/s\n", name, med, f.runs.front(),
                f.runs.back(), mb / med);
  };
  std::printf("%.0f MiB across two VOB files, %d runs, %s:\n", mb, runs,
              syncing ? "each synced to disk" : "into the page cache");
  line("cp", cp);
  line("work-file copy, copy_file_range", kernel);
  line("work-file copy, through IoBuffer", plain);
  for (auto [name, f] : {std::pair{"copy_file_range", &ratio}, std::pair{"IoBuffer", &plainRatio}}) {
    const double med = f->Median();
    std::printf("%s / cp within a pair: median %.2f (%.2f-%.2f)%s\n", name, med, f->runs.front(),
                f->runs.back(), f == &ratio ? ", target at most 1" : "");
  }
  if (system(("rm -rf " + dir).c_str()) != 0) return 1;
  return failures == 0 ? 0 : 1;
}

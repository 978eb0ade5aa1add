// The work-file copy of a stretch that crosses two VOB files, against `cp`
// of the same two files, each run ending with the written file synced.
// Runs alternate; the figures are the median and the range of the runs.
// Usage: bench_play_copy [folder] [MiB] [runs]   (default /tmp, 1000, 5)
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
  const std::string out = dir + "OUT.MPG";
  const std::string cpCommand = "cp " + dir + "VTS_01_1.VOB " + dir + "VTS_01_2.VOB " + dir +
                                "copies/ && sync " + dir + "copies/VTS_01_*.VOB";
  if (system(("mkdir -p " + dir + "copies").c_str()) != 0) return 1;
  sync();

  // Each round runs the three in another order; the ratio is taken
  // within a round, so a busy spell of the machine falls on both sides.
  Figures cp, kernel, plain, ratio;
  int failures = 0;
  for (int r = 0; r < runs; ++r) {
    double round[3] = {};
    for (int k = 0; k < 3; ++k) {
      const int which = (r + k) % 3;
      (void)system(("rm -f " + dir + "copies/* " + out).c_str());
      auto t0 = std::chrono::steady_clock::now();
      if (which == 0) {
        if (system(cpCommand.c_str()) != 0) return 1;
      } else {
        PlayCopySettings().plainCopy = which == 2;
        RecordingUi ui;
        failures += CopyEntriesToFile(t, ui, 0, n, out.c_str());
        if (system(("sync " + out).c_str()) != 0) return 1;
      }
      round[which] = Seconds(t0);
    }
    cp.runs.push_back(round[0]);
    kernel.runs.push_back(round[1]);
    plain.runs.push_back(round[2]);
    ratio.runs.push_back(round[1] / round[0]);
  }
  const double mb = bytes / 1048576.0;
  auto line = [&](const char* name, Figures& f) {
    const double med = f.Median();
    std::printf("  %-34s median %.3f s (%.3f-%.3f), %.0f MiB/s\n", name, med, f.runs.front(),
                f.runs.back(), mb / med);
  };
  std::printf("%.0f MiB across two VOB files, %d runs:\n", mb, runs);
  line("cp", cp);
  line("work-file copy, copy_file_range", kernel);
  line("work-file copy, through IoBuffer", plain);
  const double med = ratio.Median();
  std::printf("copy_file_range / cp within a round: median %.2f (%.2f-%.2f), target at most 1\n",
              med, ratio.runs.front(), ratio.runs.back());
  if (system(("rm -rf " + dir).c_str()) != 0) return 1;
  return failures == 0 ? 0 : 1;
}

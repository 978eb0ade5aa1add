// Chapters at scene cuts over a title of more than 1 GiB of real pictures
// (lavfi sources with film-like noise, a cut every 20 s, made once with
// ffmpeg and dvdauthor and cached with the test title sets): the time of
// `vobmarks-cli read --scenes` against ffmpeg's scene detector
// (`-vf scdet`) over the same VOB files and against the plain read, all
// with a warm page cache. The three take turns in each round; the figures
// are the medians and ranges of the rounds.
//
//   bench_scenes [rounds]   (default 5)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using vm::testing::RunCommand;

constexpr int kShots = 110;
constexpr int kShotSeconds = 20;

std::string Graph() {
  const char* sources[] = {"testsrc2", "smptebars", "testsrc", "rgbtestsrc", "yuvtestsrc",
                           "color=c=0x3060a0"};
  std::ostringstream g;
  for (int i = 0; i < kShots; ++i) {
    const std::string src = sources[i % 6];
    g << src << (src.find('=') == std::string::npos ? "=" : ":")
      << "size=720x480:rate=30000/1001,trim=duration=" << kShotSeconds
      << ",setpts=PTS-STARTPTS,format=yuv420p[s" << i << "];";
  }
  for (int i = 0; i < kShots; ++i) g << "[s" << i << "]";
  g << "concat=n=" << kShots << ":v=1:a=0,noise=alls=10:allf=t[v]";
  return g.str();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Timed {
  const char* name;
  std::string command;
  std::vector<double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  vm::testing::SetCommandTimeLimit(0);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  vm::testing::RealTitleRecipe recipe;
  recipe.name = "bench-scenes-1g";
  recipe.seconds = kShots * kShotSeconds;
  recipe.chapterSeconds = {};
  std::fprintf(stderr, "making or finding the title (the first time takes minutes)...\n");
  const std::string dir = vm::testing::RealTitleSet(recipe, Graph());
  if (dir.empty()) {
    std::fprintf(stderr, "bench_scenes: the title could not be made\n");
    return 1;
  }
  std::string vobs, concat = "concat:";
  double bytes = 0;
  for (int f = 1; f <= 9; ++f) {
    const std::string path = dir + "VTS_01_" + std::to_string(f) + ".VOB";
    if (std::FILE* fp = std::fopen(path.c_str(), "rb")) {
      std::fseek(fp, 0, SEEK_END);
      bytes += static_cast<double>(std::ftell(fp));
      std::fclose(fp);
      vobs += " " + path;
      concat += (f > 1 ? "|" : "") + path;
    }
  }
  const std::string cli = VM_CLI_PATH;
  std::vector<Timed> runs = {
      {"vobmarks-cli read", cli + " read " + dir + " >/dev/null 2>&1", {}},
      {"vobmarks-cli read --scenes", cli + " --yes read " + dir + " --scenes >/dev/null 2>&1", {}},
      {"ffmpeg -vf scdet", "ffmpeg -nostdin -hide_banner -loglevel error -i '" + concat +
                               "' -map 0:v:0 -vf scdet=threshold=10 -f null - >/dev/null 2>&1",
       {}},
  };
  RunCommand("cat" + vobs + " >/dev/null");  // warm the page cache
  for (int r = 0; r < rounds; ++r) {
    for (Timed& t : runs) {
      const auto start = Clock::now();
      if (RunCommand(t.command) != 0) {
        std::fprintf(stderr, "bench_scenes: failed: %s\n", t.command.c_str());
        return 1;
      }
      t.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
  }
  std::printf("title: %.2f GiB, %d s of 720x480 video, %d rounds (medians, range)\n",
              bytes / (1u << 30), recipe.seconds, rounds);
  for (const Timed& t : runs) {
    const auto [lo, hi] = std::minmax_element(t.seconds.begin(), t.seconds.end());
    std::printf("  %-28s %8.2f s  (%.2f .. %.2f)\n", t.name, Median(t.seconds), *lo, *hi);
  }
  const double read = Median(runs[0].seconds), scenes = Median(runs[1].seconds),
               ffmpeg = Median(runs[2].seconds);
  std::printf("  --scenes / ffmpeg scdet: %.3f    --scenes / plain read: %.1f\n", scenes / ffmpeg,
              scenes / read);
  return 0;
}

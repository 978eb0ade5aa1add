// The whole disc written back with a title re-chaptered in place
// (`vobmarks-cli author --whole-disc`) against `cp -r` of the same files,
// on the file system of the work folder (ext4 here), and, where an image
// can be made and loop-mounted (root, mkfs.xfs, mkfs.btrfs), the time and
// the new blocks the written disc takes on XFS and btrfs, which share
// blocks.
//
//   bench_whole_disc [work folder] [minutes]   (default /var/tmp/vobmarks-bench-wholedisc/, 64)
//
// The volume, built once with ffmpeg and dvdauthor: a VMG menu, title set 1
// with a menu and one long title (a 30-second clip at 8 Mbit/s looped
// without re-encoding (noise keeps the rate up), a chapter every 5 minutes, about 4 GiB for 64
// minutes), title set 2 with the clip alone. The edit adds a chapter inside
// the first cell, so the cell is cut and every later cell of the VOB is
// renumbered: the navigation packs of the whole title are rewritten.

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using vm::testing::RunCommand;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

double Seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string HourClock(int minutes) {
  char b[16];
  std::snprintf(b, sizeof b, "%d:%02d:00", minutes / 60, minutes % 60);
  return b;
}

bool Build(const std::string& work, int minutes) {
  const std::string dvd = work + "src/";
  if (Exists(dvd + "VIDEO_TS/VTS_01_0.IFO")) return true;
  const std::string ff = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
  std::string chapters;
  for (int m = 0; m < minutes; m += 5) chapters += (chapters.empty() ? "" : ",") + HourClock(m);
  std::ofstream(work + "dvd.xml")
      << "<dvdauthor dest=\"" << dvd << "\"><vmgm><menus><pgc><vob file=\"menu.mpg\"/>"
      << "<post>jump title 1;</post></pgc></menus></vmgm>"
      << "<titleset><menus><pgc><vob file=\"menu.mpg\"/><post>jump title 1;</post></pgc></menus>"
      << "<titles><pgc><vob file=\"long.mpg\" chapters=\"" << chapters << "\"/></pgc></titles></titleset>"
      << "<titleset><titles><pgc><vob file=\"clip.mpg\"/></pgc></titles></titleset></dvdauthor>\n";
  const std::string cd = "cd " + Quote(work) + " && ";
  return RunCommand(cd + ff + "-f lavfi -i testsrc=size=720x480:rate=30000/1001:duration=30 -f lavfi -i "
                             "sine=frequency=440:sample_rate=48000:duration=30 -vf noise=alls=30:allf=t "
                             "-target ntsc-dvd -b:v 8000k -maxrate 9000k -aspect 4:3 clip.mpg") == 0 &&
         RunCommand(cd + ff + "-f lavfi -i color=c=blue:size=720x480:rate=30000/1001:duration=1 -f lavfi "
                              "-i anullsrc=r=48000:cl=stereo -t 1 -target ntsc-dvd -aspect 4:3 menu.mpg") == 0 &&
         RunCommand(cd + ff + "-stream_loop " + std::to_string(minutes * 2 - 1) +
                    " -i clip.mpg -c copy -f dvd long.mpg") == 0 &&
         RunCommand(cd + "VIDEO_FORMAT=NTSC dvdauthor -x dvd.xml > dvdauthor.log 2>&1") == 0 &&
         RunCommand(cd + "rm -f long.mpg") == 0;
}

// Seconds until the command returns; `flushed`, when given, gets the
// seconds until its writes are also on the disk (the command, then sync).
double Timed(const std::string& command, double* flushed = nullptr) {
  RunCommand("sync");
  sleep(2);
  const auto start = Clock::now();
  if (RunCommand(command) != 0) return -1;
  const double returned = Seconds(start);
  if (flushed != nullptr) {
    RunCommand("sync");
    *flushed = Seconds(start);
  }
  return returned;
}

std::string Author(const std::string& in, const std::string& out) {
  return std::string(VM_CLI_PATH) + " --yes author " + Quote(in) + " " + Quote(out) +
         " --whole-disc --title 1 --toggle 3 > /dev/null 2>&1";
}

int64_t UsedBytes(const std::string& path) {
  struct statvfs v;
  if (statvfs(path.c_str(), &v) != 0) return -1;
  return static_cast<int64_t>(v.f_blocks - v.f_bfree) * static_cast<int64_t>(v.f_frsize);
}

int64_t FolderBytes(const std::string& folder) {
  return std::stoll("0" + vm::testing::RunAndCapture("du -sb " + Quote(folder) + " | cut -f1"));
}

double Median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t.empty() ? -1 : t[t.size() / 2];
}

// The source copied (unshared) into a fresh image of `fs`, then the
// whole disc written there; the time and the growth of the used space.
void SharedBlocks(const std::string& work, const std::string& fs, const std::string& mkfs,
                  int64_t discBytes) {
  const std::string image = work + fs + ".img", mnt = work + "mnt/";
  RunCommand("umount " + Quote(mnt) + " 2>/dev/null");
  const std::string size = std::to_string(discBytes * 5 / 2 / (1 << 20) + 1024) + "M";
  if (RunCommand("rm -f " + Quote(image) + " && truncate -s " + size + " " + Quote(image) + " && " + mkfs +
                 " " + Quote(image) + " > /dev/null 2>&1 && mkdir -p " + Quote(mnt) + " && mount -o loop " +
                 Quote(image) + " " + Quote(mnt)) != 0) {
    std::printf("%s: could not make or mount an image (%s)\n", fs.c_str(), mkfs.c_str());
    return;
  }
  const std::string in = mnt + "in/VIDEO_TS/", out = mnt + "out/VIDEO_TS/";
  if (RunCommand("mkdir -p " + Quote(mnt + "in") + " && cp -r --reflink=never " +
                 Quote(work + "src/VIDEO_TS") + " " + Quote(mnt + "in/")) == 0) {
    RunCommand("sync");
    const int64_t before = UsedBytes(mnt);
    const double t = Timed(Author(in, out));
    RunCommand("sync");
    const int64_t after = UsedBytes(mnt);
    const double c = Timed("cp -r " + Quote(in) + " " + Quote(mnt + "cp"));
    RunCommand("sync");
    const int64_t afterCp = UsedBytes(mnt);
    std::printf("%s: author --whole-disc %.3f s, new blocks %.2f MiB = %.3f%% of the disc; "
                "cp -r (reflink where offered) %.3f s, new blocks %.2f MiB\n",
                fs.c_str(), t, static_cast<double>(after - before) / (1 << 20),
                100.0 * static_cast<double>(after - before) / static_cast<double>(discBytes), c,
                static_cast<double>(afterCp - after) / (1 << 20));
  }
  RunCommand("umount " + Quote(mnt));
  RunCommand("rm -f " + Quote(image));
}

}  // namespace

int main(int argc, char** argv) {
  vm::testing::SetCommandTimeLimit(0);
  std::string work = argc > 1 ? argv[1] : "/var/tmp/vobmarks-bench-wholedisc/";
  if (work.back() != '/') work += '/';
  const int minutes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 64;
  RunCommand("mkdir -p " + Quote(work));
  if (!Build(work, minutes)) {
    std::fprintf(stderr, "could not build the volume in %s\n", work.c_str());
    return 1;
  }
  const std::string in = work + "src/VIDEO_TS/";
  const int64_t bytes = FolderBytes(in);
  std::printf("disc: %.2f GiB (title set 1: %d minutes with menus, title set 2, VMG menu) in %s\n",
              static_cast<double>(bytes) / (1 << 30), minutes, work.c_str());
  RunCommand("cat " + Quote(in) + "* > /dev/null");  // a warm page cache for both

  // The two commands take turns, so that a slow spell of a shared machine
  // falls on both; the medians are compared. With memory to spare, a copy
  // returns once its pages are cached and the disk takes them later: the
  // time until the writes are on the disk is shown too.
  constexpr int kRuns = 5;
  std::vector<double> cps, authors, cpsFlushed, authorsFlushed;
  for (int run = 0; run < kRuns; ++run) {
    RunCommand("rm -rf " + Quote(work + "cp") + " " + Quote(work + "out"));
    double cf = 0, af = 0;
    const double c = Timed("cp -r " + Quote(in) + " " + Quote(work + "cp"), &cf);
    RunCommand("rm -rf " + Quote(work + "cp"));
    const double a = Timed(Author(in, work + "out/VIDEO_TS/"), &af);
    if (c < 0 || a < 0) {
      std::fprintf(stderr, "a run failed\n");
      return 1;
    }
    cps.push_back(c);
    authors.push_back(a);
    cpsFlushed.push_back(cf);
    authorsFlushed.push_back(af);
  }
  RunCommand("rm -rf " + Quote(work + "cp") + " " + Quote(work + "out"));
  const double tCp = Median(cps), tAuthor = Median(authors);
  const double fCp = Median(cpsFlushed), fAuthor = Median(authorsFlushed);
  std::printf("work folder's file system, medians of %d (target <= 1.05):\n"
              "  until the command returns: cp -r %.3f s, author --whole-disc %.3f s, ratio %.3f\n"
              "  until the writes are on the disk: cp -r %.3f s, author --whole-disc %.3f s, ratio %.3f\n",
              kRuns, tCp, tAuthor, tAuthor / tCp, fCp, fAuthor, fAuthor / fCp);

  if (geteuid() != 0) {
    std::printf("XFS, btrfs: skipped (needs root to loop-mount)\n");
    return 0;
  }
  SharedBlocks(work, "xfs", "mkfs.xfs -q -f -m reflink=1", bytes);
  SharedBlocks(work, "btrfs", "mkfs.btrfs -q -f", bytes);
  return 0;
}

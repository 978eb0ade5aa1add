// Re-chaptering a title of more than 1 GiB with `vobmarks-cli author`
// against `cp` of the same VOB bytes, both with a warm page cache, and,
// where an XFS image can be made and mounted (root, mkfs.xfs), the extra
// disk space the new volume takes on a filesystem that shares blocks.
//
//   bench_rechapter [work folder]   (default /var/tmp/vobmarks-bench-rechapter/)
//
// Two layouts of the same 624287 sectors are measured on XFS: source files
// split where this program splits (524287 sectors), so that every copied
// run keeps its block alignment, and files split elsewhere, where the runs
// after the first split point lose it and the kernel copies them instead.

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using vm::testing::Bytes;
using vm::testing::RunCommand;

constexpr int64_t kSector = 2048;
constexpr int kPacksPerVobu = 213;  // 0.5 s at about 7 Mbit/s

double Seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

std::string VobName(int f) { return "VTS_01_" + std::to_string(f + 1) + ".VOB"; }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Writes the title set once (kept when the files already have the sizes):
// VOBUs of a NAV pack and video-sized packs, SCRs 0.5 s apart.
bool Build(const std::string& folder, const std::vector<int64_t>& fileSectors) {
  bool present = true;
  for (size_t f = 0; f < fileSectors.size(); ++f) {
    struct stat st;
    present = present && stat((folder + VobName(static_cast<int>(f))).c_str(), &st) == 0 &&
              st.st_size == fileSectors[f] * kSector;
  }
  if (present) return true;
  RunCommand("mkdir -p " + Quote(folder));
  vm::testing::SynthTitleSet set(folder);
  if (!set.WriteIfos({0})) return false;
  Bytes body = vm::testing::PaddingPack(0);
  for (size_t i = 20; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7 + 3);
  uint32_t scr = 0;
  int64_t inVobu = 0;  // packs of the current VOBU already written
  for (size_t f = 0; f < fileSectors.size(); ++f) {
    const int fd = open((folder + VobName(static_cast<int>(f))).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    Bytes run;
    for (int64_t s = 0; s < fileSectors[f]; ++s) {
      if (inVobu == 0) {
        vm::testing::NavFields nav;
        nav.scr = scr;
        nav.celtmFrames = scr == 0 ? 0 : 15;
        nav.vobuEa = kPacksPerVobu - 1;
        nav.sPtm = scr + 27000;
        nav.ePtm = nav.sPtm + 45000;
        Bytes p = vm::testing::NavPack(nav);
        run.insert(run.end(), p.begin(), p.end());
        scr += 45000;
      } else {
        run.insert(run.end(), body.begin(), body.end());
      }
      inVobu = (inVobu + 1) % kPacksPerVobu;
      if (run.size() >= (8u << 20) || s + 1 == fileSectors[f]) {
        if (write(fd, run.data(), run.size()) != static_cast<ssize_t>(run.size())) return false;
        run.clear();
      }
    }
    close(fd);
  }
  return true;
}

// Times `command` from a quiet start: earlier writes flushed, and a
// moment for the discards of deleted files (ext4 mounted with discard).
double Timed(const std::string& command) {
  RunCommand("sync");
  sleep(2);
  const auto start = Clock::now();
  if (RunCommand(command) != 0) return -1;
  return Seconds(start);
}

// The middle value of a set of timings.
double Median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t.empty() ? -1 : t[t.size() / 2];
}

std::string Author(const std::string& in, const std::string& out) {
  return std::string(VM_CLI_PATH) + " --yes author " + Quote(in) + " " + Quote(out) +
         " --interval 60 --toggle 7,400 > /dev/null 2>&1";
}

std::string Cp(const std::string& in, int files, const std::string& out) {
  std::string c = "mkdir -p " + Quote(out) + " && cp";
  for (int f = 0; f < files; ++f) c += " " + Quote(in + VobName(f));
  return c + " " + Quote(out);
}

int64_t UsedBytes(const std::string& path) {
  struct statvfs v;
  if (statvfs(path.c_str(), &v) != 0) return -1;
  return static_cast<int64_t>(v.f_blocks - v.f_bfree) * static_cast<int64_t>(v.f_frsize);
}

// Copies the title into a fresh XFS image, writes it again there and
// returns the growth of the filesystem's used space, or -1.
int64_t XfsExtraSpace(const std::string& work, const std::string& in, int files, double* seconds) {
  const std::string image = work + "xfs.img", mnt = work + "mnt/";
  RunCommand("umount " + Quote(mnt) + " 2>/dev/null");
  if (RunCommand("rm -f " + Quote(image) + " && truncate -s 4G " + Quote(image) +
                 " && mkfs.xfs -q -f -m reflink=1 " + Quote(image) + " && mkdir -p " + Quote(mnt) +
                 " && mount -o loop " + Quote(image) + " " + Quote(mnt)) != 0)
    return -1;
  int64_t extra = -1;
  const std::string src = mnt + "in/VIDEO_TS/", out = mnt + "out/VIDEO_TS/";
  if (RunCommand("mkdir -p " + Quote(src) + " && cp --reflink=never " + Quote(in) + "*.IFO " + Quote(in) +
                 "*.BUP " + Quote(src) + " 2>/dev/null; true") == 0 &&
      RunCommand(Cp(in, files, src) + " --reflink=never") == 0) {
    RunCommand("sync");
    const int64_t before = UsedBytes(mnt);
    *seconds = Timed(Author(src, out));
    RunCommand("sync");
    const int64_t after = UsedBytes(mnt);
    if (*seconds >= 0 && before >= 0 && after >= 0) extra = after - before;
  }
  RunCommand("umount " + Quote(mnt));
  RunCommand("rm -f " + Quote(image));
  return extra;
}

}  // namespace

int main(int argc, char** argv) {
  vm::testing::SetCommandTimeLimit(0);
  std::string work = argc > 1 ? argv[1] : "/var/tmp/vobmarks-bench-rechapter/";
  if (work.back() != '/') work += '/';
  struct Layout {
    const char* name;
    std::vector<int64_t> files;
  };
  const Layout layouts[] = {{"split at 524287", {524287, 100000}}, {"split at 300000", {300000, 324287}}};

  const Layout& main = layouts[0];
  const std::string in = work + "aligned/VIDEO_TS/";
  const double gib = static_cast<double>(624287 * kSector) / (1 << 30);
  std::printf("title: %.2f GiB in %zu files, VOBUs of %d packs (built once in %s)\n", gib, main.files.size(),
              kPacksPerVobu, work.c_str());
  if (!Build(in, main.files)) {
    std::fprintf(stderr, "could not build the title set\n");
    return 1;
  }
  RunCommand("cat " + Quote(in) + "*.VOB > /dev/null");  // warm the page cache

  const int files = static_cast<int>(main.files.size());
  // The two commands take turns, so that a slow spell of a shared machine
  // falls on both; the medians are compared.
  std::vector<double> cps, authors;
  for (int run = 0; run < 7; ++run) {
    RunCommand("rm -rf " + Quote(work + "cp/") + " " + Quote(work + "out/"));
    const double c = Timed(Cp(in, files, work + "cp/"));
    RunCommand("rm -rf " + Quote(work + "cp/"));
    const double a = Timed(Author(in, work + "out/VIDEO_TS/"));
    if (c < 0 || a < 0) {
      std::fprintf(stderr, "a run failed\n");
      return 1;
    }
    cps.push_back(c);
    authors.push_back(a);
  }
  RunCommand("rm -rf " + Quote(work + "cp/") + " " + Quote(work + "out/"));
  const double tCp = Median(cps), tAuthor = Median(authors);
  std::printf("cp of the VOB bytes:       %7.3f s (median of 7; %.3f to %.3f)\n", tCp,
              *std::min_element(cps.begin(), cps.end()), *std::max_element(cps.begin(), cps.end()));
  std::printf("vobmarks-cli author:       %7.3f s (median of 7; %.3f to %.3f; read, chapters, creation)\n",
              tAuthor, *std::min_element(authors.begin(), authors.end()),
              *std::max_element(authors.begin(), authors.end()));
  std::printf("author / cp = %.3f of the medians, %.3f of the fastest runs  (target <= 1.2)\n",
              tAuthor / tCp,
              *std::min_element(authors.begin(), authors.end()) / *std::min_element(cps.begin(), cps.end()));

  if (geteuid() != 0 || RunCommand("command -v mkfs.xfs > /dev/null") != 0) {
    std::printf("XFS: skipped (needs root and mkfs.xfs from xfsprogs)\n");
    return 0;
  }
  for (const Layout& l : layouts) {
    const std::string src = &l == &layouts[0] ? in : work + "unaligned/VIDEO_TS/";
    if (!Build(src, l.files)) return 1;
    double t = -1;
    const int64_t extra = XfsExtraSpace(work, src, static_cast<int>(l.files.size()), &t);
    if (extra < 0) {
      std::printf("XFS (%s): could not make, mount or fill the image\n", l.name);
      continue;
    }
    std::printf("XFS (%s): author %.3f s, extra space %.2f MiB = %.3f%% of the title%s\n", l.name, t,
                static_cast<double>(extra) / (1 << 20), 100.0 * static_cast<double>(extra) / (gib * (1 << 30)),
                &l == &layouts[0] ? "  (target <= 1%)" : "");
  }
  return 0;
}

// Re-chaptering time of a 1 GiB title against `cp` of the same bytes.
// Usage: bench_vob_writer [folder] [MiB]   (default /tmp, 1024)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "author/vob_writer.h"
#include "common/be.h"
#include "common/scr.h"
#include "dvd/nav_pack.h"
#include "tests/support/recording_ui.h"

using namespace vm;
using namespace vm::dvd;

namespace {

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// VOBUs of 1 NAV pack and 199 video packs, 0.4 s apart.
bool MakeSource(const std::string& path, int64_t packs) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  std::vector<uint8_t> chunk(200 * kPackBytes);
  int64_t done = 0;
  for (uint32_t v = 0; done < packs; ++v) {
    for (int i = 0; i < 200; ++i) {
      uint8_t* p = chunk.data() + i * kPackBytes;
      std::memset(p, 0xFF & (v + i), kPackBytes);
      p[0] = p[1] = 0;
      p[2] = 1;
      p[3] = 0xBA;
      WritePackScr(p, 36000u * v + 100u * i + 1, 0);
      p[14] = p[15] = 0;
      p[16] = 1;
      p[17] = i == 0 ? 0xBB : 0xE0;
      p[20] = 0x81;  // PES header flags: not scrambled
      if (i == 0) std::memset(p + kNavPciEltm, 0, 4), p[kNavPciEltm + 3] = 0xC1;
    }
    if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) return false;
    done += 200;
  }
  close(fd);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "/tmp";
  int64_t mib = argc > 2 ? std::atoll(argv[2]) : 1024;
  std::string dir = folder + "/vm_bench_" + std::to_string(getpid()) + "/";
  if (system(("mkdir -p " + dir).c_str()) != 0) return 1;
  std::string src = dir + "SRC.VOB";
  int64_t packs = mib * 512 / 200 * 200;
  if (!MakeSource(src, packs)) return 1;
  sync();

  auto t0 = std::chrono::steady_clock::now();
  if (system(("cp " + src + " " + dir + "COPY.VOB && sync").c_str()) != 0) return 1;
  double cp = Seconds(t0);
  unlink((dir + "COPY.VOB").c_str());

  TitleTables& t = *new TitleTables();
  AuthorState& a = *new AuthorState();
  ResetTables(t);
  t.DC_TitleNum = 1;
  t.DC_ListNum[0] = 1;
  std::strcpy(t.DC_SrcFName[0], src.c_str());
  t.DC_StartVobu[0] = -1;
  t.DC_TotalSize[0] = static_cast<double>(packs) * kPackBytes;
  t.DC_ChapterNum[0] = 1;
  std::strcpy(a.OutputFolder, dir.c_str());
  a.OutVobNo = 1;
  a.NgPromptArmed = 1;
  a.CreateTotalSectors = static_cast<int32_t>(packs);
  a.ForcePlainWrite = argc > 3 ? 1 : 0;
  RecordingUi ui;
  t0 = std::chrono::steady_clock::now();
  a.OutFd = open((dir + "VTS_01_1.VOB").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int r = WriteTitleVobs(t, a, ui, 0);
  close(a.OutFd);
  sync();
  double vw = Seconds(t0);
  std::printf("%lld MiB: cp %.2f s, writer %.2f s (%s), ratio %.2f, result %d, %d VOBUs\n",
              static_cast<long long>(mib), cp, vw, a.ForcePlainWrite ? "write" : "copy_file_range",
              vw / cp, r, a.OutVobuNum);
  if (system(("rm -rf " + dir).c_str()) != 0) return 1;
  return r;
}

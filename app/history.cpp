#include "app/history.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "common/be.h"
#include "common/files.h"
#include "common/output_file.h"
#include "common/path.h"

namespace vm {

HistoryBlock& History() {
  static HistoryBlock block{};
  return block;
}

void SetHistoryDefaults(HistoryBlock& h, const char* homeFolder) {
  Path home;
  if (!home.Set(homeFolder) || !AddTrailingSeparator(home)) home.Set("/");
  Path in = home, out = home;
  if (!in.Append("VIDEO_TS1/")) in = home;
  if (!out.Append("VIDEO_TS/")) out = home;
  CopyField(h.InputFolderText, in.c_str());
  CopyField(h.OutputFolderText, out.c_str());
  CopyField(h.PlayerPath, "/usr/bin/xdg-open");
  h.PlayingTime = 10;
  h.PreviewEnable = 1;
  std::memset(h.Reserved1052, 0, sizeof h.Reserved1052);
}

void EncodeHistoryBlock(const HistoryBlock& h, uint8_t out[kHistoryBlockBytes]) {
  WriteLe32(out + kHistReserved0, h.Reserved0);
  std::memcpy(out + kHistInputFolder, h.InputFolder, kPathBytes);
  std::memcpy(out + kHistInputFolderText, h.InputFolderText, kPathBytes);
  std::memcpy(out + kHistOutputFolderText, h.OutputFolderText, kPathBytes);
  std::memcpy(out + kHistPlayerPath, h.PlayerPath, kPathBytes);
  WriteLe32(out + kHistPlayingTime, static_cast<uint32_t>(h.PlayingTime));
  WriteLe32(out + kHistPreviewEnable, static_cast<uint32_t>(h.PreviewEnable));
  std::memcpy(out + kHistReserved1052, h.Reserved1052, kPathBytes);
  WriteLe32(out + kHistReserved1312, h.Reserved1312);
}

void DecodeHistoryBlock(const uint8_t in[kHistoryBlockBytes], HistoryBlock& h) {
  h.Reserved0 = ReadLe32(in + kHistReserved0);
  std::memcpy(h.InputFolder, in + kHistInputFolder, kPathBytes);
  std::memcpy(h.InputFolderText, in + kHistInputFolderText, kPathBytes);
  std::memcpy(h.OutputFolderText, in + kHistOutputFolderText, kPathBytes);
  std::memcpy(h.PlayerPath, in + kHistPlayerPath, kPathBytes);
  h.PlayingTime = static_cast<int32_t>(ReadLe32(in + kHistPlayingTime));
  // The settings dialog stores 0 or 1; any other value of a damaged file
  // counts as enabled, as the preview window takes it, so that the check
  // box shows what the window does.
  h.PreviewEnable = ReadLe32(in + kHistPreviewEnable) == 0 ? 0 : 1;
  std::memcpy(h.Reserved1052, in + kHistReserved1052, kPathBytes);
  h.Reserved1312 = ReadLe32(in + kHistReserved1312);
  // The text fields are used as C strings: keep each one terminated.
  h.InputFolder[kPathBytes - 1] = '\0';
  h.InputFolderText[kPathBytes - 1] = '\0';
  h.OutputFolderText[kPathBytes - 1] = '\0';
  h.PlayerPath[kPathBytes - 1] = '\0';
}

void HistoryHeader(char out[kHistoryHeaderBytes + 1]) {
  std::snprintf(out, kHistoryHeaderBytes + 1, "VOBMARKS%04XHST", kHistoryVersion);
}

HistoryRead ReadHistory(HistoryBlock& h, const char* historyPath, const char* homeFolder) {
  SetHistoryDefaults(h, homeFolder);
  int fd = open(historyPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return HistoryRead::Missing;
  char want[kHistoryHeaderBytes + 1];
  HistoryHeader(want);
  uint8_t header[kHistoryHeaderBytes];
  uint8_t block[kHistoryBlockBytes];
  bool ok = ReadFully(fd, header, sizeof header) == sizeof header &&
            std::memcmp(header, want, kHistoryHeaderBytes) == 0 &&
            ReadFully(fd, block, sizeof block) == sizeof block;
  close(fd);
  // A cut block never reaches the settings: the defaults stay in use.
  if (!ok) return HistoryRead::Unusable;
  DecodeHistoryBlock(block, h);
  return HistoryRead::Loaded;
}

void LoadHistory(HistoryBlock& h, const char* historyPath, const char* homeFolder) {
  if (ReadHistory(h, historyPath, homeFolder) == HistoryRead::Unusable) unlink(historyPath);
}

void SaveHistory(const HistoryBlock& h, const char* historyPath) {
  // Through the output check (no input to keep clear of): a failed write
  // leaves the last good file, a link is replaced, a FIFO is refused.
  uint8_t file[kHistoryHeaderBytes + kHistoryBlockBytes];
  char header[kHistoryHeaderBytes + 1];
  HistoryHeader(header);
  std::memcpy(file, header, kHistoryHeaderBytes);
  EncodeHistoryBlock(h, file + kHistoryHeaderBytes);
  int err = 0;
  WriteOutputFile(historyPath, nullptr, file, sizeof file, err);
}

bool MakeHistoryPath(const char* programFolder, const char* exeName, Path& out) {
  return out.Set(programFolder) && out.Append(exeName) && out.Append(".DAT");
}

}  // namespace vm

#include "app/shell_settings.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/files.h"
#include "common/output_file.h"

namespace vm {

namespace {

constexpr char kHeader[] = "[vobmarks]";
// A line longer than this is no line of ours: it is skipped.
constexpr size_t kLineBytes = kPathBytes + 32;
constexpr size_t kFileBytes = 16 * 1024;
constexpr uint32_t kAllRegions = 0xFF;

enum class Kind { Number, Bits, Text };

struct Key {
  const char* name;
  Kind kind;
  int32_t ShellSettings::*number;
  int32_t low, high;
  uint32_t ShellSettings::*bits;
  char* (*text)(ShellSettings&);
  size_t textBytes;
};

char* ImagePathOf(ShellSettings& s) { return s.ImagePath; }
char* VolumeIdOf(ShellSettings& s) { return s.VolumeId; }
char* LastTitleFolderOf(ShellSettings& s) { return s.LastTitleFolder; }
char* ChapterFolderOf(ShellSettings& s) { return s.ChapterFolder; }

constexpr Key Number(const char* name, int32_t ShellSettings::*field, int32_t low, int32_t high) {
  return {name, Kind::Number, field, low, high, nullptr, nullptr, 0};
}
constexpr Key Bits(const char* name, uint32_t ShellSettings::*field) {
  return {name, Kind::Bits, nullptr, 0, 0, field, nullptr, 0};
}
constexpr Key Text(const char* name, char* (*field)(ShellSettings&), size_t bytes) {
  return {name, Kind::Text, nullptr, 0, 0, nullptr, field, bytes};
}

const Key kKeys[] = {
    Number("write_image", &ShellSettings::WriteImage, 0, 1),
    Text("image_path", ImagePathOf, kPathBytes),
    Text("volume_id", VolumeIdOf, kVolumeIdBytes),
    Number("region", &ShellSettings::Region, kRegionOfSource, kRegionListed),
    Bits("regions_playing", &ShellSettings::RegionsPlaying),
    Bits("drop_audio", &ShellSettings::DropAudio),
    Bits("drop_subpicture", &ShellSettings::DropSubpicture),
    Number("verify", &ShellSettings::Verify, 0, 1),
    Number("whole_disc", &ShellSettings::WholeDisc, 0, 1),
    Text("last_title_folder", LastTitleFolderOf, kPathBytes),
    Number("last_title", &ShellSettings::LastTitle, 0, 99),
    Text("chapter_folder", ChapterFolderOf, kPathBytes),
};

// A whole decimal number in [low, high], nothing else on the line.
bool TakeNumber(const char* text, int64_t low, int64_t high, int64_t& out) {
  if (*text == '\0' || std::strlen(text) > 10) return false;
  int64_t v = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
  }
  if (v < low || v > high) return false;
  out = v;
  return true;
}

void TakeLine(ShellSettings& s, char* line) {
  char* eq = std::strchr(line, '=');
  if (eq == nullptr) return;
  *eq = '\0';
  const char* value = eq + 1;
  for (const Key& k : kKeys) {
    if (std::strcmp(line, k.name) != 0) continue;
    int64_t v = 0;
    switch (k.kind) {
      case Kind::Number:
        if (TakeNumber(value, k.low, k.high, v)) s.*k.number = static_cast<int32_t>(v);
        break;
      case Kind::Bits:
        if (TakeNumber(value, 0, UINT32_MAX, v)) s.*k.bits = static_cast<uint32_t>(v);
        break;
      case Kind::Text: {
        // A text that does not fit is not cut: the default stays.
        const size_t n = std::strlen(value);
        if (n < k.textBytes) std::memcpy(k.text(s), value, n + 1);
        break;
      }
    }
    return;
  }
}

}  // namespace

bool MakeSettingsPath(const char* programFolder, const char* exeName, Path& out) {
  return out.Set(programFolder) && out.Append(exeName) && out.Append(".ini");
}

void LoadShellSettings(ShellSettings& s, const char* path) {
  s = ShellSettings{};
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  static char text[kFileBytes + 1];
  const size_t n = ReadFully(fd, text, kFileBytes);
  close(fd);
  if (n == 0) return;
  text[n] = '\0';
  size_t headerLength = sizeof kHeader - 1;
  if (std::strncmp(text, kHeader, headerLength) != 0) return;
  char* p = text + headerLength;
  while (*p != '\0') {
    char* end = std::strchr(p, '\n');
    char* next = end != nullptr ? end + 1 : p + std::strlen(p);
    if (end != nullptr) *end = '\0';
    const size_t length = std::strlen(p);
    if (length > 0 && p[length - 1] == '\r') p[length - 1] = '\0';
    if (length < kLineBytes) TakeLine(s, p);
    p = next;
  }
  if (s.RegionsPlaying > kAllRegions) s.RegionsPlaying &= kAllRegions;
}

bool SaveShellSettings(const ShellSettings& s, const char* path) {
  // Laid out whole, then written through the output check as the history
  // file is: a link is replaced, not written through, and a failed write
  // leaves the old file as it was.
  static char file[kFileBytes];
  size_t used = 0;
  bool ok = true;
  auto put = [&](const char* line) {
    const size_t n = std::strlen(line);
    ok = ok && n <= sizeof file - used;
    if (ok) std::memcpy(file + used, line, n);
    if (ok) used += n;
  };
  put(kHeader);
  put("\n");
  char line[kLineBytes + 8];
  ShellSettings fields = s;  // the text accessors hand out writable fields
  for (const Key& k : kKeys) {
    switch (k.kind) {
      case Kind::Number:
        std::snprintf(line, sizeof line, "%s=%d\n", k.name, static_cast<int>(s.*k.number));
        break;
      case Kind::Bits:
        std::snprintf(line, sizeof line, "%s=%u\n", k.name, static_cast<unsigned>(s.*k.bits));
        break;
      case Kind::Text: {
        const char* text = k.text(fields);
        // A line break would end the value early: such a text is not kept.
        std::snprintf(line, sizeof line, "%s=%.*s\n", k.name, static_cast<int>(k.textBytes - 1),
                      std::strpbrk(text, "\r\n") != nullptr ? "" : text);
        break;
      }
    }
    put(line);
  }
  int err = 0;
  return ok && WriteOutputFile(path, nullptr, file, used, err) == OutputStatus::Ok;
}

int32_t RegionMaskOf(const ShellSettings& s) {
  if (s.Region == kRegionAll) return 0x00;
  // No region ticked would play nowhere: the source's mask is kept instead.
  if (s.Region == kRegionListed && (s.RegionsPlaying & kAllRegions) != 0)
    return static_cast<int32_t>(~s.RegionsPlaying & kAllRegions);
  return -1;
}

}  // namespace vm

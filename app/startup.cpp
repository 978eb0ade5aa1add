#include "app/startup.h"

#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/be.h"
#include "common/files.h"
#include "common/path.h"

namespace vm {

namespace {

bool ReadSelfExe(Path& exe) {
  ssize_t n = readlink("/proc/self/exe", exe.s, kPathBytes - 1);
  if (n <= 0 || static_cast<size_t>(n) >= kPathBytes - 1) return false;
  exe.s[n] = '\0';
  return true;
}

// Bitmap file and information header offsets.
constexpr size_t kBmpFileHeaderBytes = 14;
constexpr size_t kBmpInfoHeaderBytes = 40;
constexpr size_t kBmpWidth = 4;         // within the information header
constexpr size_t kBmpHeight = 8;
constexpr size_t kBmpCompression = 16;
constexpr size_t kBmpColoursUsed = 32;

}  // namespace

bool InstalledDataFolder(const char* exePath, Path& dataFolder) {
  Path bin;
  FolderOf(exePath, bin);
  const size_t n = bin.size();
  constexpr char kBin[] = "/bin/";
  constexpr size_t kBinChars = sizeof kBin - 1;
  if (n < kBinChars || std::strcmp(bin.c_str() + n - kBinChars, kBin) != 0) return false;
  bin.s[n - kBinChars + 1] = '\0';  // the prefix, ending in '/'
  if (!dataFolder.Set(bin.c_str()) || !dataFolder.Append("share/vobmarks/")) return false;
  struct stat st;
  return stat(dataFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// Creates each missing folder of an absolute path ending in '/', readable by
// its owner alone; true when the whole path is a folder afterwards.
bool MakeFolders(Path& folder) {
  for (size_t i = 1; folder.s[i] != '\0'; ++i) {
    if (folder.s[i] != '/') continue;
    folder.s[i] = '\0';
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      folder.s[i] = '/';
      return false;
    }
    folder.s[i] = '/';
  }
  struct stat st;
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// $XDG_DATA_HOME/vobmarks/, or $HOME/.local/share/vobmarks/ when the variable
// is unset or not absolute; the account's home folder when HOME is unset.
bool PerUserFolder(Path& folder) {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') {
    if (!folder.Set(data)) return false;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const passwd* pw = getpwuid(getuid());
      home = pw != nullptr ? pw->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return false;
    if (!folder.Set(home) || !AddTrailingSeparator(folder) || !folder.Append(".local/share"))
      return false;
  }
  return AddTrailingSeparator(folder) && folder.Append("vobmarks/");
}

}  // namespace

bool ProgramFolderFor(const char* exePath, Path& folder) {
  const char* home = std::getenv("VOBMARKS_HOME");
  if (home != nullptr && home[0] != '\0') {
    return folder.Set(home) && AddTrailingSeparator(folder);
  }
  Path data;
  if (InstalledDataFolder(exePath, data)) {
    // Nothing is ever written into the prefix: without a per-user folder
    // there is no program folder.
    if (!PerUserFolder(folder)) return false;
    MakeFolders(folder);  // a folder that cannot be made leaves files unsaved
    return true;
  }
  FolderOf(exePath, folder);
  return !folder.empty();
}

bool FindProgramFolder(Path& folder) {
  const char* home = std::getenv("VOBMARKS_HOME");
  if (home != nullptr && home[0] != '\0') {
    return folder.Set(home) && AddTrailingSeparator(folder);
  }
  Path exe;
  if (!ReadSelfExe(exe)) return false;
  return ProgramFolderFor(exe.c_str(), folder);
}

bool ReadOnlyFileFor(const char* exePath, const char* programFolder, const char* name, Path& out) {
  struct stat st;
  if (out.Set(programFolder) && out.Append(name) && stat(out.c_str(), &st) == 0) return true;
  Path data, installed;
  if (exePath != nullptr && InstalledDataFolder(exePath, data) && installed.Set(data.c_str()) &&
      installed.Append(name) && stat(installed.c_str(), &st) == 0) {
    out = installed;
    return true;
  }
  return out.Set(programFolder) && out.Append(name);
}

bool FindReadOnlyFile(const char* programFolder, const char* name, Path& out) {
  Path exe;
  return ReadOnlyFileFor(ReadSelfExe(exe) ? exe.c_str() : nullptr, programFolder, name, out);
}

bool FindExecutableName(Path& name) {
  Path exe;
  if (!ReadSelfExe(exe)) return false;
  const char* slash = std::strrchr(exe.c_str(), '/');
  return name.Set(slash ? slash + 1 : exe.c_str());
}

int32_t ParseExtendMode(int argc, const char* const* argv) {
  int32_t mode = 0;
  for (int i = 1; i < argc; ++i)
    if (strcasecmp(argv[i], "-E") == 0) mode = 1;
  return mode;
}

void DeleteWorkFiles(const char* programFolder) {
  static const char* const kNames[] = {"TMP1.VOB", "TMP2.VOB", "TMP1.MPG", "TMP2.MPG"};
  for (const char* name : kNames) {
    Path p;
    if (p.Set(programFolder) && p.Append(name)) unlink(p.c_str());
  }
}

bool LoadLogoBmp(const char* path, SplashImage& image) {
  image.Loaded = false;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  uint8_t head[kBmpFileHeaderBytes + kBmpInfoHeaderBytes];
  bool ok = ReadFully(fd, head, sizeof head) == sizeof head && head[0] == 'B' && head[1] == 'M';
  const uint8_t* info = head + kBmpFileHeaderBytes;
  uint32_t compression = ReadLe32(info + kBmpCompression);
  ok = ok && (compression == 0 || compression == 1);
  if (!ok) {
    close(fd);
    return false;
  }
  uint32_t colours = ReadLe32(info + kBmpColoursUsed);
  if (colours == 0 || colours > 256) colours = 256;
  uint8_t pal[256 * 4] = {};
  ReadFully(fd, pal, colours * 4);
  for (uint32_t i = 0; i < 256; ++i) {
    image.Palette[i] = (static_cast<uint32_t>(pal[i * 4 + 2]) << 16) |
                       (static_cast<uint32_t>(pal[i * 4 + 1]) << 8) | pal[i * 4];
  }
  // Rows are (width rounded up to 4) bytes each; a picture larger than the
  // buffer is cut at the buffer's end.
  int64_t width = static_cast<int32_t>(ReadLe32(info + kBmpWidth));
  int64_t height = static_cast<int32_t>(ReadLe32(info + kBmpHeight));
  if (width < 0) width = -width;
  if (height < 0) height = -height;
  int64_t stored = ((width + 3) / 4) * 4 * height;
  size_t want = stored < static_cast<int64_t>(sizeof image.Pixels) ? static_cast<size_t>(stored)
                                                                   : sizeof image.Pixels;
  std::memset(image.Pixels, 0, sizeof image.Pixels);
  ReadFully(fd, image.Pixels, want);
  close(fd);
  image.Loaded = true;
  return true;
}

}  // namespace vm

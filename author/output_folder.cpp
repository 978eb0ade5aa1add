#include "author/output_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/files.h"
#include "common/output_file.h"
#include "common/path.h"

namespace vm {

namespace {

constexpr char kNotFullPath[] = "Output folder must be a full path name (e.g. /home/user/VIDEO_TS).";
constexpr char kTooLong[] = "Output folder name is too long.";
constexpr char kCantCreate[] = "Can't create output folder.";
constexpr char kSameAsInput[] = "Input folder name is equal to output folder name.";
constexpr char kInsideInput[] = "Output folder is inside the input folder.\nChoose a folder outside it.";
constexpr char kFolderBusy[] =
    "Another run is writing a volume into %s.\nTry again when it has ended.";
constexpr char kAskDelete[] =
    "[*.VOB, *.IFO, *.BUP] are exist in output folder.\nDelete these files or not ?";
constexpr char kIsFolder[] = "%s is a folder. Can't delete it.";
constexpr char kCantDelete[] = "Can't delete %s.";

// The edit box holds at most 258 characters.
constexpr size_t kFieldChars = 258;
// Room for the longest name written into the folder ("VTS_01_1.VOB").
constexpr size_t kLongestOutputName = 12;

// Creates every missing component of `folder` (ending in '/'), from the
// root down, one level at a time.
void CreateFolderPath(const char* folder) {
  Path prefix;
  size_t n = std::strlen(folder);
  for (size_t i = 1; i < n; ++i) {
    if (folder[i] != '/') continue;
    if (i >= Path::kCapacity) return;
    std::memcpy(prefix.s, folder, i);
    prefix.s[i] = '\0';
    if (!IsDirectory(prefix.c_str())) mkdir(prefix.c_str(), 0777);
  }
}

bool SameDirectory(const char* x, const char* y) {
  struct stat a, b;
  if (stat(x, &a) != 0 || stat(y, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int SourceListCount(const TitleTables& t) {
  int lists = 0;
  int titles = t.DC_TitleNum < kTitleSlots ? t.DC_TitleNum : kTitleSlots;
  for (int i = 0; i < titles; ++i) lists += t.DC_ListNum[i];
  return lists > kListSlots ? kListSlots : lists;
}

// True when `folder` (which may not exist yet) is or lies inside the folder
// of any list's source file, every link resolved.
bool InsideSourceFolder(const TitleTables& t, const char* folder) {
  for (int l = 0; l < SourceListCount(t); ++l) {
    Path source;
    FolderOf(t.DC_SrcFName[l], source);
    if (FolderInsideInput(folder, source.c_str())) return true;
  }
  return false;
}

// True when `folder` is the folder of any list's source file: by name with
// case ignored, or (byIdentity) as the same directory under another name.
// A source file that is a link to a file elsewhere counts for the folder it
// leads to as well: clearing old files there would delete the source.
bool HoldsSourceFile(const TitleTables& t, const char* folder, bool byIdentity) {
  for (int l = 0; l < SourceListCount(t); ++l) {
    Path source;
    FolderOf(t.DC_SrcFName[l], source);
    if (!byIdentity) {
      if (EqualsNoCase(source.c_str(), folder)) return true;
      continue;
    }
    if (SameDirectory(source.c_str(), folder)) return true;
    char real[PATH_MAX];
    if (realpath(t.DC_SrcFName[l], real) != nullptr) {
      FolderOf(real, source);
      if (!source.empty() && SameDirectory(source.c_str(), folder)) return true;
    }
  }
  return false;
}

bool IsOutputFileName(const char* name) {
  const char* ext = ExtensionOf(name);
  return EqualsNoCase(ext, ".VOB") || EqualsNoCase(ext, ".IFO") || EqualsNoCase(ext, ".BUP");
}

bool HasOldOutputFiles(const char* folder) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return false;
  bool found = false;
  while (dirent* e = readdir(dir)) {
    if (IsOutputFileName(e->d_name)) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

// 0 deleted (or nothing to do), 1 after its message.
int DeleteOldFile(Ui& ui, const char* full) {
  MessageText text;
  struct stat st;
  if (lstat(full, &st) != 0) return 0;  // gone meanwhile
  if (S_ISDIR(st.st_mode)) {
    text.Format(kIsFolder, full);
    ui.Error(text.c_str());
    return 1;
  }
  // Only a file of our own is made writable: chmod would follow a symlink
  // to a file elsewhere (perhaps in the input folder).
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) chmod(full, st.st_mode | S_IWUSR);
  if (unlink(full) != 0 && errno != ENOENT) {
    text.Format(kCantDelete, full);
    ui.Error(text.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int PrepareOutputFolder(const TitleTables& t, AuthorState& a, Ui& ui, const char* text) {
  // An empty field is refused here rather than becoming "/": the root is
  // only taken when it is typed.
  if (!IsFullPath(text)) {
    ui.Error(kNotFullPath);
    return 1;
  }
  Path folder;
  if (std::strlen(text) > kFieldChars || !folder.Set(text) || !AddTrailingSeparator(folder) ||
      folder.size() + kLongestOutputName > kMaxPathChars) {
    ui.Error(kTooLong);
    return 1;
  }
  // The name compare comes before anything is created, so that a folder
  // differing from the input only in case is not made first.
  if (HoldsSourceFile(t, folder.c_str(), false)) {
    ui.Error(kSameAsInput);
    return 1;
  }
  // Inside the input (IN/sub, through a link, through ".."): refused before
  // a folder is made there.
  if (InsideSourceFolder(t, folder.c_str())) {
    ui.Error(HoldsSourceFile(t, folder.c_str(), true) ? kSameAsInput : kInsideInput);
    return 1;
  }
  if (folder.size() > 1) {  // the root is taken without a look-up
    Path bare = folder;
    bare.s[bare.size() - 1] = '\0';
    if (!IsDirectory(bare.c_str())) {
      CreateFolderPath(folder.c_str());
      if (!IsDirectory(bare.c_str())) {
        ui.Error(kCantCreate);
        return 1;
      }
    }
  }
  CopyField(a.OutputFolder, folder.c_str());
  if (HoldsSourceFile(t, a.OutputFolder, true)) {
    ui.Error(kSameAsInput);
    return 1;
  }
  return 0;
}

int ClearOldOutputFiles(const AuthorState& a, Ui& ui) {
  if (!HasOldOutputFiles(a.OutputFolder)) return 0;
  if (ui.Confirm(kAskDelete) != Answer::Yes) return 1;
  DIR* dir = opendir(a.OutputFolder);
  if (dir == nullptr) return 0;
  int result = 0;
  while (dirent* e = readdir(dir)) {
    if (!IsOutputFileName(e->d_name)) continue;
    Path full;
    if (!full.Set(a.OutputFolder) || !full.Append(e->d_name)) continue;
    result = DeleteOldFile(ui, full.c_str());
    if (result != 0) break;
  }
  closedir(dir);
  return result;
}

int OutputFolderLock::Acquire(const char* folder, Ui& ui) {
  Release();
  const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;  // the writers report the folder's own trouble
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    fd_ = fd;
    return 0;
  }
  const int err = errno;
  close(fd);
  if (err != EWOULDBLOCK) return 0;  // a file system without locks
  MessageText text;
  if (!text.Format(kFolderBusy, folder)) text.Format(kFolderBusy, "the output folder");
  ui.Error(text.c_str());
  return 1;
}

void OutputFolderLock::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void OutputFolderLock::TakeFrom(OutputFolderLock& other) {
  if (&other == this) return;
  Release();
  fd_ = other.fd_;
  other.fd_ = -1;
}

int ClaimOutputFolder(const TitleTables& t, AuthorState& a, Ui& ui, const char* text,
                      OutputFolderLock& lock) {
  if (PrepareOutputFolder(t, a, ui, text) != 0) return 1;
  if (lock.Acquire(a.OutputFolder, ui) != 0) return 1;
  return ClearOldOutputFiles(a, ui);
}

}  // namespace vm

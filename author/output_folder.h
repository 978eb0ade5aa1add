// The output folder of a volume creation: the full-path rule, creation of
// missing folders, the refusal of the input folder under any name, and the
// clearing of old DVD files after asking.
#pragma once

#include "author/author_state.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Checks and, where missing, creates the folder named by `text`; sets
// a.OutputFolder (ending in '/'). Refuses a folder that holds any list's
// source file, by name (case ignored) or by identity (same device and inode
// after symlinks and ".."), and one inside the input folder, before
// anything is created. 0 go on, 1 stopped after its "Error" message.
int PrepareOutputFolder(const TitleTables& t, AuthorState& a, Ui& ui, const char* text);

// Old *.VOB, *.IFO and *.BUP entries (any case, hidden ones included) in
// a.OutputFolder: asks, then deletes them. 0 go on, 1 stop (declined, or
// after its message).
int ClearOldOutputFiles(const AuthorState& a, Ui& ui);

// An exclusive lock on the output folder's own descriptor (so no lock file
// is left in the volume), held while a volume is written into it: a second
// run on the same folder is refused at once instead of writing over the
// first one's files. Released when the object goes away.
class OutputFolderLock {
 public:
  OutputFolderLock() = default;
  ~OutputFolderLock() { Release(); }
  OutputFolderLock(const OutputFolderLock&) = delete;
  OutputFolderLock& operator=(const OutputFolderLock&) = delete;

  // 0 held (or the file system keeps no locks), 1 refused after its message.
  int Acquire(const char* folder, Ui& ui);
  void Release();
  // Takes over the lock `other` holds.
  void TakeFrom(OutputFolderLock& other);

 private:
  int fd_ = -1;
};

// The output folder made ready for a new volume: checked and created
// (PrepareOutputFolder), locked in `lock`, then its old files cleared after
// asking; the lock comes first, as the old files may be another run's.
// 0 go on, 1 stopped after its message or a declined question.
int ClaimOutputFolder(const TitleTables& t, AuthorState& a, Ui& ui, const char* text,
                      OutputFolderLock& lock);

}  // namespace vm

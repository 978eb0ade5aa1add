// The window shared by the folder and the file picker: a path label, the
// root list (the drives of this build), the folder list, the "&Root:"
// button and, in the file picker, the list of executable files. Every
// click in a list is a step: a folder is entered at once, a root is
// entered where it was left in this run.
#pragma once

#include <QDialog>

#include <span>
#include <string>
#include <vector>

#include "common/fixed_string.h"
#include "pickers/folder_listing.h"
#include "shell_common/control_table.h"

class QLabel;
class QListWidget;

namespace vm {

// Object names of the controls both templates share.
inline constexpr char kPathLabelName[] = "101";
inline constexpr char kFolderListName[] = "102";
inline constexpr char kRootListName[] = "103";

struct SelectTemplate {
  int widthUnits, heightUnits;
  std::span<const ControlRow> rows;
  const char* rootButtonName;
  const char* fileListName;  // nullptr: no file list
};

class SelectDialog : public QDialog {
 public:
  // `start` is the folder to open at ("" opens at the root that holds
  // `programFolder`).
  SelectDialog(QWidget* owner, const char* caption, const char* programFolder,
               const SelectTemplate& layout, const char* start);

  // The folder shown in the path label, ending in '/'.
  const Path& ShownFolder() const { return shown_; }
  // After "&Select": the folder, or in the file picker the folder and the
  // selected file (the folder alone when no file is selected).
  const Path& Chosen() const { return chosen_; }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void Fill(const char* path);
  void FolderChosen(int row);
  void RootChosen(int row);
  void RootButtonPressed();
  void SelectPressed();

  Path programRoot_;
  Path shown_;
  Path chosen_;
  RootList roots_;
  std::vector<std::string> folders_;  // the folder list's rows, as on disk
  std::vector<std::string> files_;
  QLabel* pathLabel_ = nullptr;
  QListWidget* folderList_ = nullptr;
  QListWidget* rootList_ = nullptr;
  QListWidget* fileList_ = nullptr;
};

}  // namespace vm

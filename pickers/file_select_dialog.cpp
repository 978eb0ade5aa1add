#include "pickers/file_select_dialog.h"

#include "common/path.h"
#include "pickers/select_dialog.h"

namespace vm {

namespace {

constexpr ControlRow kSelectFile[] = {
    {"1", ControlKind::DefaultButton, "&Select", 175, 190, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 230, 190, 50, 14},
    {"pathHeading", ControlKind::Static, "Path:", 5, 5, 65, 10},
    {"pathFrame", ControlKind::BlackFrame, "", 4, 14, 277, 14},
    {kPathLabelName, ControlKind::Static, "", 5, 17, 275, 10},
    {"driveHeading", ControlKind::Static, "&Drive:", 5, 35, 45, 10},
    {kRootListName, ControlKind::ListBox, "", 5, 46, 35, 138},
    {"folderHeading", ControlKind::Static, "Folder(&P):", 50, 35, 45, 10},
    {kFolderListName, ControlKind::ListBox, "", 50, 46, 120, 136},
    {"105", ControlKind::Button, "&Root:", 95, 30, 30, 14},
    {"fileHeading", ControlKind::Static, "&File:", 180, 35, 50, 10},
    {"104", ControlKind::ListBox, "", 180, 46, 100, 136},
};

constexpr SelectTemplate kTemplate{290, 210, kSelectFile, "105", "104"};

}  // namespace

bool RunFileSelect(QWidget* owner, const char* caption, const char* programFolder, Path& file) {
  Path folder;
  FolderOf(file.c_str(), folder);
  SelectDialog dialog(owner, caption, programFolder, kTemplate, folder.c_str());
  dialog.setObjectName("FileSelectDialog");
  if (dialog.exec() != QDialog::Accepted) return false;
  file = dialog.Chosen();
  return true;
}

}  // namespace vm

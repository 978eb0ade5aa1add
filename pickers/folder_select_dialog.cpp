#include "pickers/folder_select_dialog.h"

#include "pickers/select_dialog.h"

namespace vm {

namespace {

constexpr ControlRow kSelectPath[] = {
    {"1", ControlKind::DefaultButton, "&Select", 200, 46, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 200, 71, 50, 14},
    {"pathHeading", ControlKind::Static, "Path:", 5, 5, 65, 10},
    {"pathFrame", ControlKind::BlackFrame, "", 4, 14, 247, 14},
    {kPathLabelName, ControlKind::Static, "", 5, 17, 245, 10},
    {"driveHeading", ControlKind::Static, "&Drive:", 5, 35, 45, 10},
    {kRootListName, ControlKind::ListBox, "", 5, 46, 35, 136},
    {"folderHeading", ControlKind::Static, "Folder(&P):", 50, 35, 45, 10},
    {kFolderListName, ControlKind::ListBox, "", 50, 46, 140, 136},
    {"104", ControlKind::Button, "&Root:", 95, 30, 30, 14},
};

constexpr SelectTemplate kTemplate{255, 190, kSelectPath, "104", nullptr};

}  // namespace

bool RunFolderSelect(QWidget* owner, const char* caption, const char* programFolder, Path& path) {
  SelectDialog dialog(owner, caption, programFolder, kTemplate, path.c_str());
  dialog.setObjectName("FolderSelectDialog");
  if (dialog.exec() != QDialog::Accepted) return false;
  path = dialog.Chosen();
  return true;
}

}  // namespace vm

// Renders the desktop program's windows to PNG files for the manual and
// the README: the main window with a title read and a few chapters marked,
// the preview window beside it, the Chapter pictures window, the settings
// dialog, the output options dialog and the folder picker.
//
//   shell_pictures INPUT_VIDEO_TS OUT_FOLDER
//
// Runs under any Qt platform; scripts/pictures.sh uses the offscreen one.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/history.h"
#include "app/main_frame.h"
#include "app/chapter_pictures_window.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/time_list_model.h"
#include "chapters/chapter_marks.h"
#include "title/tables.h"

namespace {

bool Save(QWidget* w, const std::string& path) {
  if (!w->grab().save(QString::fromStdString(path))) {
    std::fprintf(stderr, "shell_pictures: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vm;
  if (argc != 3) {
    std::fprintf(stderr, "usage: shell_pictures INPUT_VIDEO_TS OUT_FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  const std::string out = std::string(argv[2]) + "/";
  HistoryBlock& history = History();
  SetHistoryDefaults(history, "/home/user");
  history.PreviewEnable = 1;
  std::snprintf(history.InputFolderText, sizeof history.InputFolderText, "%s", argv[1]);

  TitleTables& t = Tables();
  MainFrame frame(ShellContext{t, Author(), history, "/nonexistent/"});
  MainWindow* w = frame.Client();
  w->ResetForStart();
  frame.show();
  w->ReadTitle();
  if (t.TimeListNum == 0) {
    std::fprintf(stderr, "shell_pictures: no title read from %s\n", argv[1]);
    return 1;
  }
  // A few chapters by hand, beside the cell starts the title brings.
  for (int32_t entry : {8, 27, 41}) ToggleChapter(t, entry);
  w->Model()->AllRowsChanged();
  w->SelectEntry(21);
  QApplication::processEvents();

  bool ok = Save(&frame, out + "main-window.png");
  if (w->Preview() != nullptr) ok = Save(w->Preview(), out + "preview-window.png") && ok;
  w->ChapterPicturesCommand();
  QApplication::processEvents();
  if (w->Pictures() != nullptr) ok = Save(w->Pictures(), out + "chapter-pictures.png") && ok;

  // The dialogs are modal: each is grabbed once it is up, then closed.
  auto grabDialog = [&](const char* name) {
    QTimer::singleShot(200, [&ok, name, &out] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ok = Save(dialog, out + name) && ok;
        dialog->reject();
      }
    });
  };
  grabDialog("settings-dialog.png");
  w->SettingsCommand();
  grabDialog("output-options.png");
  w->OutputOptionsCommand();
  grabDialog("folder-picker.png");
  w->PickInputFolder();
  return ok ? 0 : 1;
}

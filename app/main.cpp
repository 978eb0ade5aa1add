// vobmarks: the Qt desktop shell.
#include <QApplication>
#include <QFontDatabase>
#include <QMainWindow>
#include <QScreen>

#include <cstdlib>

#include "app/history.h"
#include "app/splash_window.h"
#include "app/startup.h"
#include "app/termination.h"
#include "common/fixed_string.h"
#include "common/version.h"
#include "title/tables.h"

namespace {

// The main frame keeps the size it had after set-up.
class MainFrame : public QMainWindow {
 public:
  MainFrame() {
    setObjectName("VOBMARKS:MAIN");
    setWindowTitle(vm::kVersionText);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    setFont(font);
    // The main window's template is 370 x 250 dialog units.
    QFontMetrics m(font);
    int width = 370 * m.averageCharWidth() / 4;
    int height = 250 * m.height() / 8;
    setFixedSize(width, height);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace vm;
  Path programFolder, exeName, historyPath;
  if (!FindProgramFolder(programFolder)) programFolder.Set("./");
  if (!FindExecutableName(exeName)) exeName.Set("vobmarks");
  TitleTables& tables = Tables();
  tables.ExtendMode = ParseExtendMode(argc, argv);

  QApplication app(argc, argv);
  QuitOnTerminationSignals(app);
  const char* home = std::getenv("HOME");
  bool haveHistory = MakeHistoryPath(programFolder.c_str(), exeName.c_str(), historyPath);
  if (haveHistory)
    LoadHistory(History(), historyPath.c_str(), home ? home : "/");
  else
    SetHistoryDefaults(History(), home ? home : "/");

  tables.BusyFlag = 0;
  tables.StopRequest = 0;
  tables.InterleaveDetected = 0;
  RunSplash(programFolder.c_str(), nullptr);
  ResetTables(tables);

  MainFrame frame;
  QRect screen = frame.screen()->availableGeometry();
  frame.move(screen.x() + (screen.width() - frame.width()) / 2,
             screen.y() + (screen.height() - frame.height()) / 2);
  frame.show();
  int rc = app.exec();

  if (haveHistory) SaveHistory(History(), historyPath.c_str());
  DeleteWorkFiles(programFolder.c_str());
  return rc == 0 ? 0 : rc;
}

// vobmarks: the Qt desktop shell.
#include <QApplication>

#include <cstdlib>

#include "app/history.h"
#include "app/shell_settings.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/splash_window.h"
#include "app/startup.h"
#include "app/termination.h"
#include "common/fixed_string.h"
#include "title/tables.h"

int main(int argc, char** argv) {
  using namespace vm;
  Path programFolder, exeName, historyPath, settingsPath;
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

  // The desktop program's own choices, beside the history file.
  static ShellSettings settings;
  const bool haveSettings = MakeSettingsPath(programFolder.c_str(), exeName.c_str(), settingsPath);
  if (haveSettings) LoadShellSettings(settings, settingsPath.c_str());

  tables.BusyFlag = 0;
  tables.StopRequest = 0;
  tables.InterleaveDetected = 0;
  RunSplash(programFolder.c_str(), nullptr);

  int rc = 0;
  {
    MainFrame frame(ShellContext{tables, Author(), History(), programFolder.c_str(), &settings,
                                 haveSettings ? settingsPath.c_str() : nullptr});
    frame.Client()->ResetForStart();
    frame.show();
    frame.PlaceCentred();
    // The program ends when the frame closes, preview window or not.
    app.setQuitOnLastWindowClosed(false);
    rc = app.exec();
  }

  if (haveHistory) SaveHistory(History(), historyPath.c_str());
  DeleteWorkFiles(programFolder.c_str());
  return rc;
}

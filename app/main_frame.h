// The main frame: the program's top-level window with its title, menu and
// close box, holding the main window as its client. It keeps the size it
// had after set-up and cannot be maximised.
#pragma once

#include <QMainWindow>

namespace vm {

class MainWindow;
struct ShellContext;

// Menu command ids, used as the actions' object names.
enum MenuCommand : int {
  kMenuOutputOptions = 1040,
  kMenuExit = 1050,
  kMenuInterval = 1310,
  kMenuChapterListNew = 1320,
  kMenuChapterListAppend = 1330,
  kMenuImportChapters = 1340,
  kMenuExportChapters = 1350,
  kMenuSceneCuts = 1360,
  kMenuSnapChapters = 1370,
  kMenuChapterPictures = 1380,
  kMenuHelp = 1910,
  kMenuVersion = 1920,
};

class MainFrame : public QMainWindow {
 public:
  explicit MainFrame(const ShellContext& context);

  MainWindow* Client() const { return client_; }
  // Centres the frame on the screen's available area.
  void PlaceCentred();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();

  MainWindow* client_;
};

}  // namespace vm

#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcutEvent>
#include <QScreen>

#include "app/main_window.h"
#include "common/version.h"
#include "shell_common/dialog_template.h"
#include "shell_common/keyboard_rules.h"
#include "shell_common/program_icon.h"

namespace vm {

MainFrame::MainFrame(const ShellContext& context) {
  setObjectName("VOBMARKS:MAIN");
  setWindowTitle(kVersionText);
  setFont(DialogFont());
  // The title bar of every window shows the program's icon.
  QApplication::setWindowIcon(ProgramIcon());
  // Alt+letter never types into a field, on every window while the frame lives.
  new KeyboardRules(this);
  client_ = new MainWindow(context, this);
  setCentralWidget(client_);
  BuildMenu();
  // A key shared by a menu and a button reaches either of them, flagged
  // ambiguous: both pass it here.
  menuBar()->installEventFilter(this);
  for (QPushButton* b : client_->findChildren<QPushButton*>()) b->installEventFilter(this);
  client_->SetExitHandler([this] { close(); });
  // The frame fits the client and keeps that size; no maximise box.
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  adjustSize();
  setFixedSize(client_->width(), client_->height() + menuBar()->sizeHint().height());
}

void MainFrame::BuildMenu() {
  struct Entry {
    int menu;  // 0 File, 1 Chapter, 2 Help
    int id;    // 0 for a separator
    const char* text;
    void (MainWindow::*command)();
  };
  static const Entry kEntries[] = {
      {1, kMenuInterval, "Interval(&C)...", &MainWindow::IntervalCommand},
      {1, kMenuChapterListNew, "Chapter list [New] (&N)", nullptr},
      {1, kMenuChapterListAppend, "Chapter list [Append] (&A)", nullptr},
      {1, 0, nullptr, nullptr},
      {1, kMenuImportChapters, "Import chapters(&I)...", &MainWindow::ImportChaptersCommand},
      {1, kMenuExportChapters, "Export chapters(&E)...", &MainWindow::ExportChaptersCommand},
      {1, 0, nullptr, nullptr},
      {1, kMenuSceneCuts, "Chapters at scene cuts(&S)...", &MainWindow::SceneCutsCommand},
      {1, kMenuSnapChapters, "Snap chapters to cuts(&P)...", &MainWindow::SnapChaptersCommand},
      {1, kMenuChapterPictures, "Chapter pictures(&V)", &MainWindow::ChapterPicturesCommand},
      {2, kMenuHelp, "&Help", &MainWindow::HelpCommand},
      {2, 0, nullptr, nullptr},
      {2, kMenuVersion, "Version(&A)...", &MainWindow::VersionCommand},
  };
  QMenu* menus[] = {menuBar()->addMenu("&File"), menuBar()->addMenu("&Chapter"),
                    menuBar()->addMenu("&Help")};
  menus[0]->setObjectName("menuFile");
  menus[1]->setObjectName("menuChapter");
  menus[2]->setObjectName("menuHelp");
  QAction* options = menus[0]->addAction("Output options(&O)...");
  options->setObjectName(QString::number(kMenuOutputOptions));
  connect(options, &QAction::triggered, client_, &MainWindow::OutputOptionsCommand);
  menus[0]->addSeparator();
  QAction* exit = menus[0]->addAction("Exit(&X)");
  exit->setObjectName(QString::number(kMenuExit));
  connect(exit, &QAction::triggered, this, [this] {
    if (client_->Context().tables.BusyFlag != 1) close();
  });
  for (const Entry& e : kEntries) {
    if (e.id == 0) {
      menus[e.menu]->addSeparator();
      continue;
    }
    QAction* a = menus[e.menu]->addAction(QString::fromUtf8(e.text));
    a->setObjectName(QString::number(e.id));
    if (e.id == kMenuChapterListNew)
      connect(a, &QAction::triggered, client_, [this] { client_->ChapterListCommand(false); });
    else if (e.id == kMenuChapterListAppend)
      connect(a, &QAction::triggered, client_, [this] { client_->ChapterListCommand(true); });
    else
      connect(a, &QAction::triggered, client_, e.command);
  }
}

// No two controls of the window share a letter; should one ever be shared
// with a menu, Qt hands the key to each owner in turn, flagged ambiguous,
// and the key then presses the main window's button of that letter.
bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Shortcut) {
    auto* shortcut = static_cast<QShortcutEvent*>(event);
    if (shortcut->isAmbiguous()) {
      for (QPushButton* b : client_->findChildren<QPushButton*>()) {
        if (QKeySequence::mnemonic(b->text()) == shortcut->key()) {
          b->animateClick();
          return true;
        }
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainFrame::PlaceCentred() {
  QRect screen = this->screen()->availableGeometry();
  QRect outer = frameGeometry();
  move(screen.x() + (screen.width() - outer.width()) / 2,
       screen.y() + (screen.height() - outer.height()) / 2);
}

void MainFrame::closeEvent(QCloseEvent* event) {
  if (!client_->MayClose()) {
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::quit();
}

}  // namespace vm

// The desktop shell around the core: where the controls sit, the busy
// rule, the close check, the progress window's stop, the interval dialog
// and the keyboard, on synthetic title sets.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QMimeData>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "app/history.h"
#include "app/shell_settings.h"
#include "app/message_boxes.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/time_list_model.h"
#include "app/time_list_view.h"
#include "app/verify_report.h"
#include "author/author_state.h"
#include "shell_common/dialog_template.h"
#include "shell_common/program_icon.h"
#include "shell_common/window_geometry.h"
#include "tests/support_qt/modal_script.h"
#include "tests/support/real_titles.h"
#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"
#include "title/tables.h"

namespace vm {
namespace {

using testing::ModalScript;
using testing::TempDir;

TitleTables& SharedTables() {
  static TitleTables* t = new TitleTables();
  return *t;
}

// One frame over fresh tables, a history block and a program folder.
struct Shell {
  TempDir dir;
  HistoryBlock history{};
  std::string programFolder = dir / "program/";
  ShellSettings settings;
  std::string settingsPath = dir / "program/vobmarks.ini";
  std::unique_ptr<MainFrame> frame;

  explicit Shell(int vobus = 0, int packs = 4) {
    std::memset(static_cast<void*>(&SharedTables()), 0, sizeof(TitleTables));
    testing::RunCommand("mkdir -p '" + programFolder + "' '" + dir.path() + "in/VIDEO_TS'");
    SetHistoryDefaults(history, dir.path().c_str());
    history.PreviewEnable = 0;
    std::snprintf(history.InputFolderText, sizeof history.InputFolderText, "%s",
                  (dir.path() + "in/VIDEO_TS/").c_str());
    std::snprintf(history.OutputFolderText, sizeof history.OutputFolderText, "%s",
                  (dir.path() + "out/VIDEO_TS/").c_str());
    if (vobus > 0) {
      testing::SynthTitleSet set(dir.path() + "in/VIDEO_TS/");
      set.WriteIfos({0});
      set.WriteVob("VTS_01_1.VOB", testing::EvenVobus(vobus, packs, {0, vobus / 2}));
    }
    frame = std::make_unique<MainFrame>(ShellContext{SharedTables(), Author(), history,
                                                     programFolder.c_str(), &settings,
                                                     settingsPath.c_str()});
    frame->Client()->ResetForStart();
    frame->show();
  }
  MainWindow& w() { return *frame->Client(); }
  TitleTables& t() { return SharedTables(); }
  template <typename T>
  T* Find(const QString& name) {
    return frame->findChild<T*>(name);
  }
  QPushButton* Button(int id) { return Find<QPushButton>(QString::number(id)); }
  QAction* Menu(int id) { return Find<QAction>(QString::number(id)); }
};

struct Place {
  int id;
  int x, y, w, h;
};

TEST(MainWindow, ControlsSitWhereTheTemplatePutsThem) {
  Shell s;
  const Place kPlaces[] = {
      {201, 10, 17, 45, 10},  {202, 55, 17, 35, 10},  {123, 90, 15, 15, 12},
      {124, 105, 15, 15, 12}, {114, 10, 32, 110, 200}, {203, 10, 235, 60, 10},
      {119, 90, 233, 15, 12}, {120, 105, 233, 15, 12}, {103, 135, 18, 175, 12},
      {104, 315, 17, 45, 14}, {101, 135, 36, 90, 14},  {102, 135, 75, 70, 14},
      {134, 135, 91, 70, 14}, {125, 135, 107, 70, 14}, {105, 135, 135, 70, 14},
      {118, 135, 165, 70, 14}, {107, 230, 75, 65, 14}, {121, 230, 107, 65, 14},
      {113, 135, 209, 175, 12}, {111, 315, 208, 45, 14}, {112, 135, 227, 100, 14},
      {2, 300, 227, 60, 14},
  };
  DialogUnits du(DialogFont());
  for (const Place& p : kPlaces) {
    QWidget* c = s.Find<QWidget>(QString::number(p.id));
    ASSERT_NE(c, nullptr) << p.id;
    EXPECT_EQ(c->geometry(), du.Rect(p.x, p.y, p.w, p.h)) << p.id;
  }
  EXPECT_EQ(s.w().size(), QSize(du.X(370), du.Y(250)));
  EXPECT_EQ(s.frame->minimumSize(), s.frame->maximumSize());
  EXPECT_FALSE(s.frame->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(s.frame->objectName(), "VOBMARKS:MAIN");
  EXPECT_EQ(s.frame->windowTitle(), "VobMarks Ver 1.10 (English)");
  EXPECT_EQ(s.Button(101)->text(), "Read VOB files(&R)");
  EXPECT_EQ(s.Find<QLabel>("201")->text().toStdString(), "S:00001 \xE3\x80\x9C");
  EXPECT_EQ(s.Find<QLabel>("203")->text(), "Size: 0.000 GB");
  EXPECT_EQ(s.Find<QLineEdit>("113")->text().toStdString(), s.history.OutputFolderText);

  // The menu, in order, with the chapter-file entries after a separator.
  std::vector<std::string> seen;
  for (QAction* menu : s.frame->menuBar()->actions()) {
    seen.push_back(menu->text().toStdString());
    for (QAction* a : menu->menu()->actions())
      seen.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  }
  const std::vector<std::string> kMenu = {
      "&File", "Output options(&O)...", "-", "Exit(&X)", "&Chapter", "Interval(&C)...", "Chapter list [New] (&N)",
      "Chapter list [Append] (&A)", "-", "Import chapters(&I)...", "Export chapters(&E)...",
      "-", "Chapters at scene cuts(&S)...", "Snap chapters to cuts(&P)...", "Chapter pictures(&V)",
      "&Help", "&Help", "-", "Version(&A)..."};
  EXPECT_EQ(seen, kMenu);

  // The program's icon on the frame, the dialogs and in the version box.
  const QImage icon = ProgramIcon().pixmap(16, 16).toImage();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(s.frame->windowIcon().pixmap(16, 16).toImage(), icon);
  ModalScript script;
  QImage shown;
  script.OnDialog([&](QDialog* d) {
    EXPECT_EQ(d->windowIcon().pixmap(16, 16).toImage(), icon);
    shown = d->findChild<QLabel*>("icon")->pixmap().toImage();
    d->reject();
  });
  s.Menu(kMenuVersion)->trigger();
  EXPECT_EQ(shown, ProgramIcon().pixmap(shown.size()).toImage());
}

TEST(MainWindow, ReadFillsTheListAndEveryCommandIsDroppedWhileBusy) {
  Shell s(40);
  s.w().ReadTitle();
  ASSERT_EQ(s.t().TimeListNum, 40);
  EXPECT_EQ(s.w().Model()->rowCount(), 40);
  EXPECT_EQ(s.w().CaretLine(), 0);
  EXPECT_EQ(s.Find<QLabel>("202")->text(), "E:00040");
  EXPECT_EQ(std::string(s.history.InputFolder), s.dir.path() + "in/VIDEO_TS/");
  EXPECT_EQ(s.w().Model()->data(s.w().Model()->index(20), Qt::DisplayRole).toString(),
            QString::fromLatin1(s.t().Line[20]));

  const std::string before(reinterpret_cast<const char*>(s.t().TimeListFlags), 40);
  s.t().BusyFlag = 1;
  ModalScript script;
  for (int id : {101, 104, 111, 112, 102, 134, 125, 123, 124, 119, 120, 105, 118, 107, 121, 2})
    s.Button(id)->click();
  for (int id : {1050, 1310, 1320, 1330, 1340, 1350, 1910, 1920}) s.Menu(id)->trigger();
  QTest::mouseDClick(s.w().TimeList()->viewport(), Qt::LeftButton);
  EXPECT_FALSE(s.frame->close());
  EXPECT_TRUE(script.boxes.empty());
  EXPECT_EQ(script.dialogsSeen, 0);
  EXPECT_TRUE(s.frame->isVisible());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.t().TimeListFlags), 40), before);
  EXPECT_FALSE(testing::RunCommand("test -e '" + s.programFolder + "TMP1.MPG'") == 0);
  s.t().BusyFlag = 0;
}

TEST(MainWindow, CloseAsksOnlyAfterARead) {
  {
    Shell s;
    ModalScript script;
    EXPECT_TRUE(s.frame->close());
    EXPECT_TRUE(script.boxes.empty());
  }
  Shell s(6);
  s.w().ReadTitle();
  ModalScript script;
  script.AnswerBoxes({QMessageBox::No, QMessageBox::Yes});
  EXPECT_FALSE(s.frame->close());
  EXPECT_TRUE(s.frame->isVisible());
  EXPECT_TRUE(s.frame->close());
  ASSERT_EQ(script.boxes.size(), 2u);
  EXPECT_EQ(script.boxes[0].caption, "Confirm");
  EXPECT_EQ(script.boxes[0].text, "Exit or not ?");
}

TEST(MainWindow, ClosingTheProgressWindowStopsARead) {
  Shell s(3000);
  bool closedOne = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* p = dynamic_cast<ProgressWindow*>(w);
      if (p != nullptr && p->isVisible() && !closedOne) {
        EXPECT_EQ(p->windowTitle(), "VOB files reading");
        p->close();
        closedOne = true;
      }
    }
  });
  closer.start(0);
  ModalScript script;
  s.w().ReadTitle();
  EXPECT_TRUE(closedOne);
  EXPECT_EQ(s.t().TimeListNum, 0);
  EXPECT_EQ(s.t().BusyFlag, 0);
  EXPECT_EQ(s.w().Model()->rowCount(), 0);
}

TEST(MainWindow, TheProgressWindowIsCentredOnTheMainWindowAndShowsItsCaption) {
  Shell s(3000);
  s.frame->move(700, 400);
  QApplication::processEvents();
  QRect seen;
  QString caption;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* p = dynamic_cast<ProgressWindow*>(w);
      if (p != nullptr && p->isVisible() && seen.isNull()) {
        seen = p->frameGeometry();
        caption = p->windowTitle();
        p->close();
      }
    }
  });
  closer.start(0);
  ModalScript script;
  s.w().ReadTitle();
  ASSERT_FALSE(seen.isNull());
  const QRect owner = ScreenRect(&s.w());
  EXPECT_GT(owner.left(), 600);  // the client, where the frame put it
  EXPECT_LE(std::abs(seen.center().x() - owner.center().x()), 1);
  EXPECT_LE(std::abs(seen.center().y() - owner.center().y()), 1);
  EXPECT_EQ(caption, "VOB files reading");
  EXPECT_GE(seen.width(), CaptionWidth(caption));
}

TEST(MainWindow, MessageBoxesAreWideEnoughForTheirCaptions) {
  Shell s;
  std::vector<std::pair<QString, int>> seen;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen.emplace_back(box->windowTitle(), box->width());
      box->reject();
    }
  });
  answer.start(0);
  ShowErrorBox(&s.w(), "E");
  ShowConfirmBox(&s.w(), "?");
  ShowInformationBox(&s.w(), "Set OK.");
  ShowInformationBox(&s.w(), "Stopped.", Icon::Exclamation);
  ASSERT_EQ(seen.size(), 4u);
  const char* kCaptions[] = {"Error", "Confirm", "Information", "Information"};
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].first, kCaptions[i]);
    EXPECT_GE(seen[i].second, CaptionWidth(seen[i].first)) << kCaptions[i];
  }
}

TEST(MainWindow, ChapterFileCommandsSayNothingIsReadBeforeAskingForAFile) {
  Shell s;
  ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  s.Menu(kMenuImportChapters)->trigger();
  s.Menu(kMenuExportChapters)->trigger();
  s.Menu(kMenuChapterPictures)->trigger();
  EXPECT_EQ(script.Texts(), (std::vector<std::string>{"Input data is none.", "Input data is none.",
                                                      "Input data is none."}));
  EXPECT_EQ(script.dialogsSeen, 0);
  EXPECT_EQ(s.w().Pictures(), nullptr);
}

// Types a value into the interval dialog and presses "&Set".
ModalScript::DialogStep TypeInterval(const char* text) {
  return [text](QDialog* d) {
    d->findChild<QLineEdit*>("101")->setText(text);
    d->findChild<QPushButton*>("1")->click();
  };
}

TEST(MainWindow, IntervalDialogRefusesOutOfRangeValuesAndStaysOpen) {
  Shell s(200);
  s.w().ReadTitle();
  {
  ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  std::string shown;
  script.OnDialog([&](QDialog* d) {
    shown = d->findChild<QLineEdit*>("101")->text().toStdString();
    TypeInterval("29")(d);
  });
  for (const char* text : {"601", "abc"}) script.OnDialog(TypeInterval(text));
  script.OnDialog(TypeInterval(" 45sec"));
  s.Menu(kMenuInterval)->trigger();
  EXPECT_EQ(shown, "180");
  const std::vector<std::string> kTexts = {
      "Set a value of the range 30 to 600.", "Set a value of the range 30 to 600.",
      "Set a value of the range 30 to 600.", "Set OK."};
  EXPECT_EQ(script.Texts(), kTexts);
  EXPECT_EQ(s.t().ChapterInterval, 45);
  int marks = 0;
  for (int i = 0; i < s.t().TimeListNum; ++i) marks += (s.t().TimeListFlags[i] & TL_CHAPTER) != 0;
  EXPECT_EQ(marks, 2);  // 100 s of rows, a mark after every 45 s
  EXPECT_EQ(s.t().Line[91][1], '>');
  }

  // Cancel stores nothing and marks nothing.
  ModalScript cancel;
  s.Menu(kMenuInterval)->trigger();
  EXPECT_EQ(cancel.dialogsSeen, 1);
  EXPECT_TRUE(cancel.boxes.empty());
  EXPECT_EQ(s.t().ChapterInterval, 45);
}

// Alt+key as a user types it; a button's mnemonic clicks it after a short
// animation.
void PressMnemonic(Shell& s, Qt::Key key) {
  QTest::keyClick(s.frame->windowHandle(), key, Qt::AltModifier);
  QTest::qWait(250);
}

TEST(MainWindow, KeyboardReadsTogglesAndCreates) {
  Shell s(30);
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  ModalScript script;
  script.defaultAnswer = QMessageBox::Yes;
  PressMnemonic(s, Qt::Key_R);
  ASSERT_EQ(s.t().TimeListNum, 30);
  EXPECT_TRUE(s.w().TimeList()->hasFocus() || !QApplication::focusWidget());
  QTest::keyClick(s.w().TimeList(), Qt::Key_Down);
  QTest::keyClick(s.w().TimeList(), Qt::Key_Down);
  EXPECT_EQ(s.w().CaretLine(), 2);
  s.Button(kIdChapterToggle)->click();
  EXPECT_EQ(s.t().Line[2][1], '>');
  EXPECT_EQ(s.w().CaretLine(), 2);
  PressMnemonic(s, Qt::Key_G);
  ASSERT_FALSE(script.boxes.empty());
  EXPECT_EQ(script.boxes.back().text, "Normal End.");
  // The volume is the one the command line writes for the same edit.
  const std::string in = s.dir.path() + "in/VIDEO_TS/", out = s.dir.path() + "out/VIDEO_TS/",
                    cli = s.dir.path() + "cli/VIDEO_TS/";
  ASSERT_EQ(testing::RunCommand(std::string(VM_CLI_PATH) + " --yes author '" + in + "' '" + cli +
                                "' --toggle 3 >/dev/null 2>&1 </dev/null"),
            0);
  for (const char* name : {"VTS_01_1.VOB", "VTS_01_0.IFO", "VTS_01_0.BUP", "VIDEO_TS.IFO"}) {
    const std::string written = testing::ReadFile(out + name);
    EXPECT_FALSE(written.empty()) << name;
    EXPECT_TRUE(written == testing::ReadFile(cli + name)) << name;
  }
  PressMnemonic(s, Qt::Key_X);
  EXPECT_EQ(script.boxes.back().text, "Exit or not ?");
  EXPECT_FALSE(s.frame->isVisible());
}

TEST(MainWindow, AltWithALetterNeverTypesAndEnterPressesTheFocusedButton) {
  Shell s(3);
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  QLineEdit* input = s.Find<QLineEdit>("103");
  input->setFocus();
  const QString before = input->text();
  for (Qt::Key key : {Qt::Key_Q, Qt::Key_Z, Qt::Key_1}) PressMnemonic(s, key);
  EXPECT_EQ(input->text(), before);

  // In the settings dialog, opened with Enter on its focused button.
  ModalScript script;
  QString typed;
  bool cancelled = false;
  script.OnDialog([&](QDialog* d) {
    auto* path = d->findChild<QLineEdit*>("101");
    path->setFocus();
    path->setText("/x/fakeplayer.sh");
    QTest::keyClick(d->windowHandle(), Qt::Key_E, Qt::AltModifier);
    typed = path->text();
    // A mnemonic still works: Alt+C is "&Cancel".
    QTest::keyClick(d->windowHandle(), Qt::Key_C, Qt::AltModifier);
    QTest::qWait(250);
    cancelled = !d->isVisible();
    if (!cancelled) d->reject();
  });
  s.Button(kIdSettings)->setFocus();
  QTest::keyClick(s.Button(kIdSettings), Qt::Key_Return);
  EXPECT_EQ(script.dialogsSeen, 1);
  EXPECT_EQ(typed, "/x/fakeplayer.sh");
  EXPECT_TRUE(cancelled);
}

// Every button and heading of the window has a letter, none shared with
// another control or a menu of the bar; Alt+H opens the Help menu (which
// holds the version box), Alt+E presses the Help button, and a heading's
// letter puts the focus into its field.
TEST(MainWindow, EveryControlHasALetterOfItsOwn) {
  Shell s(3);
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  std::map<int, std::string> owners;
  auto take = [&](const QString& text, const std::string& who) {
    const int key = QKeySequence::mnemonic(text)[0].toCombined() & ~Qt::AltModifier;
    EXPECT_NE(key, 0) << who << " has no letter";
    EXPECT_TRUE(owners.emplace(key, who).second) << who << " shares its letter with " << owners[key];
  };
  for (QAction* menu : s.frame->menuBar()->actions()) take(menu->text(), menu->text().toStdString());
  // The small jump buttons beside the list are reached with Tab.
  const std::set<int> kJumpButtons = {kIdCellUp, kIdCellDown, kIdChapterUp, kIdChapterDown};
  for (QPushButton* b : s.w().findChildren<QPushButton*>())
    if (!kJumpButtons.count(b->objectName().toInt())) take(b->text(), b->objectName().toStdString());
  for (const char* heading : {"timeListHeading", "inputHeading", "outputHeading"})
    take(s.Find<QLabel>(heading)->text(), heading);
  EXPECT_EQ(owners.size(), 3u + 12u + 3u);

  int helps = 0;
  QObject::disconnect(s.Button(kIdHelp), &QPushButton::clicked, nullptr, nullptr);
  QObject::connect(s.Button(kIdHelp), &QPushButton::clicked, [&] { ++helps; });
  PressMnemonic(s, Qt::Key_E);
  EXPECT_EQ(helps, 1);
  QTest::keyClick(s.frame->windowHandle(), Qt::Key_H, Qt::AltModifier);
  QWidget* popup = QApplication::activePopupWidget();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->objectName(), "menuHelp");
  popup->close();
  EXPECT_EQ(helps, 1);
  const std::pair<Qt::Key, QWidget*> kFields[] = {{Qt::Key_U, s.Find<QLineEdit>("113")},
                                                  {Qt::Key_L, s.w().TimeList()},
                                                  {Qt::Key_D, s.Find<QLineEdit>("103")}};
  for (const auto& [key, field] : kFields) {
    PressMnemonic(s, key);
    EXPECT_TRUE(field->hasFocus()) << field->objectName().toStdString();
  }
}

// The focus starts in the input field; no button is drawn as a default
// one, so the focused control is the one that looks it.
TEST(MainWindow, FocusStartsInTheInputFieldAndNoButtonLooksDefault) {
  Shell s(3);
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  EXPECT_EQ(QApplication::focusWidget(), s.Find<QLineEdit>("103"));
  for (QPushButton* b : s.w().findChildren<QPushButton*>())
    EXPECT_FALSE(b->isDefault()) << b->objectName().toStdString();
  // Enter in the field still reads.
  QTest::keyClick(s.Find<QLineEdit>("103"), Qt::Key_Return);
  EXPECT_EQ(s.t().TimeListNum, 3);
}

// Dropping a VIDEO_TS folder, the folder holding it, or one of its files
// fills the input field and reads; anything else is not taken.
TEST(MainWindow, DroppedFolderOrFileIsRead) {
  Shell s(5);
  const std::string folder = s.dir.path() + "in/VIDEO_TS";
  ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  struct Drop {
    std::string path;
    bool taken;
  } drops[] = {{folder + "/VTS_01_1.VOB", true},
               {folder, true},
               {s.dir.path() + "in", true},
               {s.dir.path() + "nothing-here", false}};
  for (const Drop& d : drops) {
    std::memset(static_cast<void*>(&SharedTables()), 0, sizeof(TitleTables));
    s.Find<QLineEdit>("103")->setText("/elsewhere");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(d.path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s.w(), &enter);
    EXPECT_TRUE(enter.isAccepted()) << d.path;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s.w(), &drop);
    QTest::qWait(20);
    EXPECT_EQ(s.t().TimeListNum, d.taken ? 5 : 0) << d.path;
    EXPECT_EQ(s.Find<QLineEdit>("103")->text().toStdString(), d.taken ? folder : "/elsewhere")
        << d.path;
  }
  // The fields leave drops to the window, which reads them.
  for (const char* field : {"103", "113"}) EXPECT_FALSE(s.Find<QLineEdit>(field)->acceptDrops());
  // While busy a drop is refused before it lands.
  s.t().BusyFlag = 1;
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&s.w(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  s.t().BusyFlag = 0;
  EXPECT_TRUE(script.boxes.empty());
}

// Sets the output options dialog's fields and presses "&Set"; `regions`
// ticks regions 1..8.
struct OptionsTyped {
  bool image;
  std::string path, volume;
  int region;
  std::vector<int> regions;
  std::string audio, subpicture;
  bool verify, whole;
};

ModalScript::DialogStep TypeOptions(const OptionsTyped& o) {
  return [o](QDialog* d) {
    d->findChild<QCheckBox*>("101")->setChecked(o.image);
    d->findChild<QLineEdit*>("102")->setText(QString::fromStdString(o.path));
    d->findChild<QLineEdit*>("104")->setText(QString::fromStdString(o.volume));
    d->findChild<QComboBox*>("105")->setCurrentIndex(o.region);
    for (int r = 1; r <= 8; ++r)
      d->findChild<QCheckBox*>(QString::number(110 + r))
          ->setChecked(std::find(o.regions.begin(), o.regions.end(), r) != o.regions.end());
    d->findChild<QLineEdit*>("106")->setText(QString::fromStdString(o.audio));
    d->findChild<QLineEdit*>("107")->setText(QString::fromStdString(o.subpicture));
    d->findChild<QCheckBox*>("108")->setChecked(o.verify);
    d->findChild<QCheckBox*>("109")->setChecked(o.whole);
    d->findChild<QPushButton*>("1")->click();
  };
}

// "Output options" from the File menu by its keys: defaults that write
// what is written without them, each refusal with its message (the dialog
// staying open), the choices kept in the settings file; then "Create DVD
// Image" writes the region mask, the disc image and shows the check.
TEST(MainWindow, OutputOptionsAreRefusedKeptAndWritten) {
  Shell s(30);
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  const std::string iso = s.dir / "disc.iso";
  ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  std::string shown;
  OptionsTyped good{true, iso, "MY_DVD", 2, {1, 4}, "1", "", true, false};
  script.OnDialog([&](QDialog* d) {
    shown = d->windowTitle().toStdString() + "|" +
            std::to_string(d->findChild<QCheckBox*>("101")->isChecked()) + "|" +
            d->findChild<QLineEdit*>("104")->text().toStdString() + "|" +
            d->findChild<QComboBox*>("105")->currentText().toStdString() + "|" +
            d->findChild<QLineEdit*>("106")->text().toStdString() + "|" +
            std::to_string(d->findChild<QCheckBox*>("108")->isChecked()) +
            std::to_string(d->findChild<QCheckBox*>("109")->isChecked());
    OptionsTyped relative = good;
    relative.path = "disc.iso";
    TypeOptions(relative)(d);
  });
  for (auto bad : {&OptionsTyped::volume, &OptionsTyped::audio, &OptionsTyped::subpicture}) {
    script.OnDialog([good, bad](QDialog* d) {
      OptionsTyped o = good;
      o.*bad = bad == &OptionsTyped::volume ? "my dvd" : bad == &OptionsTyped::audio ? "8" : "1,x";
      TypeOptions(o)(d);
    });
  }
  script.OnDialog([good](QDialog* d) {
    OptionsTyped o = good;
    o.regions = {};
    TypeOptions(o)(d);
  });
  script.OnDialog(TypeOptions(good));
  QTest::keyClick(s.frame->windowHandle(), Qt::Key_F, Qt::AltModifier);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O);
  EXPECT_EQ(shown, "Output options|0|DVD_VIDEO|As the source||00");
  const std::vector<std::string> kRefusals = {
      "Disc image file must be a full path name (e.g. /home/user/dvd.iso).",
      "Volume name must be 1 to 32 of A-Z, 0-9 and _.",
      "Audio streams to leave out: set numbers 0 to 7 separated by commas (e.g. 1,2), or nothing.",
      "Subpicture streams to leave out: set numbers 0 to 31 separated by commas (e.g. 1,2), or "
      "nothing.",
      "Select at least one region."};
  EXPECT_EQ(script.Texts(), kRefusals);
  EXPECT_EQ(script.dialogsSeen, 6);

  ShellSettings stored;
  LoadShellSettings(stored, s.settingsPath.c_str());
  for (const ShellSettings* k : {&s.settings, &stored}) {
    EXPECT_EQ(k->WriteImage, 1);
    EXPECT_EQ(std::string(k->ImagePath), iso);
    EXPECT_EQ(std::string(k->VolumeId), "MY_DVD");
    EXPECT_EQ(k->Region, kRegionListed);
    EXPECT_EQ(k->RegionsPlaying, 0x09u);
    EXPECT_EQ(k->DropAudio, 0x02u);
    EXPECT_EQ(k->Verify, 1);
  }

  // Written: the mask keeps regions 2, 3, 5..8 from playing; the image is
  // made and checked; the check's report is one message.
  s.w().SetVerifyProgram(VM_CLI_PATH);
  script.defaultAnswer = QMessageBox::Yes;
  script.boxes.clear();
  s.w().ReadTitle();
  s.w().CreateVolumeCommand();
  const std::vector<std::string> texts = script.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], "Normal End.");
  EXPECT_EQ(texts.back().rfind("The written volume is checked: ", 0), 0u) << texts.back();
  EXPECT_NE(texts.back().find("Volume: " + iso), std::string::npos) << texts.back();
  const std::string vmg = testing::ReadFile(s.dir.path() + "out/VIDEO_TS/VIDEO_TS.IFO");
  ASSERT_GT(vmg.size(), 0x23u);
  EXPECT_EQ(static_cast<uint8_t>(vmg[0x23]), 0xF6);
  EXPECT_GT(testing::ReadFile(iso).size(), 32768u);

  // An image that would land in the input folder is refused before
  // anything is written.
  std::snprintf(s.settings.ImagePath, sizeof s.settings.ImagePath, "%s",
                (s.dir.path() + "in/VIDEO_TS/disc.iso").c_str());
  testing::RunCommand("rm -rf '" + s.dir.path() + "out'");
  script.boxes.clear();
  s.w().CreateVolumeCommand();
  EXPECT_EQ(script.Texts(), (std::vector<std::string>{
                                "Can't create " + s.dir.path() +
                                "in/VIDEO_TS/disc.iso: the disc image would be written into the "
                                "input folder."}));
  EXPECT_NE(testing::RunCommand("test -e '" + s.dir.path() + "out'"), 0);
}

// The check's message: its first line says what came of it, a long report
// is cut with a note of what is left out.
TEST(MainWindow, VerifyReportMessages) {
  struct Case {
    VerifyOutcome outcome;
    bool error;
    std::string starts;
  } cases[] = {
      {{false, false, 0, {}}, true, "The written volume is not checked: /x/vobmarks-cli is not found"},
      {{true, true, 0, {}}, true, "The check of the written volume ended abnormally"},
      {{true, false, 0, "Volume: /o\nSound.\n"}, false,
       "The written volume is checked: sound.\n\nVolume: /o\nSound."},
      {{true, false, 1, "Fault: x\n"}, true, "The written volume is checked: faults are found.\n\nFault: x"},
      {{true, false, 2, "no"}, true, "The written volume is not checked: vobmarks-cli was built without"},
  };
  for (const Case& c : cases) {
    bool error = !c.error;
    const std::string text = VerifyMessage(c.outcome, "/x/vobmarks-cli", error).toStdString();
    EXPECT_EQ(text.rfind(c.starts, 0), 0u) << text;
    EXPECT_EQ(error, c.error) << text;
  }
  VerifyOutcome many{true, false, 1, {}};
  for (int i = 0; i < kVerifyReportLines + 5; ++i) many.output += "Fault: line\n";
  bool error = false;
  const QStringList lines = VerifyMessage(many, "v", error).split('\n');
  EXPECT_EQ(lines.size(), 2 + kVerifyReportLines + 1);
  EXPECT_EQ(lines.back().toStdString(), "(5 more lines: run \"vobmarks-cli verify\" to see them all)");
}

// The check run from the window: its report in one message, a program
// that is not there named, and the progress window's close box ending a
// check that runs on.
TEST(MainWindow, VerifyRunsWithoutAShellAndStopsWhenItsWindowCloses) {
  Shell s;
  const std::string sound = s.dir / "sound.sh", slow = s.dir / "slow.sh";
  testing::RunCommand("printf '#!/bin/sh\\necho \"Volume: $2\"\\necho Sound.\\n' > '" + sound +
                      "'; printf '#!/bin/sh\\nexec sleep 20\\n' > '" + slow + "'; chmod +x '" +
                      sound + "' '" + slow + "'");
  ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  int32_t busy = 0;
  RunVerifyReport(s.w().Messages(), QString::fromStdString(sound), "/o/dvd it.iso", busy);
  RunVerifyReport(s.w().Messages(), QString::fromStdString(s.dir / "none"), "/o", busy);
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* p = dynamic_cast<ProgressWindow*>(w);
      if (p != nullptr && p->isVisible() && p->windowTitle() == "Volume checking") p->close();
    }
  });
  closer.start(200);
  QElapsedTimer took;
  took.start();
  RunVerifyReport(s.w().Messages(), QString::fromStdString(slow), "/o", busy);
  EXPECT_LT(took.elapsed(), 10000);
  EXPECT_EQ(busy, 0);
  const std::vector<std::string> kTexts = {
      "The written volume is checked: sound.\n\nVolume: /o/dvd it.iso\nSound.",
      "The written volume is not checked: " + (s.dir / "none") + " is not found or cannot be run.",
      "The check of the written volume is stopped."};
  EXPECT_EQ(script.Texts(), kTexts);
}

// A line of an entry past 99,999 has a sixth digit: it is drawn whole,
// its ")" clear of the scroll bar.
TEST(MainWindow, ASixDigitLineIsDrawnWhole) {
  Shell s(3);
  s.w().ReadTitle();
  ASSERT_EQ(s.t().TimeListNum, 3);
  std::snprintf(s.t().Line[1], sizeof s.t().Line[1], " >*123456 (23:59:59.999)");
  s.w().Model()->AllRowsChanged();
  QWidget* viewport = s.w().TimeList()->viewport();
  const QImage picture = viewport->grab().toImage();
  const int rowHeight = s.w().TimeList()->RowHeight();
  int rightmost = -1;
  for (int y = rowHeight; y < 2 * rowHeight && y < picture.height(); ++y)  // line 2, unselected
    for (int x = 0; x < picture.width(); ++x)
      if (qGray(picture.pixel(x, y)) < 96) rightmost = std::max(rightmost, x);
  ASSERT_GT(rightmost, 0);
  EXPECT_LT(rightmost, picture.width() - 2);
}

// The progress window's figures: the percentage, then the time left once
// the work has run a while.
TEST(MainWindow, ProgressShowsThePercentageAndTheTimeLeft) {
  Shell s;
  ProgressWindow p(&s.w());
  p.SetFraction(0, 0, BarColour::Blue);
  EXPECT_EQ(p.Figures(), "");
  p.SetFraction(21, 50, BarColour::Blue);
  EXPECT_EQ(p.Figures(), "42%");
  QTest::qWait(2100);
  p.SetFraction(50, 100, BarColour::Blue);
  const QString figures = p.Figures();
  EXPECT_TRUE(figures.startsWith("50%  0:0")) << figures.toStdString();
  EXPECT_TRUE(figures.endsWith(" left")) << figures.toStdString();
  p.SetFraction(100, 100, BarColour::Blue);
  EXPECT_EQ(p.Figures(), "100%");
}

// VTS video attributes (VTSI_MAT 0x200): MPEG-2 PAL and MPEG-2 NTSC.
constexpr size_t kVtsVideoAttributes = 0x200;
constexpr uint8_t kPalVideo = 0x50, kNtscVideo = 0x40;

TEST(MainWindow, ARefusedReadLeavesTheTitleOfTheLastGoodOne) {
  Shell s(6);
  {
    testing::SynthTitleSet pal(s.dir.path() + "in/VIDEO_TS/");
    testing::Bytes vts = testing::BuildVtsIfo({testing::PgcOfCells({0})});
    vts[kVtsVideoAttributes] = kPalVideo;
    pal.WriteFile("VTS_01_0.IFO", vts);
    // A folder of two titles whose title set is NTSC.
    testing::RunCommand("mkdir -p '" + s.dir.path() + "multi/'");
    testing::SynthTitleSet multi(s.dir.path() + "multi/");
    multi.WriteFile("VIDEO_TS.IFO", testing::BuildVmgIfo(2, 1));
    vts[kVtsVideoAttributes] = kNtscVideo;
    multi.WriteFile("VTS_01_0.IFO", vts);
  }
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  ModalScript script;
  script.defaultAnswer = QMessageBox::Yes;
  QLineEdit* input = s.Find<QLineEdit>("103");
  input->setFocus();
  QTest::keyClick(input, Qt::Key_Return);
  ASSERT_EQ(s.t().TimeListNum, 6);
  input->setFocus();
  input->setText(QString::fromStdString(s.dir.path() + "multi/"));
  QTest::keyClick(input, Qt::Key_Return);
  ASSERT_EQ(script.Texts().back(), "Number of titles is not 1 (Multi title not supported).");
  EXPECT_EQ(s.t().TimeListNum, 6);
  EXPECT_EQ(s.w().Model()->rowCount(), 6);
  EXPECT_EQ(std::string(s.history.InputFolder), s.dir.path() + "in/VIDEO_TS/");
  PressMnemonic(s, Qt::Key_G);
  EXPECT_EQ(script.Texts().back(), "Normal End.");
  const std::string written = testing::ReadFile(s.dir.path() + "out/VIDEO_TS/VTS_01_0.IFO");
  ASSERT_GT(written.size(), kVtsVideoAttributes);
  EXPECT_EQ(static_cast<uint8_t>(written[kVtsVideoAttributes]), kPalVideo);
}

TEST(MainWindow, FolderTextsLongerThanAPathAreRefusedWhereTheyEnter) {
  Shell s(3);
  const std::string before = s.history.InputFolderText;
  const std::string tooLong = "/" + std::string(259, 'a');
  s.Find<QLineEdit>("103")->setText(QString::fromStdString(tooLong));
  s.Find<QLineEdit>("113")->setText(QString::fromStdString(tooLong));
  ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  s.w().ReadTitle();
  s.w().CreateVolumeCommand();
  const std::vector<std::string> kTexts = {
      "Input folder name is too long (260 bytes; at most 259).",
      "Output folder name is too long (260 bytes; at most 259)."};
  EXPECT_EQ(script.Texts(), kTexts);
  EXPECT_EQ(s.history.InputFolderText, before);
  EXPECT_EQ(s.t().TimeListNum, 0);
  // 259 bytes fit and reach the read, which reports the folder it cannot use.
  s.Find<QLineEdit>("103")->setText(QString::fromStdString(tooLong.substr(0, 259)));
  s.w().ReadTitle();
  EXPECT_EQ(std::string(s.history.InputFolderText), tooLong.substr(0, 259));
}

TEST(MainWindow, ChapterFilesGoOutAndComeBack) {
  Shell s(120);
  s.w().ReadTitle();
  for (int entry : {30, 75}) {
    s.w().SelectEntry(entry);
    s.w().ToggleChapterCommand();
  }
  const std::string marked(reinterpret_cast<const char*>(s.t().TimeListFlags), 120);
  ModalScript script;
  script.defaultAnswer = QMessageBox::Yes;
  // No extension typed: the chosen form's own is added.
  s.w().ExportChaptersFile(QString::fromStdString(s.dir / "chapters"), 2);
  const std::string xml = testing::ReadFile(s.dir / "chapters.xml");
  EXPECT_NE(xml.find("<ChapterTimeStart>"), std::string::npos);

  s.Button(kIdClearChapters)->click();
  s.w().ImportChaptersFile(QString::fromStdString(s.dir / "chapters.xml"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.t().TimeListFlags), 120), marked);
  EXPECT_EQ(s.t().Line[75][1], '>');
  EXPECT_EQ(script.boxes.back().text, "Set OK.");
}

TEST(MainWindow, ShiftSelectionReachesLinesScrolledOutOfView) {
  Shell s(400);
  s.w().ReadTitle();
  s.w().SelectEntry(5);
  for (int i = 0; i < 60; ++i) QTest::keyClick(s.w().TimeList(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_GT(s.w().TopLine(), 5);  // the first selected line is out of view
  const QModelIndexList rows = s.w().TimeList()->selectionModel()->selectedRows();
  ASSERT_EQ(rows.size(), 61);
  int first = 400, last = -1;
  for (const QModelIndex& i : rows) first = std::min(first, i.row()), last = std::max(last, i.row());
  EXPECT_EQ(first, 5);
  EXPECT_EQ(last, 65);
  EXPECT_EQ(s.w().CaretLine(), 65);
}

TEST(MainWindow, JumpButtonsStartFromTheTopLine) {
  Shell s(400);  // cell starts at entries 0 and 200
  s.w().ReadTitle();
  s.w().SelectEntry(350);  // the caret far below the top line
  s.w().MakeTopLine(10);
  s.Button(kIdCellDown)->click();
  EXPECT_EQ(s.w().CaretLine(), 200);
  EXPECT_EQ(s.w().TopLine(), 200);
  s.Button(kIdCellDown)->click();  // nothing after the last cell start
  EXPECT_EQ(s.w().CaretLine(), 200);
  s.Button(kIdCellUp)->click();
  EXPECT_EQ(s.w().CaretLine(), 0);
}

// A volume of three titles: Read opens "Title select" with the longest
// title selected, Enter reads it (its number beside S: and E:), Alt+G
// writes it alone as the command line does; Esc ends a read with nothing
// changed.
TEST(RealTitleSelect, KeyboardReadsTheLongestTitleAndWritesIt) {
  const std::string in = testing::MultiTitleVolume(testing::MultiTitleKind::ThreeTitleSets);
  ASSERT_FALSE(in.empty());
  Shell s;
  s.Find<QLineEdit>("103")->setText(QString::fromStdString(in));
  QApplication::setActiveWindow(s.frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
  ModalScript script;
  std::string caption;
  int rows = 0, current = -1;
  script.OnDialog([&](QDialog* d) {
    caption = d->windowTitle().toStdString();
    auto* list = d->findChild<QListWidget*>("101");
    rows = list->count();
    current = list->currentRow();
    QTest::keyClick(list, Qt::Key_Return);
  });
  PressMnemonic(s, Qt::Key_R);
  EXPECT_EQ(caption, "Title select");
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(current, 1);
  EXPECT_EQ(s.t().ChosenTitle, 2);
  EXPECT_EQ(s.Find<QLabel>("204")->text(), "Title 2");
  ASSERT_GT(s.t().TimeListNum, 0);

  PressMnemonic(s, Qt::Key_G);
  ASSERT_FALSE(script.boxes.empty());
  EXPECT_EQ(script.boxes.back().text, "Normal End.");
  const std::string out = s.dir.path() + "out/VIDEO_TS/", cli = s.dir.path() + "cli/VIDEO_TS/";
  ASSERT_EQ(testing::RunCommand(std::string(VM_CLI_PATH) + " --yes author --title 2 '" + in + "' '" +
                                cli + "' >/dev/null 2>&1 </dev/null"),
            0);
  for (const char* name : {"VTS_01_1.VOB", "VTS_01_0.IFO", "VIDEO_TS.IFO"}) {
    const std::string written = testing::ReadFile(out + name);
    EXPECT_FALSE(written.empty()) << name;
    EXPECT_TRUE(written == testing::ReadFile(cli + name)) << name;
  }

  const int32_t entries = s.t().TimeListNum;
  script.OnDialog([](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
  PressMnemonic(s, Qt::Key_R);
  EXPECT_EQ(script.dialogsSeen, 2);
  EXPECT_EQ(s.t().TimeListNum, entries);
  EXPECT_EQ(s.t().ChosenTitle, 2);

  // Title 3 read with the whole disc ticked (Alt+W): the next read offers
  // title 3 again, the box ticked; the choice is kept in the settings file
  // and shown in "Output options" too.
  script.OnDialog([](QDialog* d) {
    QTest::keyClick(d->windowHandle(), Qt::Key_W, Qt::AltModifier);
    QTest::qWait(250);
    auto* list = d->findChild<QListWidget*>("101");
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
  });
  s.w().ReadTitle();
  EXPECT_EQ(s.t().ChosenTitle, 3);
  EXPECT_EQ(s.settings.WholeDisc, 1);
  bool ticked = false;
  script.OnDialog([&](QDialog* d) {
    current = d->findChild<QListWidget*>("101")->currentRow();
    ticked = d->findChild<QCheckBox*>("102")->isChecked();
    QTest::keyClick(d, Qt::Key_Escape);
  });
  s.w().ReadTitle();
  EXPECT_EQ(current, 2);
  EXPECT_TRUE(ticked);
  ShellSettings stored;
  LoadShellSettings(stored, s.settingsPath.c_str());
  EXPECT_EQ(stored.WholeDisc, 1);
  EXPECT_EQ(stored.LastTitle, 3);
  script.OnDialog([&](QDialog* d) {
    ticked = d->findChild<QCheckBox*>("109")->isChecked();
    d->reject();
  });
  s.Menu(kMenuOutputOptions)->trigger();
  EXPECT_TRUE(ticked);
}

// Beside the owner where the screen has room: right, else left, else the
// side with more room, always on the screen.
TEST(WindowGeometry, BesideTheOwnerWhereTheScreenAllows) {
  const QRect screen(0, 0, 1000, 800);
  const QSize size(300, 200);
  struct Case {
    QRect owner;
    QPoint at;
  } cases[] = {
      {QRect(100, 100, 400, 300), QPoint(500, 100)},  // right
      {QRect(600, 100, 350, 300), QPoint(300, 100)},  // left
      {QRect(150, 700, 700, 90), QPoint(700, 600)},   // neither: more room right, kept on screen
      {QRect(-50, -20, 100, 100), QPoint(50, 0)},     // top kept on the screen
  };
  for (const Case& c : cases) EXPECT_EQ(BesidePlace(c.owner, size, screen), c.at) << c.owner.x();
}

}  // namespace
}  // namespace vm

// The Chapter menu's scene-cut entries driven from the keyboard on a real
// title of three shots: the dialog with its values and its refusal of
// values out of range, the question, the marks; snapping; and the chapter
// pictures window following the marks.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/chapter_pictures_window.h"
#include "app/history.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/time_list_view.h"
#include "author/author_state.h"
#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"
#include "tests/support_qt/modal_script.h"
#include "title/tables.h"

namespace vm {
namespace {

using testing::ModalScript;

TitleTables& SharedTables() {
  static TitleTables* t = new TitleTables();
  return *t;
}

// Cuts at 4 and 8 s: a test pattern, colour bars, a flat colour.
std::string ThreeShots() {
  testing::RealTitleRecipe r;
  r.name = "shell-scenes";
  r.chapterSeconds = {};
  std::string g;
  const char* shots[] = {"testsrc=", "smptebars=", "color=c=0x3060a0:"};
  for (int i = 0; i < 3; ++i)
    g += std::string(shots[i]) + "size=720x480:rate=30000/1001,trim=duration=4,setpts=PTS-STARTPTS[s" +
         std::to_string(i) + "];";
  g += "[s0][s1][s2]concat=n=3:v=1:a=0[v]";
  return testing::RealTitleSet(r, g);
}

struct Shell {
  testing::TempDir dir;
  HistoryBlock history{};
  std::string programFolder = dir / "program/";
  std::unique_ptr<MainFrame> frame;

  explicit Shell(const std::string& input) {
    std::memset(static_cast<void*>(&SharedTables()), 0, sizeof(TitleTables));
    testing::RunCommand("mkdir -p '" + programFolder + "'");
    SetHistoryDefaults(history, dir.path().c_str());
    history.PreviewEnable = 0;
    std::snprintf(history.InputFolderText, sizeof history.InputFolderText, "%s", input.c_str());
    frame = std::make_unique<MainFrame>(
        ShellContext{SharedTables(), Author(), history, programFolder.c_str()});
    frame->Client()->ResetForStart();
    frame->show();
    QApplication::setActiveWindow(frame.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  }
  MainWindow& w() { return *frame->Client(); }
  TitleTables& t() { return SharedTables(); }
  std::vector<int> Marks() {
    std::vector<int> m;
    for (int i = 0; i < t().TimeListNum; ++i)
      if (t().TimeListFlags[i] & TL_CHAPTER) m.push_back(i);
    return m;
  }
  // Alt+C, then the entry's letter in the open menu.
  void ChapterMenu(Qt::Key entry) {
    QTest::keyClick(frame->windowHandle(), Qt::Key_C, Qt::AltModifier);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, entry);
  }
};

// Types into the dialog's fields as a person does (select all, type) and
// presses Enter.
ModalScript::DialogStep Type(std::vector<std::pair<const char*, const char*>> fields) {
  return [fields](QDialog* d) {
    for (const auto& [name, text] : fields) {
      QLineEdit* field = d->findChild<QLineEdit*>(name);
      field->setFocus();
      field->selectAll();
      QTest::keyClicks(field, text);
    }
    QTest::keyClick(d->focusWidget(), Qt::Key_Return);
  };
}

TEST(RealTitleSceneCommands, DialogQuestionMarksSnapAndPictures) {
  const std::string input = ThreeShots();
  ASSERT_FALSE(input.empty());
  Shell s(input);
  s.w().ReadTitle();
  ASSERT_GT(s.t().TimeListNum, 20);
  {
    ModalScript script;
    std::string shown;
    script.OnDialog([&](QDialog* d) {
      shown = d->windowTitle().toStdString() + " " +
              d->findChild<QLineEdit*>("101")->text().toStdString() + " " +
              d->findChild<QLineEdit*>("102")->text().toStdString();
      Type({{"101", "11"}})(d);
    });
    script.OnDialog(Type({{"101", "0"}}));
    script.OnDialog(Type({{"101", "7"}, {"102", "61"}}));
    script.OnDialog(Type({{"102", "3"}}));
    s.ChapterMenu(Qt::Key_S);
    EXPECT_EQ(shown, "Chapters at Scene Cuts 5 2");
    const std::vector<std::string> kTexts = {
        "Set a value of the range 1 to 10.", "Set a value of the range 1 to 10.",
        "Set a value of the range 1 to 60.",
        "Chapters are set at scene cuts. Previous chapters setting is cleared. Execute or not ?",
        "Set OK.\nScene cuts found: 2. Chapter marks set: 2."};
    EXPECT_EQ(script.Texts(), kTexts);
    // The keyboard is back on the list, its caret line framed.
    EXPECT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
    EXPECT_TRUE(s.w().TimeList()->hasFocus());
    EXPECT_GE(s.w().CaretLine(), 0);
  }
  const std::vector<int> cuts = s.Marks();
  ASSERT_EQ(cuts.size(), 2u);
  for (int c : cuts) {
    const int ms = 1000 * ((s.t().Line[c][16] - '0') * 10 + (s.t().Line[c][17] - '0'));
    EXPECT_TRUE(ms > 2500 && ms < 9500) << s.t().Line[c];
  }

  {  // The values are kept; "No" to the question changes nothing.
    ModalScript script;
    script.AnswerBoxes({QMessageBox::No});
    std::string shown;
    script.OnDialog([&](QDialog* d) {
      shown = d->findChild<QLineEdit*>("101")->text().toStdString() + " " +
              d->findChild<QLineEdit*>("102")->text().toStdString();
      Type({})(d);
    });
    s.w().ToggleChapterCommand();  // entry 0 marked
    s.ChapterMenu(Qt::Key_S);
    EXPECT_EQ(shown, "7 3");
    EXPECT_EQ(s.Marks().front(), 0);
  }

  {  // Snap: a mark two entries after the first cut comes back to it; a
     // value that is not a whole number is refused, not cut to its digits.
    ModalScript script;
    script.OnDialog(Type({{"101", "99"}}));
    script.OnDialog(Type({{"101", "2.5"}}));
    script.OnDialog(Type({{"101", "2"}}));
    for (int m : s.Marks()) {
      s.w().SelectEntry(m);
      s.w().ToggleChapterCommand();
    }
    s.w().SelectEntry(cuts[0] + 2);
    s.w().ToggleChapterCommand();
    s.ChapterMenu(Qt::Key_P);
    EXPECT_EQ(script.Texts(),
              (std::vector<std::string>{"Set a value of the range 1 to 60.",
                                        "Set a value of the range 1 to 60.",
                                        "Set OK.\nScene cuts found: 2. Chapter marks moved: 1 of 1."}));
    EXPECT_EQ(s.Marks(), (std::vector<int>{cuts[0]}));
  }

  {  // A gap of 60 s leaves no cut in a title of 12 s: the marks stay as
     // they were, and the message says so.
    ModalScript script;
    script.OnDialog(Type({{"102", "60"}}));
    s.ChapterMenu(Qt::Key_S);
    EXPECT_EQ(script.Texts().back(), "No scene cut is found. The chapters are left as they were.");
    EXPECT_EQ(s.Marks(), (std::vector<int>{cuts[0]}));
    EXPECT_TRUE(QTest::qWaitForWindowActive(s.frame.get()));
    EXPECT_TRUE(s.w().TimeList()->hasFocus());
  }

  // The pictures: the range start and each mark; a click selects the entry;
  // a new mark adds a tile. The window opens clear of the main window, the
  // first tile focused; arrows move the focus and Enter selects.
  s.ChapterMenu(Qt::Key_V);
  ChapterPicturesWindow* pictures = s.w().Pictures();
  ASSERT_NE(pictures, nullptr);
  EXPECT_TRUE(pictures->isVisible());
  ASSERT_EQ(pictures->TileCount(), 2);
  EXPECT_EQ(pictures->TileEntry(1), cuts[0]);
  const QRect screen = s.frame->screen()->availableGeometry();
  if (screen.width() >= s.frame->frameGeometry().width() + pictures->frameGeometry().width()) {
    EXPECT_FALSE(pictures->frameGeometry().intersects(s.frame->frameGeometry()));
  }
  QApplication::setActiveWindow(pictures);
  EXPECT_TRUE(QTest::qWaitForWindowActive(pictures));
  EXPECT_TRUE(pictures->Tile(0)->hasFocus());
  QTest::keyClick(pictures->Tile(0), Qt::Key_Right);
  ASSERT_TRUE(pictures->Tile(1)->hasFocus());
  QTest::keyClick(pictures->Tile(1), Qt::Key_Return);
  EXPECT_EQ(s.w().CaretLine(), cuts[0]);
  QTest::keyClick(pictures->Tile(1), Qt::Key_Left);
  QTest::keyClick(pictures->Tile(0), Qt::Key_Enter);
  EXPECT_EQ(s.w().CaretLine(), 0);
  pictures->Tile(1)->click();
  EXPECT_EQ(s.w().CaretLine(), cuts[0]);
  s.w().SelectEntry(cuts[1]);
  s.w().ToggleChapterCommand();
  QTest::qWait(50);
  ASSERT_EQ(pictures->TileCount(), 3);
  EXPECT_EQ(pictures->TileEntry(2), cuts[1]);
  EXPECT_EQ(pictures->Tile(2)->toolTip().left(3), "3  ");
}

}  // namespace
}  // namespace vm

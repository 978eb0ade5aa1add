// The folder and file pickers driven as a person would: rows pressed with
// the mouse, the buttons clicked, the result read from the caller's path.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "pickers/file_select_dialog.h"
#include "pickers/folder_select_dialog.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::TempDir;
using testing::WriteFile;

// Runs `script` on the modal dialog once its loop runs.
void WhenShown(std::function<void(QDialog*)> script) {
  QTimer::singleShot(0, [script] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    script(dialog);
    // A failed assertion leaves the script early: close the dialog anyway.
    if (dialog->isVisible()) dialog->reject();
  });
}

std::string Label(QDialog* d) { return d->findChild<QLabel*>("101")->text().toStdString(); }

std::vector<std::string> Rows(QDialog* d, const char* list) {
  std::vector<std::string> rows;
  auto* w = d->findChild<QListWidget*>(list);
  for (int i = 0; i < w->count(); ++i) rows.push_back(w->item(i)->text().toStdString());
  return rows;
}

// A left press on the row that shows `text`, as a click would start.
void Press(QDialog* d, const char* list, const std::string& text) {
  auto* w = d->findChild<QListWidget*>(list);
  auto found = w->findItems(QString::fromStdString(text), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text;
  w->scrollToItem(found[0]);
  QPoint at = w->visualItemRect(found[0]).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, w->viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->viewport(), &press);
}

void Click(QDialog* d, const char* button) { d->findChild<QPushButton*>(button)->click(); }

class Pickers : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"a", "a/b", "a/b/c", ".hidden", "home", "home/docs"})
      ASSERT_EQ(mkdir((tree_ / folder).c_str(), 0755), 0) << folder;
    const char* home = std::getenv("HOME");
    savedHome_ = home ? home : "";
    setenv("HOME", (tree_ / "home").c_str(), 1);
  }
  void TearDown() override { setenv("HOME", savedHome_.c_str(), 1); }

  TempDir tree_;
  std::string savedHome_;
};

TEST_F(Pickers, FolderWalkUpAndDownReturnsTheFolderWithSlash) {
  const std::string t = tree_.path();
  Path path;
  ASSERT_TRUE(path.Set((t + "a/b").c_str()));
  WhenShown([&](QDialog* d) {
    EXPECT_EQ(Label(d), t + "a/b/");
    EXPECT_EQ(Rows(d, "102"), (std::vector<std::string>{"..", "c"}));
    Press(d, "102", "..");  // already the selected row
    EXPECT_EQ(Label(d), t + "a/");
    Press(d, "102", "..");
    EXPECT_EQ(Label(d), t);
    EXPECT_EQ(Rows(d, "102"), (std::vector<std::string>{"..", ".hidden", "a", "home"}));
    Press(d, "102", ".hidden");
    EXPECT_EQ(Label(d), t + ".hidden/");
    EXPECT_EQ(Rows(d, "102"), std::vector<std::string>{".."});
    Press(d, "102", "..");
    Press(d, "102", "a");
    // The roots: "/" (which holds the tree), then the home folder.
    std::vector<std::string> roots = Rows(d, "103");
    ASSERT_GE(roots.size(), 2u);
    EXPECT_EQ(roots[0], "/");
    EXPECT_EQ(roots[1], t + "home/");
    EXPECT_EQ(d->findChild<QListWidget*>("103")->currentRow(), 0);
    Click(d, "1");
  });
  EXPECT_TRUE(RunFolderSelect(nullptr, "Input folder select", "/", path));
  EXPECT_EQ(std::string(path.c_str()), t + "a/");
}

TEST_F(Pickers, ADoubleClickIsOneStep) {
  const std::string t = tree_.path();
  Path path;
  ASSERT_TRUE(path.Set((t + "a/").c_str()));
  WhenShown([&](QDialog* d) {
    // "b" is row 1 of a/; after the step, row 1 of a/b/ is "c".
    auto* w = d->findChild<QListWidget*>("102");
    const QPoint at = w->visualItemRect(w->findItems("b", Qt::MatchExactly).at(0)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, at, w->viewport()->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                    Qt::NoModifier);
      QApplication::sendEvent(w->viewport(), &e);
    }
    EXPECT_EQ(Label(d), t + "a/b/");
    Click(d, "1");
  });
  EXPECT_TRUE(RunFolderSelect(nullptr, "Input folder select", "/", path));
  EXPECT_EQ(std::string(path.c_str()), t + "a/b/");
}

TEST_F(Pickers, FolderRootsAreEnteredWhereTheyWereLeft) {
  const std::string t = tree_.path();
  Path path;
  ASSERT_TRUE(path.Set((t + "home/docs/").c_str()));
  WhenShown([&](QDialog* d) {
    EXPECT_EQ(d->findChild<QListWidget*>("103")->currentItem()->text().toStdString(),
              t + "home/");
    Click(d, "104");  // "&Root:": the root that holds the path
    EXPECT_EQ(Label(d), t + "home/");
    Press(d, "102", "docs");
    Press(d, "103", "/");
    EXPECT_EQ(Label(d), "/");
    Press(d, "103", t + "home/");
    EXPECT_EQ(Label(d), t + "home/docs/");
    Click(d, "2");
  });
  EXPECT_FALSE(RunFolderSelect(nullptr, "Output folder select", "/", path));
  EXPECT_EQ(std::string(path.c_str()), t + "home/docs/");

  // An empty field opens at the root that holds the program folder; a
  // missing folder shows its path with an empty list and comes back as it was.
  path.clear();
  WhenShown([&](QDialog* d) {
    EXPECT_EQ(Label(d), t + "home/");
    Click(d, "2");
  });
  EXPECT_FALSE(RunFolderSelect(nullptr, "Input folder select", (t + "home/docs/").c_str(), path));
  EXPECT_TRUE(path.empty());
  ASSERT_TRUE(path.Set((t + "missing").c_str()));
  WhenShown([&](QDialog* d) {
    EXPECT_TRUE(Rows(d, "102").empty());
    Click(d, "1");
  });
  EXPECT_TRUE(RunFolderSelect(nullptr, "Input folder select", "/", path));
  EXPECT_EQ(std::string(path.c_str()), t + "missing/");
}

TEST_F(Pickers, FolderStepPastTheBoundIsRefused) {
  const std::string t = tree_.path();
  const std::string deep = t + std::string(229 - t.size(), 'd') + "/";  // 230 bytes
  ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  const std::string fits(28, 'f');   // deep + 28 + '/' = 259
  const std::string over(29, 'o');   // 260: no room for the terminator
  ASSERT_EQ(mkdir((deep + fits).c_str(), 0755), 0);
  ASSERT_EQ(mkdir((deep + over).c_str(), 0755), 0);
  Path path;
  ASSERT_TRUE(path.Set(deep.c_str()));
  WhenShown([&](QDialog* d) {
    Press(d, "102", over);
    EXPECT_EQ(Label(d), deep);
    Press(d, "102", fits);
    EXPECT_EQ(Label(d), deep + fits + "/");
    Click(d, "1");
  });
  EXPECT_TRUE(RunFolderSelect(nullptr, "Input folder select", "/", path));
  EXPECT_EQ(std::string(path.c_str()), deep + fits + "/");
}

TEST_F(Pickers, FileListHoldsExecutablesOnly) {
  const std::string t = tree_.path();
  ASSERT_TRUE(WriteFile(t + "a/play", "#!/bin/sh\n"));
  ASSERT_TRUE(WriteFile(t + "a/Mplayer", "#!/bin/sh\n"));
  ASSERT_TRUE(WriteFile(t + "a/notes.EXE", "text"));
  ASSERT_EQ(chmod((t + "a/play").c_str(), 0755), 0);
  ASSERT_EQ(chmod((t + "a/Mplayer").c_str(), 0755), 0);
  Path file;
  ASSERT_TRUE(file.Set((t + "a/play").c_str()));
  WhenShown([&](QDialog* d) {
    EXPECT_EQ(Label(d), t + "a/");
    EXPECT_EQ(Rows(d, "102"), (std::vector<std::string>{"..", "b"}));
    EXPECT_EQ(Rows(d, "104"), (std::vector<std::string>{"Mplayer", "play"}));
    EXPECT_EQ(d->findChild<QListWidget*>("104")->currentRow(), 0);
    Press(d, "104", "play");
    Click(d, "1");
  });
  EXPECT_TRUE(RunFileSelect(nullptr, "VOB file player select", "/", file));
  EXPECT_EQ(std::string(file.c_str()), t + "a/play");

  // A folder without executables: the folder alone comes back.
  WhenShown([&](QDialog* d) {
    Press(d, "102", "b");
    EXPECT_TRUE(Rows(d, "104").empty());
    Click(d, "1");
  });
  EXPECT_TRUE(RunFileSelect(nullptr, "VOB file player select", "/", file));
  EXPECT_EQ(std::string(file.c_str()), t + "a/b/");
}

}  // namespace
}  // namespace vm

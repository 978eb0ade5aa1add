// The play buttons and the double click start the configured player, a
// program whose path has a space in it, with the work file as its one
// argument and no shell between.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "app/history.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/time_list_view.h"
#include "author/author_state.h"
#include "play/playback.h"
#include "tests/support_qt/modal_script.h"
#include "tests/support/synth_title.h"
#include "tests/support/temp_dir.h"
#include "title/tables.h"

namespace vm {
namespace {

TitleTables& PlayTables() {
  static TitleTables* t = new TitleTables();
  return *t;
}

// Waits until the player has written its record: its argument count, the
// argument, and the size of the file it was given.
std::string WaitForRecord(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    std::string r = testing::ReadFile(path);
    if (!r.empty() && r.back() == '\n') return r;
    QTest::qWait(10);
  }
  return "";
}

TEST(PlayCommands, PlayAndDoubleClickStartThePlayerWithTheWorkFile) {
  testing::TempDir dir;
  const std::string program = dir / "program/";
  const std::string input = dir / "in/VIDEO_TS/";
  testing::RunCommand("mkdir -p '" + program + "' '" + input + "'");
  testing::SynthTitleSet set(input);
  set.WriteIfos({0});
  set.WriteVob("VTS_01_1.VOB", testing::EvenVobus(60, 4));

  // "$(touch ...)" would run in a shell; here it is only part of the name.
  const std::string player = dir / "my player $(touch pwned).sh";
  const std::string record = dir / "record.txt";
  testing::WriteFile(player, "#!/bin/sh\necho \"$# $1 $(stat -c %s \"$1\")\" > '" + record + "'\n");
  chmod(player.c_str(), 0755);

  std::memset(static_cast<void*>(&PlayTables()), 0, sizeof(TitleTables));
  HistoryBlock history{};
  SetHistoryDefaults(history, dir.path().c_str());
  history.PreviewEnable = 0;
  history.PlayingTime = 1;  // one second: two VOBUs
  std::snprintf(history.InputFolderText, sizeof history.InputFolderText, "%s", input.c_str());
  std::snprintf(history.PlayerPath, sizeof history.PlayerPath, "%s", player.c_str());
  MainFrame frame(ShellContext{PlayTables(), Author(), history, program.c_str()});
  MainWindow& w = *frame.Client();
  w.ResetForStart();
  frame.show();
  w.ReadTitle();
  ASSERT_EQ(PlayTables().TimeListNum, 60);

  testing::ModalScript script;
  w.SelectEntry(10);
  w.Play(static_cast<int>(PlayMode::Play));
  const std::string work = program + "TMP1.MPG";
  EXPECT_EQ(WaitForRecord(record), "1 " + work + " " + std::to_string(2 * 4 * 2048) + "\n");

  std::remove(record.c_str());
  const QPoint line12 = w.TimeList()->viewport()->mapTo(
      &frame, w.TimeList()->visualRect(w.TimeList()->model()->index(12, 0)).center());
  QTest::mouseDClick(frame.windowHandle(), Qt::LeftButton, Qt::NoModifier, line12);
  EXPECT_EQ(w.CaretLine(), 12);
  EXPECT_EQ(WaitForRecord(record), "1 " + work + " " + std::to_string(4 * 2048) + "\n");

  // "Play continue" goes on after the double-clicked entry.
  std::remove(record.c_str());
  w.Play(static_cast<int>(PlayMode::Continue));
  EXPECT_EQ(w.CaretLine(), 13);
  EXPECT_EQ(WaitForRecord(record), "1 " + work + " " + std::to_string(2 * 4 * 2048) + "\n");
  EXPECT_TRUE(script.boxes.empty());
  EXPECT_NE(testing::RunCommand("test -e '" + dir.path() + "pwned'"), 0);
  EXPECT_NE(testing::RunCommand("test -e pwned"), 0);

  // A player that cannot be started is named; its work file stays.
  const std::string missing = dir / "no such player";
  std::snprintf(history.PlayerPath, sizeof history.PlayerPath, "%s", missing.c_str());
  script.defaultAnswer = QMessageBox::Ok;
  w.Play(static_cast<int>(PlayMode::Play));
  EXPECT_EQ(script.Texts(), std::vector<std::string>{"The VOB file player could not be started (" +
                                                     missing + ")."});
  EXPECT_EQ(testing::ReadFile(work).size(), size_t{2 * 4 * 2048});
}

}  // namespace
}  // namespace vm

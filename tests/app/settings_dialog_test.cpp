// The settings dialog through its public entry, driven as a person would:
// what "&Set" stores and returns, what it refuses, and that every other way
// out stores nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstring>
#include <string>

#include "app/settings_dialog.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::TempDir;
using testing::WriteFile;

constexpr char kMissing[] = "指定したVOB再生プログラムは存在しません.";

struct Case {
  const char* name;
  int32_t time, preview;  // in the history block before
  std::string typed;      // relative to the temporary folder unless empty or absolute
  int choose;             // combo index to pick, -1 none
  bool toggle;            // flip "Enable preview window"
  bool pressSet;          // else "&Cancel"
  // Expected:
  bool refused;  // the error box, the dialog stays open (then "&Cancel")
  bool stored;
  int32_t storedTime;
};

TEST(SettingsDialog, SetStoresCancelKeeps) {
  TempDir dir;
  ASSERT_TRUE(WriteFile(dir / "player", "#!/bin/sh\n"));
  ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
  const std::string tooLong = "/" + std::string(300, 'p');
  const Case cases[] = {
      {"cancel after changes", 10, 1, "player", 0, true, false, false, false, 0},
      {"missing player", 10, 1, "nothing-here", 3, true, true, true, false, 0},
      {"0.5 seconds", 10, 1, "player", 0, false, true, false, true, 0},
      {"300 seconds, preview off", 10, 1, "player", 21, true, true, false, true, 21},
      {"preview on", 5, 0, "player", -1, true, true, false, true, 5},
      {"wildcards match", 10, 1, "pl*", -1, false, true, false, true, 10},
      {"a folder passes", 10, 1, "folder", -1, false, true, false, true, 10},
      {"empty path", 10, 1, "", -1, false, true, true, false, 0},
      {"path too long", 10, 1, tooLong, -1, false, true, true, false, 0},
      {"damaged time falls back", 99, 1, "player", -1, false, true, false, true, 10},
      {"negative time falls back", -1, 0, "player", -1, false, true, false, true, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HistoryBlock h{};
    SetHistoryDefaults(h, "/home/user");
    h.PlayingTime = c.time;
    h.PreviewEnable = c.preview;
    HistoryBlock before = h;
    std::string typed = c.typed.empty() || c.typed[0] == '/' ? c.typed : dir / c.typed;
    std::string errorText;
    bool stayedOpen = false;

    QTimer::singleShot(0, [&] {
      QWidget* d = QApplication::activeModalWidget();
      ASSERT_NE(d, nullptr);
      auto* combo = d->findChild<QComboBox*>("103");
      auto* check = d->findChild<QCheckBox*>("105");
      EXPECT_EQ(d->findChild<QLineEdit*>("101")->text().toStdString(), h.PlayerPath);
      EXPECT_EQ(combo->count(), kPlayingTimeChoices);
      EXPECT_EQ(combo->currentIndex(), c.time >= 0 && c.time < 22 ? c.time : -1);
      EXPECT_EQ(check->isChecked(), c.preview == 1);

      d->findChild<QLineEdit*>("101")->setText(QString::fromStdString(typed));
      if (c.choose >= 0) combo->setCurrentIndex(c.choose);
      if (c.toggle) check->toggle();
      if (c.pressSet) {
        QTimer::singleShot(0, [&] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          if (box == nullptr) return;
          errorText = box->text().toStdString();
          EXPECT_EQ(box->windowTitle().toStdString(), "Error");
          box->done(QMessageBox::Ok);
        });
        d->findChild<QPushButton*>("1")->click();
      }
      stayedOpen = d->isVisible();
      if (stayedOpen) d->findChild<QPushButton*>("2")->click();
    });
    bool changed = RunSettingsDialog(nullptr, h, "/");

    EXPECT_EQ(stayedOpen, !c.stored);
    EXPECT_EQ(errorText, c.refused ? kMissing : "");
    if (!c.stored) {
      EXPECT_FALSE(changed);
      EXPECT_EQ(std::memcmp(&h, &before, sizeof h), 0);
      continue;
    }
    EXPECT_EQ(std::string(h.PlayerPath), typed);
    EXPECT_EQ(h.PlayingTime, c.storedTime);
    EXPECT_EQ(h.PreviewEnable, c.toggle ? 1 - c.preview : c.preview);
    EXPECT_EQ(changed, c.toggle);
  }
}

}  // namespace
}  // namespace vm

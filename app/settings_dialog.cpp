#include "app/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "app/file_search.h"
#include "app/message_boxes.h"
#include "pickers/file_select_dialog.h"
#include "shell_common/control_table.h"

namespace vm {

namespace {

constexpr ControlRow kSetting[] = {
    {"playerFrame", ControlKind::BlackFrame, "", 2, 2, 246, 55},
    {"playerHeading", ControlKind::Static, "<VOB File Player>", 8, 5, 100, 10},
    {"101", ControlKind::Edit, "", 10, 17, 230, 12},
    {"102", ControlKind::Button, "&Ref...", 190, 35, 50, 14},
    {"playingTimeLabel", ControlKind::Static, "Playing time:", 20, 37, 50, 10},
    {"103", ControlKind::DropDownList, "", 74, 35, 30, 64},
    {"secLabel", ControlKind::Static, "sec", 109, 37, 31, 10},
    {"105", ControlKind::CheckBox, "Enable preview window", 10, 65, 130, 11},
    {"1", ControlKind::DefaultButton, "&Set", 130, 80, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 190, 80, 50, 14},
};

constexpr char kPlayerMissing[] = "指定したVOB再生プログラムは存在しません.";

class SettingsDialog : public QDialog {
 public:
  SettingsDialog(QWidget* owner, const HistoryBlock& h, const char* programFolder)
      : QDialog(owner), programFolder_(programFolder) {
    setObjectName("SettingDialog");
    setWindowTitle("Setting");
    setModal(true);
    BuildDialog(this, 250, 100, kSetting);
    path_ = findChild<QLineEdit*>("101");
    time_ = findChild<QComboBox*>("103");
    preview_ = findChild<QCheckBox*>("105");

    pathBuffer_.Set(h.PlayerPath);
    path_->setText(QString::fromUtf8(pathBuffer_.c_str()));
    for (const char* text : kPlayingTimeTexts) time_->addItem(text);
    // A value no choice stands for leaves the list without a selection.
    bool known = h.PlayingTime >= 0 && h.PlayingTime < kPlayingTimeChoices;
    time_->setCurrentIndex(known ? h.PlayingTime : -1);
    preview_->setChecked(h.PreviewEnable == 1);

    connect(findChild<QPushButton*>("102"), &QPushButton::clicked, this,
            &SettingsDialog::RefPressed);
    connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this,
            &SettingsDialog::SetPressed);
    connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this, &QDialog::reject);
  }

  const Path& PlayerPath() const { return pathBuffer_; }
  int32_t PlayingTime() const { return playingTime_; }
  int32_t PreviewEnable() const { return previewEnable_; }

 private:
  void SetPressed() {
    QByteArray typed = path_->text().toUtf8();
    // A text longer than a path cannot name the player: cutting it would
    // test, and store, some other path.
    if (!pathBuffer_.Set(typed.constData()) || !FileSearchFinds(pathBuffer_.c_str())) {
      ShowErrorBox(this, kPlayerMissing);
      return;
    }
    int index = time_->currentIndex();
    playingTime_ = index >= 0 && index < kPlayingTimeChoices ? index : kDefaultPlayingTime;
    previewEnable_ = preview_->isChecked() ? 1 : 0;
    accept();
  }

  void RefPressed() {
    Path file = pathBuffer_;
    if (!RunFileSelect(this, "VOB file player select", programFolder_, file)) return;
    pathBuffer_ = file;
    path_->setText(QString::fromUtf8(pathBuffer_.c_str()));
  }

  const char* programFolder_;
  Path pathBuffer_;
  int32_t playingTime_ = kDefaultPlayingTime;
  int32_t previewEnable_ = 0;
  QLineEdit* path_ = nullptr;
  QComboBox* time_ = nullptr;
  QCheckBox* preview_ = nullptr;
};

}  // namespace

bool RunSettingsDialog(QWidget* owner, HistoryBlock& h, const char* programFolder) {
  int32_t previewBefore = h.PreviewEnable;
  SettingsDialog dialog(owner, h, programFolder);
  if (dialog.exec() != QDialog::Accepted) return false;
  CopyField(h.PlayerPath, dialog.PlayerPath().c_str());
  h.PlayingTime = dialog.PlayingTime();
  h.PreviewEnable = dialog.PreviewEnable();
  return h.PreviewEnable != previewBefore;
}

}  // namespace vm

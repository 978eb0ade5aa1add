#include "app/output_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>

#include "app/qt_ui.h"
#include "app/shell_settings.h"
#include "author/disc_image.h"
#include "author/output_options.h"
#include "shell_common/control_table.h"
#include "title/tables.h"

namespace vm {

namespace {

constexpr int kWidthUnits = 285;
constexpr int kHeightUnits = 176;
constexpr int kStreamTextBytes = 96;

constexpr ControlRow kOutputOptionsTemplate[] = {
    {"101", ControlKind::CheckBox, "Write a disc &image (ISO 9660 with UDF)", 10, 8, 230, 10},
    {"fileHeading", ControlKind::Static, "&File:", 22, 23, 30, 10},
    {"102", ControlKind::Edit, "", 55, 21, 150, 12},
    {"103", ControlKind::Button, "Ref(&E)...", 210, 20, 42, 14},
    {"volumeHeading", ControlKind::Static, "Volume &name:", 22, 39, 60, 10},
    {"104", ControlKind::Edit, "", 85, 37, 90, 12},
    {"volumeRange", ControlKind::Static, "(1-32 of A-Z 0-9 _)", 180, 39, 75, 10},
    {"regionHeading", ControlKind::Static, "&Region:", 10, 58, 40, 10},
    {"105", ControlKind::DropDownList, "", 55, 56, 100, 50},
    {"111", ControlKind::CheckBox, "&1", 22, 73, 26, 10},
    {"112", ControlKind::CheckBox, "&2", 50, 73, 26, 10},
    {"113", ControlKind::CheckBox, "&3", 78, 73, 26, 10},
    {"114", ControlKind::CheckBox, "&4", 106, 73, 26, 10},
    {"115", ControlKind::CheckBox, "&5", 134, 73, 26, 10},
    {"116", ControlKind::CheckBox, "&6", 162, 73, 26, 10},
    {"117", ControlKind::CheckBox, "&7", 190, 73, 26, 10},
    {"118", ControlKind::CheckBox, "&8", 218, 73, 26, 10},
    {"audioHeading", ControlKind::Static, "&Audio streams to leave out:", 10, 92, 140, 10},
    {"106", ControlKind::Edit, "", 150, 90, 50, 12},
    {"audioRange", ControlKind::Static, "(0-7, e.g. 1,2)", 205, 92, 50, 10},
    {"subpictureHeading", ControlKind::Static, "S&ubpicture streams to leave out:", 10, 108, 140, 10},
    {"107", ControlKind::Edit, "", 150, 106, 50, 12},
    {"subpictureRange", ControlKind::Static, "(0-31)", 205, 108, 50, 10},
    {"108", ControlKind::CheckBox, "&Verify the volume after creation", 10, 126, 230, 10},
    {"109", ControlKind::CheckBox, "Write the &whole disc (menus and every title kept)", 10, 140, 245, 10},
    {"1", ControlKind::DefaultButton, "&Set", 85, 156, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 150, 156, 50, 14},
};

constexpr const char* kRegionChoices[] = {"As the source", "All regions", "Only these:"};

// Label -> field it names, so that the label's letter moves to the field.
constexpr std::pair<const char*, const char*> kBuddies[] = {
    {"fileHeading", "102"}, {"volumeHeading", "104"}, {"regionHeading", "105"},
    {"audioHeading", "106"}, {"subpictureHeading", "107"},
};

constexpr char kAudioMessage[] =
    "Audio streams to leave out: set numbers 0 to 7 separated by commas (e.g. 1,2), or nothing.";
constexpr char kSubpictureMessage[] =
    "Subpicture streams to leave out: set numbers 0 to 31 separated by commas (e.g. 1,2), or "
    "nothing.";
constexpr char kRegionMessage[] = "Select at least one region.";

QString StreamText(uint32_t bits) {
  char text[kStreamTextBytes];
  FormatStreamList(bits, text, sizeof text);
  return QString::fromUtf8(text);
}

}  // namespace

OutputOptionsDialog::OutputOptionsDialog(QWidget* owner, ShellSettings& settings, QtUi& ui)
    : QDialog(owner), settings_(settings), ui_(ui) {
  setObjectName("outputOptionsDialog");
  setWindowTitle("Output options");
  BuildDialog(this, kWidthUnits, kHeightUnits, kOutputOptionsTemplate);
  for (const auto& [label, field] : kBuddies)
    findChild<QLabel*>(label)->setBuddy(findChild<QWidget*>(field));
  writeImage_ = findChild<QCheckBox*>("101");
  imagePath_ = findChild<QLineEdit*>("102");
  volumeId_ = findChild<QLineEdit*>("104");
  region_ = findChild<QComboBox*>("105");
  for (int r = 0; r < kRegionCount; ++r) regions_[r] = findChild<QCheckBox*>(QString::number(111 + r));
  dropAudio_ = findChild<QLineEdit*>("106");
  dropSubpicture_ = findChild<QLineEdit*>("107");
  verify_ = findChild<QCheckBox*>("108");
  wholeDisc_ = findChild<QCheckBox*>("109");
  for (const char* choice : kRegionChoices) region_->addItem(choice);

  writeImage_->setChecked(settings.WriteImage != 0);
  imagePath_->setText(QString::fromUtf8(settings.ImagePath));
  volumeId_->setText(QString::fromUtf8(settings.VolumeId));
  volumeId_->setMaxLength(kVolumeIdBytes - 1);
  region_->setCurrentIndex(settings.Region >= kRegionOfSource && settings.Region <= kRegionListed
                               ? settings.Region
                               : kRegionOfSource);
  for (int r = 0; r < kRegionCount; ++r) regions_[r]->setChecked(settings.RegionsPlaying & (1u << r));
  dropAudio_->setText(StreamText(settings.DropAudio));
  dropSubpicture_->setText(StreamText(settings.DropSubpicture));
  verify_->setChecked(settings.Verify != 0);
  wholeDisc_->setChecked(settings.WholeDisc != 0);

  connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this, &QDialog::accept);
  connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this, &QDialog::reject);
  connect(findChild<QPushButton*>("103"), &QPushButton::clicked, this, [this] { PickImageFile(); });
  connect(writeImage_, &QCheckBox::toggled, this, [this] { FollowChoices(); });
  connect(region_, &QComboBox::currentIndexChanged, this, [this] { FollowChoices(); });
  FollowChoices();
  writeImage_->setFocus();
}

// The image's fields count only with the image ticked, the region boxes
// only with "Only these:"; the others are shown greyed, their values kept.
void OutputOptionsDialog::FollowChoices() {
  const bool image = writeImage_->isChecked();
  for (const char* name : {"102", "103", "104"}) findChild<QWidget*>(name)->setEnabled(image);
  const bool listed = region_->currentIndex() == kRegionListed;
  for (QCheckBox* box : regions_) box->setEnabled(listed);
}

void OutputOptionsDialog::PickImageFile() {
  const QString path = QFileDialog::getSaveFileName(this, "Disc image file", imagePath_->text(),
                                                    "Disc images (*.iso);;All files (*)");
  if (!path.isEmpty()) imagePath_->setText(path);
}

void OutputOptionsDialog::accept() {
  UiOwnerScope owner(ui_, this);
  auto refuse = [this](QWidget* field, const char* message) {
    ui_.Error(message);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
  };
  ShellSettings typed = settings_;
  typed.WriteImage = writeImage_->isChecked() ? 1 : 0;
  const QByteArray path = imagePath_->text().toUtf8();
  const auto pathBytes = static_cast<size_t>(path.size());
  const QByteArray volumeId = volumeId_->text().toUtf8();
  if (typed.WriteImage != 0) {
    // An image path is needed only when an image is written; a path kept
    // with the box unticked is stored as it is when it fits.
    if (!path.startsWith('/') || path.endsWith('/') || pathBytes >= kPathBytes)
      return refuse(imagePath_, kImagePathMessage);
    if (!ValidVolumeId(volumeId.toStdString())) return refuse(volumeId_, kVolumeIdMessage);
  }
  if (pathBytes < kPathBytes) std::memcpy(typed.ImagePath, path.constData(), pathBytes + 1);
  if (ValidVolumeId(volumeId.toStdString()))
    std::memcpy(typed.VolumeId, volumeId.constData(), static_cast<size_t>(volumeId.size()) + 1);
  typed.Region = region_->currentIndex();
  typed.RegionsPlaying = 0;
  for (int r = 0; r < kRegionCount; ++r)
    if (regions_[r]->isChecked()) typed.RegionsPlaying |= 1u << r;
  if (typed.Region == kRegionListed && typed.RegionsPlaying == 0)
    return refuse(regions_[0], kRegionMessage);
  if (!ParseStreamList(dropAudio_->text().toUtf8().constData(), kAudioStreamSlots, typed.DropAudio))
    return refuse(dropAudio_, kAudioMessage);
  if (!ParseStreamList(dropSubpicture_->text().toUtf8().constData(), kSubpicStreamSlots,
                       typed.DropSubpicture))
    return refuse(dropSubpicture_, kSubpictureMessage);
  typed.Verify = verify_->isChecked() ? 1 : 0;
  typed.WholeDisc = wholeDisc_->isChecked() ? 1 : 0;
  settings_ = typed;
  QDialog::accept();
}

bool RunOutputOptionsDialog(QWidget* owner, ShellSettings& settings, QtUi& ui) {
  OutputOptionsDialog dialog(owner, settings, ui);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace vm

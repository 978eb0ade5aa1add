// "Output options": what "Create DVD Image" writes besides the chapters: a
// disc image with its volume name, the region mask, audio and subpicture
// streams left out, a check of the written volume, and whether the whole
// disc is written back. "&Set" refuses a value it cannot take with a
// message and stays open; the choices are kept between runs.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vm {

class QtUi;
struct ShellSettings;

class OutputOptionsDialog : public QDialog {
 public:
  OutputOptionsDialog(QWidget* owner, ShellSettings& settings, QtUi& ui);
  void accept() override;

 private:
  void PickImageFile();
  void FollowChoices();

  ShellSettings& settings_;
  QtUi& ui_;
  QCheckBox* writeImage_;
  QLineEdit* imagePath_;
  QLineEdit* volumeId_;
  QComboBox* region_;
  QCheckBox* regions_[8];
  QLineEdit* dropAudio_;
  QLineEdit* dropSubpicture_;
  QCheckBox* verify_;
  QCheckBox* wholeDisc_;
};

// The refusals of the image's fields, also made at creation.
inline constexpr char kImagePathMessage[] =
    "Disc image file must be a full path name (e.g. /home/user/dvd.iso).";
inline constexpr char kVolumeIdMessage[] = "Volume name must be 1 to 32 of A-Z, 0-9 and _.";

// Runs the dialog modally; true when closed with "&Set" (the choices then
// stored in `settings`).
bool RunOutputOptionsDialog(QWidget* owner, ShellSettings& settings, QtUi& ui);

}  // namespace vm

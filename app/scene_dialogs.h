// The dialogs of the scene-cut commands: "Chapters at Scene Cuts" asks for
// the sensitivity (1..10) and the minimum gap in seconds (1..60); "Snap
// Chapters to Cuts" for the reach in seconds (1..60). Like the interval
// dialog, "&Set" refuses a value out of range with its message and stays
// open.
#pragma once

#include <QDialog>

#include "chapters/scene_cuts.h"

class QLineEdit;

namespace vm {

class QtUi;

class SceneCutsDialog : public QDialog {
 public:
  SceneCutsDialog(QWidget* owner, SceneCutSettings& settings, QtUi& ui);
  void accept() override;

 private:
  SceneCutSettings& settings_;
  QtUi& ui_;
  QLineEdit* sensitivity_;
  QLineEdit* gap_;
};

class SnapDialog : public QDialog {
 public:
  SnapDialog(QWidget* owner, int32_t& seconds, QtUi& ui);
  void accept() override;

 private:
  int32_t& seconds_;
  QtUi& ui_;
  QLineEdit* field_;
};

// Run modally; true when closed with "&Set" (the values then stored).
bool RunSceneCutsDialog(QWidget* owner, SceneCutSettings& settings, QtUi& ui);
bool RunSnapDialog(QWidget* owner, int32_t& seconds, QtUi& ui);

}  // namespace vm

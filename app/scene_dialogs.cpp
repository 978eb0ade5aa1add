#include "app/scene_dialogs.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/qt_ui.h"
#include "shell_common/control_table.h"

namespace vm {

namespace {

constexpr ControlRow kSceneCutsTemplate[] = {
    {"text1", ControlKind::Static, "Chapters are set at scene cuts.", 10, 8, 180, 10},
    {"text2", ControlKind::Static, "(Previous setting is cleared)", 10, 18, 180, 10},
    {"sensitivityHeading", ControlKind::Static, "Sensitivity:", 15, 35, 55, 10},
    {"101", ControlKind::Edit, "", 72, 33, 20, 12},
    {"sensitivityRange", ControlKind::Static, "(Range: 1-10)", 99, 35, 84, 10},
    {"gapHeading", ControlKind::Static, "Minimum gap:", 15, 51, 55, 10},
    {"102", ControlKind::Edit, "", 72, 49, 20, 12},
    {"gapRange", ControlKind::Static, "sec (Range: 1-60sec)", 99, 51, 90, 10},
    {"1", ControlKind::DefaultButton, "&Set", 70, 69, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 130, 69, 50, 14},
};

constexpr ControlRow kSnapTemplate[] = {
    {"text1", ControlKind::Static, "Each chapter moves to the strongest", 10, 8, 180, 10},
    {"text2", ControlKind::Static, "scene cut near it.", 10, 18, 180, 10},
    {"reachHeading", ControlKind::Static, "Within \xC2\xB1", 15, 37, 45, 10},
    {"101", ControlKind::Edit, "", 60, 35, 20, 12},
    {"reachRange", ControlKind::Static, "sec (Range: 1-60sec)", 87, 37, 95, 10},
    {"1", ControlKind::DefaultButton, "&Set", 70, 57, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 130, 57, 50, 14},
};

void ConnectButtons(QDialog* d) {
  QObject::connect(d->findChild<QPushButton*>("1"), &QPushButton::clicked, d, &QDialog::accept);
  QObject::connect(d->findChild<QPushButton*>("2"), &QPushButton::clicked, d, &QDialog::reject);
}

bool Take(QtUi& ui, QLineEdit* field, int32_t low, int32_t high, int32_t& value) {
  const QByteArray text = field->text().toUtf8();
  if (SceneValueFromText(ui, text.constData(), low, high, value)) return true;
  field->setFocus();
  field->selectAll();
  return false;
}

}  // namespace

SceneCutsDialog::SceneCutsDialog(QWidget* owner, SceneCutSettings& settings, QtUi& ui)
    : QDialog(owner), settings_(settings), ui_(ui) {
  setObjectName("sceneCutsDialog");
  setWindowTitle("Chapters at Scene Cuts");
  BuildDialog(this, 190, 92, kSceneCutsTemplate);
  sensitivity_ = findChild<QLineEdit*>("101");
  gap_ = findChild<QLineEdit*>("102");
  sensitivity_->setText(QString::number(settings.sensitivity));
  gap_->setText(QString::number(settings.minGapSeconds));
  ConnectButtons(this);
  sensitivity_->setFocus();
  sensitivity_->selectAll();
}

void SceneCutsDialog::accept() {
  UiOwnerScope owner(ui_, this);
  SceneCutSettings typed = settings_;
  if (!Take(ui_, sensitivity_, kMinSceneSensitivity, kMaxSceneSensitivity, typed.sensitivity))
    return;
  if (!Take(ui_, gap_, kMinSceneGapSeconds, kMaxSceneGapSeconds, typed.minGapSeconds)) return;
  settings_ = typed;
  QDialog::accept();
}

SnapDialog::SnapDialog(QWidget* owner, int32_t& seconds, QtUi& ui)
    : QDialog(owner), seconds_(seconds), ui_(ui) {
  setObjectName("snapDialog");
  setWindowTitle("Snap Chapters to Cuts");
  BuildDialog(this, 190, 80, kSnapTemplate);
  field_ = findChild<QLineEdit*>("101");
  field_->setText(QString::number(seconds));
  ConnectButtons(this);
  field_->setFocus();
  field_->selectAll();
}

void SnapDialog::accept() {
  UiOwnerScope owner(ui_, this);
  int32_t typed = seconds_;
  if (!Take(ui_, field_, kMinSnapSeconds, kMaxSnapSeconds, typed)) return;
  seconds_ = typed;
  QDialog::accept();
}

bool RunSceneCutsDialog(QWidget* owner, SceneCutSettings& settings, QtUi& ui) {
  SceneCutsDialog dialog(owner, settings, ui);
  return dialog.exec() == QDialog::Accepted;
}

bool RunSnapDialog(QWidget* owner, int32_t& seconds, QtUi& ui) {
  SnapDialog dialog(owner, seconds, ui);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace vm

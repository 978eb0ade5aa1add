#include "app/interval_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/qt_ui.h"
#include "chapters/chapter_marks.h"
#include "shell_common/control_table.h"
#include "title/tables.h"

namespace vm {

namespace {

constexpr ControlRow kIntervalTemplate[] = {
    {"text1", ControlKind::Static, "Chapters interval is set constantly. ", 10, 8, 180, 10},
    {"text2", ControlKind::Static, "(Previous setting is cleared)", 10, 18, 180, 10},
    {"intervalHeading", ControlKind::Static, "Interval:", 15, 37, 40, 10},
    {"101", ControlKind::Edit, "", 55, 35, 20, 12},
    {"sec", ControlKind::Static, "sec", 82, 37, 20, 10},
    {"range", ControlKind::Static, "(Range: 30-600sec)", 105, 37, 84, 10},
    {"1", ControlKind::DefaultButton, "&Set", 70, 57, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 130, 57, 50, 14},
};

}  // namespace

IntervalDialog::IntervalDialog(QWidget* owner, TitleTables& tables, QtUi& ui)
    : QDialog(owner), t_(tables), ui_(ui) {
  setObjectName("intervalDialog");
  setWindowTitle("Chapters Interval");
  BuildDialog(this, 190, 80, kIntervalTemplate);  // 190 x 80 dialog units
  field_ = findChild<QLineEdit*>("101");
  field_->setText(QString::number(tables.ChapterInterval));
  connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this, &QDialog::accept);
  connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this, &QDialog::reject);
  field_->setFocus();
  field_->selectAll();
}

void IntervalDialog::accept() {
  UiOwnerScope owner(ui_, this);
  QByteArray text = field_->text().toUtf8();
  if (!StoreIntervalText(t_, ui_, text.constData())) return;
  QDialog::accept();
}

bool RunIntervalDialog(QWidget* owner, TitleTables& tables, QtUi& ui) {
  IntervalDialog dialog(owner, tables, ui);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace vm

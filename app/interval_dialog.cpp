#include "app/interval_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialog_template.h"
#include "app/qt_ui.h"
#include "chapters/chapter_marks.h"
#include "title/tables.h"

namespace vm {

namespace {

constexpr int kWidthUnits = 190;
constexpr int kHeightUnits = 80;

QLabel* Static(QWidget* parent, const DialogUnits& du, const char* text, int x, int y, int w,
               int h) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setGeometry(du.Rect(x, y, w, h));
  return l;
}

}  // namespace

IntervalDialog::IntervalDialog(QWidget* owner, TitleTables& tables, QtUi& ui)
    : QDialog(owner), t_(tables), ui_(ui) {
  setObjectName("intervalDialog");
  setWindowTitle("Chapters Interval");
  setFont(DialogFont());
  PaintLightGrey(this);
  DialogUnits du(font());
  setFixedSize(du.X(kWidthUnits), du.Y(kHeightUnits));
  Static(this, du, "Chapters interval is set constantly. ", 10, 8, 180, 10);
  Static(this, du, "(Previous setting is cleared)", 10, 18, 180, 10);
  Static(this, du, "Interval:", 15, 37, 40, 10);
  field_ = new QLineEdit(this);
  field_->setObjectName("101");
  field_->setGeometry(du.Rect(55, 35, 20, 12));
  field_->setText(QString::number(tables.ChapterInterval));
  Static(this, du, "sec", 82, 37, 20, 10);
  Static(this, du, "(Range: 30-600sec)", 105, 37, 84, 10);
  auto* set = new QPushButton("&Set", this);
  set->setObjectName("1");
  set->setGeometry(du.Rect(70, 57, 50, 14));
  set->setDefault(true);
  connect(set, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setObjectName("2");
  cancel->setGeometry(du.Rect(130, 57, 50, 14));
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
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

#include "app/title_select_dialog.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>

#include "shell_common/control_table.h"
#include "title/title_list.h"

namespace vm {

namespace {

constexpr ControlRow kTitleSelectTemplate[] = {
    {"text1", ControlKind::Static, "This volume has several titles. Select one:", 8, 6, 200, 10},
    {"101", ControlKind::ListBox, "", 8, 18, 200, 84},
    {"102", ControlKind::CheckBox, "Write the &whole disc (menus and every title kept)", 8, 106, 205, 10},
    {"1", ControlKind::DefaultButton, "&Select", 48, 122, 50, 14},
    {"2", ControlKind::Button, "&Cancel", 118, 122, 50, 14},
};

}  // namespace

TitleSelectDialog::TitleSelectDialog(QWidget* owner, const TitleList& titles, int preselect,
                                     int32_t wholeDisc)
    : QDialog(owner) {
  setObjectName("titleSelectDialog");
  setWindowTitle("Title select");
  BuildDialog(this, 216, 142, kTitleSelectTemplate);  // 216 x 142 dialog units
  list_ = findChild<QListWidget*>("101");
  wholeDisc_ = findChild<QCheckBox*>("102");
  wholeDisc_->setChecked(wholeDisc != 0);
  for (int i = 0; i < titles.count; ++i) {
    const TitleEntry& e = titles.title[i];
    char line[160];
    if (e.fault != TitleFault::None) {
      std::snprintf(line, sizeof line, "Title %2d  damaged: %s", i + 1, TitleFaultText(e.fault));
    } else {
      char length[16];
      FormatTitleLength(e.lengthMs, length);
      std::snprintf(line, sizeof line, "Title %2d  %8s  %3d chapters  VTS %02d", i + 1, length,
                    e.chapters, e.vts);
    }
    auto* item = new QListWidgetItem(QString::fromUtf8(line), list_);
    // A damaged title cannot be read: it is shown but not offered.
    if (e.fault != TitleFault::None) item->setFlags(Qt::NoItemFlags);
  }
  const bool offered = preselect >= 1 && preselect <= titles.count &&
                       titles.title[preselect - 1].fault == TitleFault::None;
  if (offered)
    list_->setCurrentRow(preselect - 1);
  else if (titles.longest >= 0)
    list_->setCurrentRow(titles.longest);
  connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this, &QDialog::accept);
  connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this, &QDialog::reject);
  connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
  list_->setFocus();
}

int TitleSelectDialog::Chosen() const {
  const QListWidgetItem* item = list_->currentItem();
  if (item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return 0;
  return list_->currentRow() + 1;
}

int32_t TitleSelectDialog::WholeDisc() const { return wholeDisc_->isChecked() ? 1 : 0; }

int RunTitleSelect(QWidget* owner, const TitleList& titles, int preselect, int32_t& wholeDisc) {
  TitleSelectDialog dialog(owner, titles, preselect, wholeDisc);
  if (dialog.exec() != QDialog::Accepted) return 0;
  wholeDisc = dialog.WholeDisc();
  return dialog.Chosen();
}

}  // namespace vm

#include "shell_common/control_table.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vm {

namespace {

QWidget* MakeControl(QWidget* parent, const DialogUnits& du, const ControlRow& row,
                     const SupplyControl& supply) {
  QString text = QString::fromUtf8(row.text);
  QWidget* w = nullptr;
  switch (row.kind) {
    case ControlKind::Static: {
      auto* label = new QLabel(text, parent);
      // "<Time List>" is a heading, not markup.
      label->setTextFormat(Qt::PlainText);
      w = label;
      break;
    }
    case ControlKind::BlackFrame:
      w = AddBlackFrame(parent, du, row.x, row.y, row.w, row.h);
      break;
    case ControlKind::Icon:
      w = new QLabel(parent);
      break;
    case ControlKind::Edit:
      w = new QLineEdit(text, parent);
      break;
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
      auto* b = new QPushButton(text, parent);
      // Enter presses the button that has the focus, as Space does; with
      // the focus elsewhere a dialog's default button takes it.
      b->setAutoDefault(true);
      b->setDefault(row.kind == ControlKind::DefaultButton);
      w = b;
      break;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      // Lists keep the system colours, not the dialog's grey.
      list->setPalette(QApplication::palette(list));
      w = list;
      break;
    }
    case ControlKind::DropDownList: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(false);
      combo->setPalette(QApplication::palette(combo));
      w = combo;
      break;
    }
    case ControlKind::CheckBox:
      w = new QCheckBox(text, parent);
      break;
    case ControlKind::Supplied:
      w = supply(parent, row);
      break;
  }
  w->setObjectName(QString::fromUtf8(row.name));
  w->setGeometry(du.Rect(row.x, row.y, row.w, row.h));
  if (row.kind == ControlKind::Static && w->sizeHint().width() > w->width()) {
    // The fixed-pitch font here can be wider than the one the template was
    // drawn for: a text is never cut off.
    w->resize(w->sizeHint().width(), w->height());
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // The template height is that of the open list; closed, the box is one
    // line high.
    int lineHeight = combo->fontMetrics().height();
    combo->resize(combo->width(), std::min(combo->sizeHint().height(), du.Y(row.h)));
    combo->setMaxVisibleItems(std::max(1, du.Y(row.h) / lineHeight - 1));
  }
  return w;
}

}  // namespace

void BuildDialog(QWidget* dialog, int widthUnits, int heightUnits,
                 std::span<const ControlRow> rows, const SupplyControl& supply) {
  QFont font = DialogFont();
  dialog->setFont(font);
  DialogUnits du(font);
  dialog->setFixedSize(du.X(widthUnits), du.Y(heightUnits));
  PaintLightGrey(dialog);
  QWidget* previous = nullptr;
  for (const ControlRow& row : rows) {
    QWidget* w = MakeControl(dialog, du, row, supply);
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

}  // namespace vm

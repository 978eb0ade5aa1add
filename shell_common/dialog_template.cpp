#include "shell_common/dialog_template.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace vm {

namespace {
constexpr int kDialogFontPoints = 9;
const QColor kLightGrey(192, 192, 192);
}  // namespace

QFont DialogFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kDialogFontPoints);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics m(font);
  charWidth_ = m.averageCharWidth();
  charHeight_ = m.height();
}

void PaintLightGrey(QWidget* window) {
  QPalette p = window->palette();
  p.setColor(QPalette::Window, kLightGrey);
  p.setColor(QPalette::Button, kLightGrey);
  p.setColor(QPalette::WindowText, Qt::black);
  p.setColor(QPalette::ButtonText, Qt::black);
  window->setPalette(p);
  window->setAutoFillBackground(true);
}

QLabel* AddBlackFrame(QWidget* parent, const DialogUnits& du, int x, int y, int w, int h) {
  auto* frame = new QLabel(parent);
  frame->setGeometry(du.Rect(x, y, w, h));
  frame->setStyleSheet("border: 1px solid black; background: transparent;");
  frame->lower();
  return frame;
}

}  // namespace vm

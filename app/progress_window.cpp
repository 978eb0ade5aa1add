#include "app/progress_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

#include "shell_common/dialog_template.h"

namespace vm {

namespace {
// The window's template: 120 x 30 dialog units.
constexpr int kWidthUnits = 120;
constexpr int kHeightUnits = 30;
}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner) : QDialog(owner) {
  setObjectName("progressWindow");
  setModal(false);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle("Progress");
  setFont(DialogFont());
  PaintLightGrey(this);
  DialogUnits du(font());
  setFixedSize(du.X(kWidthUnits), du.Y(kHeightUnits));
  // Centred on the owner, no clamping to the screen.
  if (owner != nullptr) {
    QRect o = owner->frameGeometry();
    move(o.left() + (o.width() - width()) / 2, o.top() + (o.height() - height()) / 2);
  }
}

QRect ProgressWindow::BarRect() const {
  const int w = width(), h = height();
  return QRect(QPoint(w / 16, h / 3), QPoint(w - w / 16 - 1, h - h / 3 - 1));
}

void ProgressWindow::SetFraction(int64_t done, int64_t total, BarColour colour) {
  const int inner = BarRect().width() - 2;
  int filled = 0;
  if (total > 0 && done > 0) {
    if (done > total) done = total;
    // Rounded to the nearest pixel, halves up.
    filled = static_cast<int>((2 * inner * done + total) / (2 * total));
  }
  if (filled == filled_ && colour == colour_) return;
  filled_ = filled;
  colour_ = colour;
  repaint();
}

void ProgressWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(192, 192, 192));
  QRect bar = BarRect();
  p.setPen(Qt::black);
  p.drawRect(bar.adjusted(0, 0, -1, -1));
  QRect inner = bar.adjusted(1, 1, -1, -1);
  QRect done(inner.left(), inner.top(), filled_, inner.height());
  QRect rest(inner.left() + filled_, inner.top(), inner.width() - filled_, inner.height());
  p.fillRect(done, colour_ == BarColour::Cyan ? QColor(0, 255, 255) : QColor(0, 0, 255));
  p.fillRect(rest, Qt::white);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  event->accept();
}

// Esc would close the window like the close box; the close box alone stops.
void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vm

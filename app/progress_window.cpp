#include "app/progress_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "shell_common/dialog_template.h"
#include "shell_common/window_geometry.h"

namespace vm {

namespace {
// The window's template: 120 x 30 dialog units.
constexpr int kWidthUnits = 120;
constexpr int kHeightUnits = 30;
}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner) : QDialog(owner), owner_(owner) {
  setObjectName("progressWindow");
  setModal(false);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle("Progress");
  setFont(DialogFont());
  PaintLightGrey(this);
  DialogUnits du(font());
  templateWidth_ = du.X(kWidthUnits);
  setFixedSize(templateWidth_, du.Y(kHeightUnits));
  SetCaption(windowTitle());
}

// Centred on where the owner is on the screen (the owner may be the main
// frame's client, whose own geometry is relative to the frame).
void ProgressWindow::SetCaption(const QString& caption) {
  setWindowTitle(caption);
  const int wide = std::max(templateWidth_, CaptionWidth(caption));
  if (wide > width()) setFixedSize(wide, height());
  if (owner_ != nullptr) CentreOn(this, owner_);
}

// Shown, the window has its frame: centred again with it.
void ProgressWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (owner_ != nullptr) CentreOn(this, owner_);
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

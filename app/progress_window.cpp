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
// The estimate of the time left waits for this much work and time, so
// that it starts from a steady pace.
constexpr int64_t kEstimateAfterMs = 2000;
constexpr int kEstimateAfterPercent = 2;

// "m:ss left", or "h:mm:ss left" from an hour.
QString TimeLeft(int64_t ms) {
  const int64_t s = (ms + 999) / 1000;
  if (s >= 3600)
    return QString("%1:%2:%3 left").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
  return QString("%1:%2 left").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}
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
  started_.start();
}

// Centred on where the owner is on the screen (the owner may be the main
// frame's client, whose own geometry is relative to the frame).
void ProgressWindow::SetCaption(const QString& caption) {
  // A new stage (volume creation's pointer pass) has a pace of its own.
  if (caption != windowTitle()) started_.restart();
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
  QString figures;
  if (total > 0) {
    const int percent = static_cast<int>(done < 0 ? 0 : 100 * done / total);
    figures = QString("%1%").arg(percent);
    const int64_t elapsed = started_.isValid() ? started_.elapsed() : 0;
    if (elapsed >= kEstimateAfterMs && percent >= kEstimateAfterPercent && done < total)
      figures += "  " + TimeLeft(elapsed * (total - done) / done);
  }
  if (filled == filled_ && colour == colour_ && figures == figures_) return;
  filled_ = filled;
  colour_ = colour;
  figures_ = figures;
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
  // The figures in the band under the bar, in a size that fits it.
  const QRect band(bar.left(), bar.bottom() + 1, bar.width(), height() - bar.bottom() - 1);
  QFont small = font();
  if (QFontMetrics(small).height() > band.height()) small.setPixelSize(std::max(8, band.height() - 2));
  p.setFont(small);
  p.setPen(Qt::black);
  p.drawText(band, Qt::AlignCenter, figures_);
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

#include "shell_common/window_geometry.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>

namespace vm {

namespace {

// Title bars draw their text in a bold face of about the application's
// size, after an icon and before up to three buttons; each of these and the
// margins around them take about two text lines.
constexpr int kTitleBarLinesBesideText = 8;

}  // namespace

QRect ScreenRect(const QWidget* widget) {
  if (widget->isWindow()) return widget->frameGeometry();
  return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

void CentreOn(QWidget* window, const QWidget* owner) {
  const QRect o = ScreenRect(owner);
  QSize own = window->frameGeometry().size();
  if (own == window->size()) {
    // Not framed yet: the window manager will give it the frame the
    // owner's window has (title bar, borders), around the same size.
    const QWidget* top = owner->window();
    own += top->frameGeometry().size() - top->geometry().size();
  }
  window->move(o.left() + (o.width() - own.width()) / 2,
               o.top() + (o.height() - own.height()) / 2);
}

int CaptionWidth(const QString& caption) {
  QFont font = QApplication::font();
  font.setBold(true);
  const QFontMetrics m(font);
  return m.horizontalAdvance(caption) + kTitleBarLinesBesideText * m.height();
}

QPoint BesidePlace(const QRect& owner, const QSize& size, const QRect& screen) {
  const int rightRoom = screen.right() - owner.right();
  const int leftRoom = owner.left() - screen.left();
  int x;
  if (rightRoom >= size.width())
    x = owner.right() + 1;
  else if (leftRoom >= size.width())
    x = owner.left() - size.width();
  else
    x = rightRoom >= leftRoom ? screen.right() + 1 - size.width() : screen.left();
  x = std::max(screen.left(), std::min(x, screen.right() + 1 - size.width()));
  int y = std::min(owner.top(), screen.bottom() + 1 - size.height());
  y = std::max(screen.top(), y);
  return QPoint(x, y);
}

}  // namespace vm

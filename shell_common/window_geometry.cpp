#include "shell_common/window_geometry.h"

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

}  // namespace vm

// Where the shell's windows go and how wide they must be: centring on an
// owner by its place on the screen, and a width that shows a caption whole.
#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace vm {

// The widget's rectangle in screen coordinates: a window's frame, a child's
// own rectangle mapped from its window.
QRect ScreenRect(const QWidget* widget);

// Moves `window` so that its frame is centred on `owner`'s screen
// rectangle (truncating toward zero, no clamping to the screen).
void CentreOn(QWidget* window, const QWidget* owner);

// Where a window of `size` (frame included) goes beside `owner` (a frame
// rectangle) on `screen` (its available rectangle): to its right when it
// fits there, else to its left, else on the side with more room, kept on
// the screen; its top level with the owner's, kept on the screen too.
QPoint BesidePlace(const QRect& owner, const QSize& size, const QRect& screen);

// The smallest window width whose title bar shows `caption` whole beside
// the window manager's icon and buttons.
int CaptionWidth(const QString& caption);

}  // namespace vm

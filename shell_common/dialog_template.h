// Shared pieces of every window built from a dialog template: the dialog
// font, the conversion from dialog units to pixels, the black frames and
// the light-grey colouring of backgrounds, buttons and static texts.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>

class QLabel;
class QWidget;

namespace vm {

// The system fixed-pitch font at 9 points.
QFont DialogFont();

// Dialog units to pixels from the dialog font's metrics: x by a quarter of
// the average character width, y by an eighth of the character height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int X(int units) const { return units * charWidth_ / 4; }
  int Y(int units) const { return units * charHeight_ / 8; }
  QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }

 private:
  int charWidth_;
  int charHeight_;
};

// Light grey (192, 192, 192) background with black text for the window and
// its buttons and static texts; edit fields, combo boxes, list contents and
// scroll bars keep the system colours.
void PaintLightGrey(QWidget* window);

// A static black frame rectangle at a template position.
QLabel* AddBlackFrame(QWidget* parent, const DialogUnits& du, int x, int y, int w, int h);

}  // namespace vm

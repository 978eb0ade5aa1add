// A dialog template as data: one row per control (object name, kind, text,
// rectangle in dialog units), built into widgets at the converted
// rectangles, in the template's order (which is also the tab order).
#pragma once

#include <functional>
#include <span>

#include "shell_common/dialog_template.h"

class QWidget;

namespace vm {

enum class ControlKind {
  Static,         // text
  BlackFrame,     // frame rectangle, no text
  Icon,           // picture label, filled in by the dialog
  Edit,           // single line, scrolls horizontally
  Button,         // push button
  DefaultButton,  // push button that Enter presses
  ListBox,        // single selection, scroll bars as needed
  DropDownList,   // combo box without typing
  CheckBox,
  Supplied,       // made by the window itself (a view over its own model)
};

struct ControlRow {
  const char* name;  // objectName: the control id, or a word for an id-less static
  ControlKind kind;
  const char* text;  // UTF-8; "&" marks the mnemonic
  int x, y, w, h;
};

// Makes the control of a Supplied row, as a child of `parent`; the row's
// name and rectangle are then given to it like to every other control.
using SupplyControl = std::function<QWidget*(QWidget* parent, const ControlRow& row)>;

// Sets the dialog font, the fixed size (in dialog units) and the light-grey
// colouring, then creates every control of `rows` as a child of `dialog`.
void BuildDialog(QWidget* dialog, int widthUnits, int heightUnits,
                 std::span<const ControlRow> rows, const SupplyControl& supply = {});

}  // namespace vm

// The three message boxes of the program: "Error", "Confirm" and
// "Information", modal over their owner, with their fixed icons and
// buttons.
#pragma once

#include "common/ui.h"

class QWidget;

namespace vm {

void ShowErrorBox(QWidget* owner, const char* text);
// Yes and No; anything but Yes (No, Esc, the close box) declines.
Answer ShowConfirmBox(QWidget* owner, const char* text);
void ShowInformationBox(QWidget* owner, const char* text, Icon icon = Icon::Information);

}  // namespace vm

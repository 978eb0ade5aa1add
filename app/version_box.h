// The version box: the program's name and version, modal over its owner.
#pragma once

class QWidget;

namespace vm {

void RunVersionBox(QWidget* owner);

}  // namespace vm

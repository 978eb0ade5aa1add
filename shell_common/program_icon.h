// The program's icon (a disc with a chapter ribbon), built into the program
// in the sizes tools/make_icon draws.
#pragma once

#include <QIcon>

namespace vm {

QIcon ProgramIcon();

}  // namespace vm

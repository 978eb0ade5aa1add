#include "shell_common/program_icon.h"

#include <QString>

// The resources of a static library are registered by name.
static void InitIconResources() { Q_INIT_RESOURCE(program_icon); }

namespace vm {

namespace {
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
}  // namespace

QIcon ProgramIcon() {
  static const bool registered = (InitIconResources(), true);
  (void)registered;
  QIcon icon;
  for (int size : kIconSizes)
    icon.addFile(QString(":/icons/%1x%1/vobmarks.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace vm

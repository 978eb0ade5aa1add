#include <cstdio>

#include "cli/commands.h"

namespace vm {

int RunPreview(TitleTables&, CliUi&, const ParsedArgs&) {
  std::fprintf(stderr, "vobmarks-cli: preview is not available in this build\n");
  return 2;
}

}  // namespace vm

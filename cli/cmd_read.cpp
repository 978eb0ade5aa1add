#include <cstdio>

#include "cli/commands.h"

namespace vm {

int RunRead(TitleTables&, CliUi&, const ParsedArgs&) {
  std::fprintf(stderr, "vobmarks-cli: read is not available in this build\n");
  return 2;
}

}  // namespace vm

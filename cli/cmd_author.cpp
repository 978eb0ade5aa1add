#include <cstdio>

#include "cli/commands.h"

namespace vm {

int RunAuthor(TitleTables&, CliUi&, const ParsedArgs&) {
  std::fprintf(stderr, "vobmarks-cli: author is not available in this build\n");
  return 2;
}

}  // namespace vm

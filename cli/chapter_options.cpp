#include "cli/commands.h"

namespace vm {

int ApplyChapterOptions(TitleTables&, CliUi&, const ParsedArgs& args) {
  return args.options.empty() ? 0 : 2;
}

}  // namespace vm

// vobmarks-cli extract INPUT_DIR FIRST[-LAST] OUT: reads the title as
// "Read VOB files(&R)" does and writes to OUT the bytes that playing
// entries FIRST to LAST puts into the work file: a clip cut from the disc
// without re-encoding.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/play_commands.h"
#include "common/output_file.h"
#include "play/playback.h"
#include "title/read_command.h"

namespace vm {

namespace {

bool ParseEntry(const std::string& text, long& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::strtol(text.c_str(), nullptr, 10);
  return value >= 1;
}

}  // namespace

bool ParseEntryRange(const std::string& text, bool lastOptional, long& first, long& last) {
  const size_t dash = text.find('-');
  if (dash == std::string::npos) {
    if (!lastOptional || !ParseEntry(text, first)) return false;
    last = first;
    return true;
  }
  return ParseEntry(text.substr(0, dash), first) && ParseEntry(text.substr(dash + 1), last) &&
         first <= last;
}

int RunExtract(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  const std::string& input = args.positional[0];
  long first = 0, last = 0;
  if (!ParseEntryRange(args.positional[1], true, first, last)) {
    std::fprintf(stderr, "vobmarks-cli: FIRST[-LAST] must be entry numbers from 1, FIRST not above LAST\n");
    return 2;
  }
  const int title = TitleOption(args);
  if (title < 0) return 2;
  const std::string out = MakeAbsolute(args.positional[2]);
  if (FolderInsideInput(out.substr(0, out.rfind('/') + 1).c_str(), input.c_str())) {
    std::fprintf(stderr, "vobmarks-cli: OUT must not be inside the input folder\n");
    return 2;
  }
  if (!ReadForCommand(t, ui, input, title)) return 1;
  if (t.TimeListNum == 0) {
    ui.Error("No VOBU (navigation pack) is found in the VOB files.");
    return 1;
  }
  if (last > t.TimeListNum) {
    std::fprintf(stderr, "vobmarks-cli: %ld-%ld is outside entries 1-%d\n", first, last,
                 t.TimeListNum);
    return 2;
  }
  return CopyEntriesToFile(t, ui, static_cast<int32_t>(first - 1), static_cast<int32_t>(last),
                           out.c_str()) == 0
             ? 0
             : 1;
}

}  // namespace vm

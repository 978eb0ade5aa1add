#include "cli/commands.h"

namespace vm {

// vobmarks-cli read INPUT_DIR: the "Read VOB files" command, then the
// chapter options in order (chapter files among them), then the time list and the labels.
int RunRead(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  const char* folder = args.positional.empty() ? "" : args.positional[0].c_str();
  ChapterFileFormat format;
  if (!ExportFormat(args, format)) return 2;
  const int title = TitleOption(args);
  if (title < 0) return 2;
  if (!ReadForCommand(t, ui, folder, title)) return 1;
  if (t.TimeListNum == 0) {
    ui.Error("No VOBU (navigation pack) is found in the VOB files.");
    return 1;
  }
  int status = ApplyChapterOptions(t, ui, args);
  if (status != 0) return status;
  PrintTimeList(t);
  return 0;
}

}  // namespace vm

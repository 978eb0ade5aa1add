// vobmarks-cli: the headless front end. It drives the same core operations
// as the GUI's buttons.
#include <cstdio>
#include <string>

#include "cli/cli_ui.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/play_commands.h"
#include "common/version.h"
#include "title/tables.h"

int main(int argc, char** argv) {
  using namespace vm;
  ParsedArgs args;
  std::string error;
  if (!ParseArgs(argc, argv, args, error)) {
    std::fprintf(stderr, "vobmarks-cli: %s\n(see vobmarks-cli --help)\n", error.c_str());
    return 2;
  }
  if (args.version) {
    std::printf("%s\n", kVersionText);
    return 0;
  }
  if (args.help) {
    std::fputs(args.command == Command::None ? HelpText().c_str()
                                             : CommandUsage(args.command).c_str(),
               stdout);
    return 0;
  }
  // Folders reach the core as absolute paths.
  int folders = args.command == Command::Author ? 2 : 1;
  if (args.command == Command::Sheet) args.positional[1] = MakeAbsolute(args.positional[1]);
  for (int i = 0; i < folders; ++i) args.positional[i] = MakeAbsolute(args.positional[i]);

  CliUi ui(args.yes ? AutoAnswer::Yes : args.no ? AutoAnswer::No : AutoAnswer::Ask);
  CliUi::InstallInterruptHandler();
  TitleTables& t = Tables();
  ResetTables(t);
  int status = 2;
  switch (args.command) {
    case Command::Read: status = RunRead(t, ui, args); break;
    case Command::Preview: status = RunPreview(t, ui, args); break;
    case Command::Author: status = RunAuthor(t, ui, args); break;
    case Command::Extract: status = RunExtract(t, ui, args); break;
    case Command::Play: status = RunPlay(t, ui, args); break;
    case Command::Verify: status = RunVerify(args); break;
    case Command::Scenes: status = RunScenes(t, ui, args); break;
    case Command::Sheet: status = RunSheet(t, ui, args); break;
    case Command::Titles: status = RunTitles(t, args); break;
    case Command::None: break;
  }
  std::fflush(stdout);
  return status;
}

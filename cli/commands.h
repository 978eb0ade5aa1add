// The subcommands of vobmarks-cli. Each returns the exit status: 0 done,
// 1 ended with an error message or a declined question.
#pragma once

#include "cli/cli_ui.h"
#include "cli/options.h"
#include "title/tables.h"

namespace vm {

int RunRead(TitleTables& t, CliUi& ui, const ParsedArgs& args);
int RunPreview(TitleTables& t, CliUi& ui, const ParsedArgs& args);
int RunAuthor(TitleTables& t, CliUi& ui, const ParsedArgs& args);

// Applies --toggle, --clear, --interval, --chapters and --append-chapters in
// the order given, each as its GUI command. 0, or 1 after a message or a
// declined question; 2 for a malformed value.
int ApplyChapterOptions(TitleTables& t, CliUi& ui, const ParsedArgs& args);

// Prints every time-list line, then the three labels, one per line.
void PrintTimeList(const TitleTables& t);

}  // namespace vm

// The playback subcommands of vobmarks-cli: the work-file copy written to a
// file of the user's choice, and "Play" with the external player started.
#pragma once

#include <string>

#include "cli/cli_ui.h"
#include "cli/options.h"
#include "title/tables.h"

namespace vm {

int RunExtract(TitleTables& t, CliUi& ui, const ParsedArgs& args);
int RunPlay(TitleTables& t, CliUi& ui, const ParsedArgs& args);

// "FIRST-LAST" (or "FIRST" alone when `lastOptional`, then LAST = FIRST):
// 1-based entry numbers, FIRST not above LAST.
bool ParseEntryRange(const std::string& text, bool lastOptional, long& first, long& last);

// Starts `program` with `file` as its one argument: no shell, in a session
// of its own, never waited for. False, with errno's cause in `error`, when
// it could not be started.
bool StartPlayer(const char* program, const char* file, std::string& error);

}  // namespace vm

// The subcommands of vobmarks-cli. Each returns the exit status: 0 done,
// 1 ended with an error message or a declined question.
#pragma once

#include <string>

#include "chapters/chapter_file.h"
#include "chapters/scene_cuts.h"

#include "cli/cli_ui.h"
#include "cli/options.h"
#include "title/tables.h"

namespace vm {

int RunRead(TitleTables& t, CliUi& ui, const ParsedArgs& args);
int RunPreview(TitleTables& t, CliUi& ui, const ParsedArgs& args);
int RunAuthor(TitleTables& t, CliUi& ui, const ParsedArgs& args);
// The volume check: 0 sound, 1 faults found, 2 built without libdvdread.
int RunVerify(const ParsedArgs& args);
// Checks the volume at `path` (a folder or an ISO image) and prints the
// summary to standard output, as text or JSON; the same statuses.
int VerifyVolume(const std::string& path, bool json);

// The --sensitivity and --min-gap given (the last of each counts); false
// after the range message.
bool SceneSettings(const ParsedArgs& args, CliUi& ui, SceneCutSettings& settings);

// vobmarks-cli scenes: each entry's score and the cuts, as text or JSON.
int RunScenes(TitleTables& t, CliUi& ui, const ParsedArgs& args);

// vobmarks-cli sheet: a PNG of the new volume's chapters; 2 when built
// without Qt Gui.
int RunSheet(TitleTables& t, CliUi& ui, const ParsedArgs& args);

// Applies --toggle, --clear, --interval, --chapters, --append-chapters,
// --import-chapters, --export-chapters, --scenes and --snap in the order given, each as its
// GUI command. 0, or 1 after a message or a declined question; 2 for a
// malformed value.
int ApplyChapterOptions(TitleTables& t, CliUi& ui, const ParsedArgs& args);

// The --format of --export-chapters (chplist when not given); false after a
// usage message.
bool ExportFormat(const ParsedArgs& args, ChapterFileFormat& format);

// vobmarks-cli titles INPUT_DIR [--json].
int RunTitles(TitleTables& t, const ParsedArgs& args);

// The --title value: 0 when not given, -1 after a usage message.
int TitleOption(const ParsedArgs& args);

// "Read VOB files" of `folder` with title `title` (0: the whole single
// title set): true when the title was scanned without an error. Refused
// without a title on a volume of several, a second line names --title and
// the titles command.
bool ReadForCommand(TitleTables& t, CliUi& ui, const std::string& folder, int title);

// The output check on a file the command will write, made before the title
// is read so that a refused target costs nothing: false after the message
// (a target in or through the input folder, or a folder, FIFO or device).
// The write itself checks again.
bool OutputTargetAllowed(CliUi& ui, const std::string& target, const std::string& inputFolder);

// Prints every time-list line, then the three labels, one per line.
void PrintTimeList(const TitleTables& t);

}  // namespace vm

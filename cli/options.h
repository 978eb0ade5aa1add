// The command line's subcommands and options, declared once as tables that
// both the parser and --help read.
#pragma once

#include <string>
#include <vector>

namespace vm {

enum class Opt {
  Yes,
  No,
  Help,
  Version,
  Toggle,
  Clear,
  Interval,
  Chapters,
  AppendChapters,
  Range,
  DropAudio,
  DropSubpicture,
  // play
  Continue,
  PlayRange,
  Player,
  // Chapter files, the volume check and the disc image.
  ImportChapters,
  ExportChapters,
  Format,
  Json,
  Verify,
  Iso,
  VolumeId,
  Region,
  // Scene cuts and the picture sheet.
  Scenes,
  Sensitivity,
  MinGap,
  Snap,
  Columns,
  Width,
  // Titles of a volume of several.
  Title,
  // The whole disc written back with the title re-chaptered in place.
  WholeDisc,
  // The jumps of a volume's menus and commands.
  Jumps,
};

struct OptionSpec {
  Opt id;
  const char* name;   // "--toggle"
  const char* value;  // value name, or nullptr for a flag
  const char* help;
};

enum class Command {
  None,
  Read,
  Preview,
  Author,
  Extract,
  Play,
  // The volume check.
  Verify,
  Scenes,
  Sheet,
  Titles,
};

struct CommandSpec {
  Command id;
  const char* name;
  const char* args;  // positional arguments as shown in the usage line
  int positional;    // how many positional arguments it takes
  const char* summary;
  std::vector<Opt> options;
};

const std::vector<OptionSpec>& AllOptions();
const std::vector<CommandSpec>& AllCommands();
const OptionSpec* FindOption(Opt id);

// One option as given, in command-line order.
struct GivenOption {
  Opt id;
  std::string value;
};

struct ParsedArgs {
  Command command = Command::None;
  std::vector<std::string> positional;  // folders made absolute
  std::vector<GivenOption> options;     // the non-global options, in order
  bool yes = false;
  bool no = false;
  bool help = false;
  bool version = false;
};

// Fills `out`; false with a message in `error` on a usage error.
bool ParseArgs(int argc, const char* const* argv, ParsedArgs& out, std::string& error);

// Full help, or one command's usage.
std::string HelpText();
std::string CommandUsage(Command command);

// A relative path joined to the current directory.
std::string MakeAbsolute(const std::string& path);

}  // namespace vm

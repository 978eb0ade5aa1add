#include "cli/options.h"

#include <unistd.h>

#include <cstring>

namespace vm {

namespace {

const std::vector<Opt> kChapterOptions = {
    Opt::Toggle,         Opt::Clear,          Opt::Interval, Opt::Chapters,
    Opt::AppendChapters, Opt::ImportChapters, Opt::Scenes,   Opt::Sensitivity,
    Opt::MinGap,         Opt::Snap};

bool IsGlobal(Opt id) {
  return id == Opt::Yes || id == Opt::No || id == Opt::Help || id == Opt::Version;
}

bool AllowedIn(const CommandSpec* command, Opt id) {
  if (IsGlobal(id)) return true;
  if (command != nullptr)
    for (Opt o : command->options)
      if (o == id) return true;
  return false;
}

}  // namespace

const std::vector<OptionSpec>& AllOptions() {
  static const std::vector<OptionSpec> kOptions = {
      {Opt::Yes, "--yes", nullptr, "answer every question Yes"},
      {Opt::No, "--no", nullptr, "answer every question No"},
      {Opt::Help, "--help", nullptr, "show this help"},
      {Opt::Version, "--version", nullptr, "print the version"},
      {Opt::Toggle, "--toggle", "N[,N...]", "\"Chapter on/off\" on each 1-based entry N in turn"},
      {Opt::Clear, "--clear", nullptr, "\"Clear chapters\""},
      {Opt::Interval, "--interval", "SEC", "\"Chapters interval\" with SEC typed into the dialog"},
      {Opt::Chapters, "--chapters", "FILE", "\"Chapter list [New]\" reading FILE"},
      {Opt::AppendChapters, "--append-chapters", "FILE", "\"Chapter list [Append]\" reading FILE"},
      {Opt::Range, "--range", "FIRST-LAST", "write only entries FIRST to LAST (as S:/E: show them)"},
      {Opt::DropAudio, "--drop-audio", "N[,N...]",
       "leave audio streams N (0-based) out, their packs and their declaration"},
      {Opt::DropSubpicture, "--drop-subpicture", "N[,N...]",
       "leave subpicture streams N (0-based) out"},
      {Opt::Continue, "--continue", nullptr,
       "\"Play continue\" after \"Play\" from ENTRY: the stretch that follows it"},
      {Opt::PlayRange, "--range", "FIRST-LAST", "\"Play A - B\" of entries FIRST to LAST"},
      {Opt::Player, "--player", "PROGRAM", "start PROGRAM instead of the player of the history file"},
      // Chapter files, the volume check and the disc image.
      {Opt::ImportChapters, "--import-chapters", "FILE",
       "\"Chapter list [New]\" from FILE in any chapter file form, times from the range start"},
      {Opt::ExportChapters, "--export-chapters", "FILE",
       "write the range's chapters to FILE (times from the range start)"},
      {Opt::Format, "--format", "F",
       "form of --export-chapters: chplist (default; list time, as CHPLIST.TXT), or ogm, "
       "matroska, ffmetadata, dvdauthor (presentation time, as rippers and players)"},
      {Opt::Json, "--json", nullptr, "print the summary as JSON"},
      {Opt::Verify, "--verify", nullptr, "check the written volume as \"verify\" does"},
      {Opt::Iso, "--iso", "FILE.iso", "also write a DVD-Video disc image (needs genisoimage)"},
      {Opt::VolumeId, "--volume-id", "NAME", "volume name of the --iso image (default DVD_VIDEO)"},
      {Opt::Region, "--region", "all|N[,N...]",
       "playable in all regions, or only in regions N (1 to 8); default: the source's regions"},
      // Scene cuts and the picture sheet.
      {Opt::Scenes, "--scenes", nullptr,
       "\"Chapters at scene cuts\": clear the marks and mark every scene cut"},
      {Opt::Sensitivity, "--sensitivity", "N",
       "scene cuts of --scenes, --snap and scenes: 1 fewest .. 10 most (default 5)"},
      {Opt::MinGap, "--min-gap", "SEC",
       "seconds at least between scene cuts, 1..60 (default 2)"},
      {Opt::Snap, "--snap", "SEC",
       "\"Snap chapters to cuts\": move each mark to the strongest cut within +-SEC (1..60)"},
      {Opt::Columns, "--columns", "N", "tiles per row of the sheet, 1..16 (default 4)"},
      {Opt::Width, "--width", "PIXELS", "width of the sheet, 200..8000 (default 1280)"},
      {Opt::Title, "--title", "N",
       "read title N of the volume (as \"titles\" numbers them); needed when it has several"},
      {Opt::Jumps, "--jumps", nullptr,
       "list every command and menu button that jumps into a title: from where, to which "
       "title and chapter"},
      {Opt::WholeDisc, "--whole-disc", nullptr,
       "write the whole disc back (menus, every title set and file) with the title "
       "re-chaptered in place"},
  };
  return kOptions;
}

const std::vector<CommandSpec>& AllCommands() {
  static const std::vector<CommandSpec> kCommands = [] {
    std::vector<CommandSpec> c;
    std::vector<Opt> read = kChapterOptions;
    read.push_back(Opt::Title);
    read.push_back(Opt::ExportChapters);
    read.push_back(Opt::Format);
    c.push_back({Command::Read, "read", "INPUT_DIR", 1,
                 "read the title and print its time list and labels", read});
    c.push_back({Command::Preview, "preview", "INPUT_DIR ENTRY OUT", 3,
                 "decode the first picture of time-list entry ENTRY to OUT (.ppm or .bmp)",
                 {Opt::Title}});
    std::vector<Opt> author = kChapterOptions;
    author.push_back(Opt::Title);
    author.push_back(Opt::Range);
    author.push_back(Opt::DropAudio);
    author.push_back(Opt::DropSubpicture);
    author.push_back(Opt::Verify);
    author.push_back(Opt::Iso);
    author.push_back(Opt::VolumeId);
    author.push_back(Opt::Region);
    author.push_back(Opt::WholeDisc);
    c.push_back({Command::Author, "author", "INPUT_DIR OUTPUT_DIR", 2,
                 "write a new VIDEO_TS folder with the chapters set", author});
    c.push_back({Command::Extract, "extract", "INPUT_DIR FIRST[-LAST] OUT", 3,
                 "write the bytes that playing entries FIRST to LAST puts into the work file to OUT",
                 {Opt::Title}});
    c.push_back({Command::Play, "play", "INPUT_DIR ENTRY", 2,
                 "\"Play\" from ENTRY into the work file, then start the player on it",
                 {Opt::Continue, Opt::PlayRange, Opt::Player, Opt::Title}});
    c.push_back({Command::Titles, "titles", "INPUT_DIR", 1,
                 "list the volume's titles (number, title set, length, chapters, cells, angles, "
                 "streams), the longest marked",
                 {Opt::Json, Opt::Jumps}});
    // The volume check.
    c.push_back({Command::Verify, "verify", "DIR_OR_ISO", 1,
                 "check a written volume (folder or .iso) with libdvdread and libdvdnav",
                 {Opt::Json}});
    c.push_back({Command::Scenes, "scenes", "INPUT_DIR", 1,
                 "read the title and print each entry's scene-change score and the cuts",
                 {Opt::Sensitivity, Opt::MinGap, Opt::Json}});
    std::vector<Opt> sheet = kChapterOptions;
    sheet.push_back(Opt::Columns);
    sheet.push_back(Opt::Width);
    c.push_back({Command::Sheet, "sheet", "INPUT_DIR OUT.png", 2,
                 "set the chapters, then draw the first picture of each chapter into OUT.png",
                 sheet});
    return c;
  }();
  return kCommands;
}

const OptionSpec* FindOption(Opt id) {
  for (const OptionSpec& o : AllOptions())
    if (o.id == id) return &o;
  return nullptr;
}

std::string MakeAbsolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  std::string out = cwd;
  if (out.back() != '/') out += '/';
  std::string rest = path;
  while (rest.rfind("./", 0) == 0) rest.erase(0, 2);
  if (rest == ".") rest.clear();
  return out + rest;
}

bool ParseArgs(int argc, const char* const* argv, ParsedArgs& out, std::string& error) {
  const CommandSpec* chosen = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strncmp(arg, "--", 2) == 0 && arg[2] != '\0') {
      const char* eq = std::strchr(arg, '=');
      std::string name = eq ? std::string(arg, eq) : std::string(arg);
      // Two commands may give one name different meanings: the command's own wins.
      const OptionSpec* found = nullptr;
      for (const OptionSpec& o : AllOptions())
        if (name == o.name && (found == nullptr || AllowedIn(chosen, o.id))) found = &o;
      if (found == nullptr) {
        error = "unknown option " + name;
        return false;
      }
      if (!AllowedIn(chosen, found->id)) {
        error = name + " is not an option of " + (chosen ? chosen->name : "this command");
        return false;
      }
      std::string value;
      if (found->value != nullptr) {
        if (eq != nullptr) {
          value = eq + 1;
        } else if (i + 1 < argc) {
          value = argv[++i];
        } else {
          error = name + " needs " + found->value;
          return false;
        }
      } else if (eq != nullptr) {
        error = name + " takes no value";
        return false;
      }
      switch (found->id) {
        case Opt::Yes: out.yes = true; break;
        case Opt::No: out.no = true; break;
        case Opt::Help: out.help = true; break;
        case Opt::Version: out.version = true; break;
        default: out.options.push_back({found->id, value});
      }
      continue;
    }
    if (chosen == nullptr) {
      for (const CommandSpec& c : AllCommands())
        if (std::strcmp(arg, c.name) == 0) chosen = &c;
      if (chosen == nullptr) {
        error = std::string("unknown command ") + arg;
        return false;
      }
      out.command = chosen->id;
      continue;
    }
    out.positional.push_back(arg);
  }
  if (out.yes && out.no) {
    error = "--yes and --no exclude each other";
    return false;
  }
  if (out.help || out.version) return true;
  if (chosen == nullptr) {
    error = "no command given";
    return false;
  }
  if (static_cast<int>(out.positional.size()) != chosen->positional) {
    error = std::string("usage: vobmarks-cli ") + chosen->name + " " + chosen->args;
    return false;
  }
  return true;
}

std::string CommandUsage(Command command) {
  for (const CommandSpec& c : AllCommands()) {
    if (c.id != command) continue;
    std::string s = std::string("usage: vobmarks-cli [--yes|--no] ") + c.name + " " + c.args;
    if (!c.options.empty()) s += " [options]";
    s += "\n  " + std::string(c.summary) + "\n";
    for (Opt id : c.options) {
      const OptionSpec* o = FindOption(id);
      std::string left = std::string("    ") + o->name + (o->value ? std::string(" ") + o->value : "");
      if (left.size() < 32) left.resize(32, ' ');
      s += left + o->help + "\n";
    }
    return s;
  }
  return {};
}

std::string HelpText() {
  std::string s = "usage: vobmarks-cli [--yes|--no] COMMAND ARGS [options]\n\ncommands:\n";
  for (const CommandSpec& c : AllCommands()) {
    std::string left = std::string("  ") + c.name + " " + c.args;
    if (left.size() < 32) left.resize(32, ' ');
    s += left + c.summary + "\n";
  }
  s += "\nglobal options:\n";
  for (const OptionSpec& o : AllOptions()) {
    if (!IsGlobal(o.id)) continue;
    std::string left = std::string("  ") + o.name;
    if (left.size() < 32) left.resize(32, ' ');
    s += left + o.help + "\n";
  }
  s += "\n";
  for (const CommandSpec& c : AllCommands()) s += CommandUsage(c.id) + "\n";
  s += "Exit status: 0 done, 1 ended with an error message or a declined question, 2 usage error.\n"
       "verify: 0 sound, 1 a fault found, 2 built without libdvdread and libdvdnav.\n"
       "sheet: 2 also when built without Qt 6 Gui.\n";
  return s;
}

}  // namespace vm

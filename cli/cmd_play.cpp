// vobmarks-cli play INPUT_DIR ENTRY [--continue] [--range FIRST-LAST]
// [--player PROGRAM]: the play commands of the desktop program, with its
// settings: the playing time and the player come from its history file,
// which is only read, and the work file goes into the program folder.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/history.h"
#include "app/startup.h"
#include "cli/commands.h"
#include "cli/play_commands.h"
#include "play/playback.h"
#include "title/read_command.h"

extern char** environ;

namespace vm {

bool StartPlayer(const char* program, const char* file, std::string& error) {
  // The system reaps the player when it ends, since it is never waited for;
  // the player itself starts with every signal at its default.
  signal(SIGCHLD, SIG_IGN);
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_init(&actions);
  sigset_t defaults, none;
  sigfillset(&defaults);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  char* const argv[] = {const_cast<char*>(program), const_cast<char*>(file), nullptr};
  pid_t pid = 0;
  const int r = posix_spawnp(&pid, program, &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (r != 0) error = std::strerror(r);
  return r == 0;
}

namespace {

int UsageError(const char* text) {
  std::fprintf(stderr, "vobmarks-cli: %s\n", text);
  return 2;
}

}  // namespace

int RunPlay(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  long entry = 0, unused = 0, first = 0, last = 0;
  const std::string& entryText = args.positional[1];
  if (entryText.find('-') != std::string::npos || !ParseEntryRange(entryText, true, entry, unused))
    return UsageError("ENTRY must be a time-list entry number from 1");
  bool again = false, ranged = false;
  std::string player;
  bool playerGiven = false;
  for (const GivenOption& o : args.options) {
    switch (o.id) {
      case Opt::Continue: again = true; break;
      case Opt::PlayRange:
        if (!ParseEntryRange(o.value, false, first, last))
          return UsageError("--range needs FIRST-LAST, entry numbers from 1, FIRST not above LAST");
        ranged = true;
        break;
      case Opt::Player:
        if (o.value.empty()) return UsageError("--player needs a program");
        player = o.value;
        playerGiven = true;
        break;
      default: break;
    }
  }
  if (again && ranged) return UsageError("--continue and --range exclude each other");
  const int title = TitleOption(args);
  if (title < 0) return 2;

  Path programFolder, historyPath;
  if (!FindProgramFolder(programFolder) ||
      !MakeHistoryPath(programFolder.c_str(), "vobmarks", historyPath)) {
    std::fprintf(stderr, "vobmarks-cli: the program folder is not found\n");
    return 1;
  }
  HistoryBlock& h = History();
  const char* home = std::getenv("HOME");
  ReadHistory(h, historyPath.c_str(), home != nullptr && home[0] == '/' ? home : "/");
  if (!playerGiven) player = h.PlayerPath;

  if (!ReadForCommand(t, ui, args.positional[0], title)) return 1;
  if (t.TimeListNum == 0) {
    ui.Error("No VOBU (navigation pack) is found in the VOB files.");
    return 1;
  }
  if (entry > t.TimeListNum || last > t.TimeListNum) {
    std::fprintf(stderr, "vobmarks-cli: the time list has entries 1-%d\n", t.TimeListNum);
    return 2;
  }
  const PlaySelection sel{static_cast<int32_t>(entry - 1),
                          ranged ? static_cast<int32_t>(first - 1) : -1,
                          ranged ? static_cast<int32_t>(last - 1) : -1};
  PlayRange range;
  if (again) {
    // "Play" from ENTRY first sets where "Play continue" goes on.
    if (!ChoosePlayRange(t, ui, PlayMode::Play, sel, h.PlayingTime, range)) return 1;
    t.PlayNextIndex = std::min(range.end, t.TimeListNum);
  }
  const PlayMode mode = ranged ? PlayMode::AtoB : again ? PlayMode::Continue : PlayMode::Play;
  if (!ChoosePlayRange(t, ui, mode, sel, h.PlayingTime, range)) return 1;
  Path workFile;
  if (WritePlayFile(t, ui, range, programFolder.c_str(), workFile) != PlayResult::Ready) return 1;
  std::printf("%s\n", workFile.c_str());
  std::fflush(stdout);
  std::string error;
  if (!StartPlayer(player.c_str(), workFile.c_str(), error)) {
    std::fprintf(stderr, "vobmarks-cli: cannot start %s: %s\n", player.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vm

#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "play/scene_scan.h"
#include "title/read_command.h"

namespace vm {

namespace {

// The "hh:mm:ss.mmm" of an entry's line.
void EntryTime(const TitleTables& t, int32_t i, char* out, size_t size) {
  const char* open = std::strchr(t.Line[i], '(');
  const char* close = open ? std::strchr(open, ')') : nullptr;
  const int n = open && close ? static_cast<int>(close - open - 1) : 0;
  std::snprintf(out, size, "%.*s", n, open ? open + 1 : "");
}

}  // namespace

// vobmarks-cli scenes INPUT_DIR: reads the title, scores every entry and
// prints the scores with the cuts that --sensitivity and --min-gap give. A
// cut's own score follows it: a cut marked on the entry before the one
// whose picture changed (the entry whose clock holds it) carries that
// picture's score, not its own.
int RunScenes(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  SceneCutSettings settings;
  if (!SceneSettings(args, ui, settings)) return 1;
  bool json = false;
  for (const GivenOption& o : args.options) json = json || o.id == Opt::Json;
  ReadResult r = ReadVobFiles(t, ui, args.positional[0].c_str());
  if (r != ReadResult::Scanned || ui.Failed()) return 1;
  if (t.TimeListNum == 0) {
    ui.Error("No VOBU (navigation pack) is found in the VOB files.");
    return 1;
  }
  SceneScores& s = Scores();
  if (EnsureSceneScores(t, ui, s) != kSceneScanDone) return 1;
  static float cut[kTimeListSlots];
  FindSceneCuts(t, s.score, s.count, settings, cut);
  char time[32];
  std::printf(json ? "{\"entries\": [\n" : "entry time score [cut score]\n");
  for (int32_t i = 0; i < s.count; ++i) {
    EntryTime(t, i, time, sizeof time);
    if (json)
      std::printf(
          "  {\"entry\": %d, \"time\": \"%s\", \"score\": %.4f, \"cut\": %s, \"cutScore\": %.4f}%s\n",
          i + 1, time, static_cast<double>(s.score[i]), cut[i] > 0 ? "true" : "false",
          static_cast<double>(cut[i]), i + 1 < s.count ? "," : "");
    else
      std::printf(cut[i] > 0 ? "%05d %s %.4f cut %.4f\n" : "%05d %s %.4f\n", i + 1, time,
                  static_cast<double>(s.score[i]), static_cast<double>(cut[i]));
  }
  std::printf(json ? "], \"cuts\": [" : "cuts:");
  bool first = true;
  for (int32_t i = 0; i < s.count; ++i) {
    if (cut[i] <= 0) continue;
    std::printf("%s%d", json ? (first ? "" : ", ") : " ", i + 1);
    first = false;
  }
  std::printf(json ? "]}\n" : "\n");
  return 0;
}

}  // namespace vm

// The chapter options of vobmarks-cli, each run as the window's command of
// the same name on the title just read. The caret starts on entry 0, where
// the read leaves it, and follows the selection each command leaves.
#include <cstdio>
#include <string>
#include <vector>

#include "chapters/chapter_file.h"
#include "chapters/chapter_list.h"
#include "chapters/chapter_marks.h"
#include "chapters/row_time.h"
#include "chapters/scene_cuts.h"
#include "play/scene_scan.h"
#include "cli/commands.h"
#include "common/fixed_string.h"

namespace vm {

namespace {

// "N[,N...]" with every N in 1..count, as 0-based entries; false on
// anything else.
bool ParseToggleList(const std::string& text, int32_t count, std::vector<int32_t>& out) {
  size_t start = 0;
  while (true) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    if (end == start) return false;  // empty list or an empty item
    int64_t n = 0;
    for (size_t k = start; k < end; ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      if (n <= count) n = n * 10 + (text[k] - '0');
    }
    if (n < 1 || n > count) return false;
    out.push_back(static_cast<int32_t>(n - 1));
    if (end == text.size()) return true;
    start = end + 1;
  }
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "vobmarks-cli: %s\n", text.c_str());
  return 2;
}

void Follow(int32_t& caret, int32_t selection) {
  if (selection >= 0) caret = selection;
}

int RunChapterListOption(TitleTables& t, CliUi& ui, int32_t& caret, ChapterListMode mode,
                         const std::string& file) {
  std::string path = MakeAbsolute(file);
  if (path.size() > kMaxPathChars) return UsageError("path too long: " + file);
  Follow(caret, RunChapterList(t, ui, caret, mode, path.c_str()));
  return 0;
}

}  // namespace

bool SceneSettings(const ParsedArgs& args, CliUi& ui, SceneCutSettings& settings) {
  for (const GivenOption& o : args.options) {
    if (o.id == Opt::Sensitivity &&
        !SceneValueFromText(ui, o.value.c_str(), kMinSceneSensitivity, kMaxSceneSensitivity,
                            settings.sensitivity))
      return false;
    if (o.id == Opt::MinGap &&
        !SceneValueFromText(ui, o.value.c_str(), kMinSceneGapSeconds, kMaxSceneGapSeconds,
                            settings.minGapSeconds))
      return false;
  }
  return true;
}

bool ExportFormat(const ParsedArgs& args, ChapterFileFormat& format) {
  format = ChapterFileFormat::Chplist;
  for (const GivenOption& o : args.options) {
    if (o.id == Opt::Format && !ChapterFormatFromName(o.value.c_str(), format)) {
      std::fprintf(stderr,
                   "vobmarks-cli: --format must be chplist, ogm, matroska, ffmetadata or "
                   "dvdauthor, got \"%s\"\n",
                   o.value.c_str());
      return false;
    }
  }
  return true;
}

int ApplyChapterOptions(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  ChapterFileFormat format;
  if (!ExportFormat(args, format)) return 2;
  SceneCutSettings scenes;
  if (!SceneSettings(args, ui, scenes)) return 1;
  int32_t caret = 0;
  for (const GivenOption& o : args.options) {
    switch (o.id) {
      case Opt::Scenes: {
        if (!ConfirmSceneCuts(t, ui)) break;
        SceneScores& s = Scores();
        if (EnsureSceneScores(t, ui, s) != kSceneScanDone) return 1;
        Follow(caret, MarkSceneCuts(t, ui, s.score, s.count, scenes, caret));
        break;
      }
      case Opt::Snap: {
        int32_t seconds = kDefaultSnapSeconds;
        if (!SceneValueFromText(ui, o.value.c_str(), kMinSnapSeconds, kMaxSnapSeconds, seconds))
          return 1;
        SceneScores& s = Scores();
        if (EnsureSceneScores(t, ui, s) != kSceneScanDone) return 1;
        Follow(caret, SnapChaptersToCuts(t, ui, s.score, s.count, seconds, scenes, caret));
        break;
      }
      case Opt::Toggle: {
        std::vector<int32_t> entries;
        if (!ParseToggleList(o.value, ChapterEntryCount(t), entries)) {
          return UsageError("--toggle needs entry numbers 1.." +
                            std::to_string(ChapterEntryCount(t)) + ", got \"" + o.value + "\"");
        }
        for (int32_t e : entries) Follow(caret, ToggleChapter(t, e));
        break;
      }
      case Opt::Clear:
        Follow(caret, ClearChapters(t, ui, caret));
        break;
      case Opt::Interval:
        if (!IntervalCommandMayStart(t, ui)) break;
        if (!StoreIntervalText(t, ui, o.value.c_str())) break;
        Follow(caret, RunIntervalPass(t, ui, caret));
        break;
      case Opt::Chapters:
      case Opt::AppendChapters: {
        ChapterListMode mode =
            o.id == Opt::Chapters ? ChapterListMode::New : ChapterListMode::Append;
        if (int r = RunChapterListOption(t, ui, caret, mode, o.value); r != 0) return r;
        break;
      }
      case Opt::ImportChapters:
        Follow(caret, RunImportChapters(t, ui, caret, MakeAbsolute(o.value).c_str()));
        break;
      case Opt::ExportChapters:
        RunExportChapters(t, ui, format, o.value.c_str());
        break;
      default:
        continue;  // not a chapter option
    }
    if (ui.Failed()) return 1;
  }
  return 0;
}

}  // namespace vm

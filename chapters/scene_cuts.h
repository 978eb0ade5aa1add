// Chapters at scene cuts: deciding cuts from the scores of a read (each
// entry's change from the entry before, see play/scene_scan.h) and marking
// them, and moving existing marks to the strongest cut near them.
#pragma once

#include <cstdint>

#include "title/tables.h"

namespace vm {

class Ui;

constexpr int32_t kMinSceneSensitivity = 1;
constexpr int32_t kMaxSceneSensitivity = 10;
constexpr int32_t kDefaultSceneSensitivity = 5;
constexpr int32_t kMinSceneGapSeconds = 1;
constexpr int32_t kMaxSceneGapSeconds = 60;
constexpr int32_t kDefaultSceneGapSeconds = 2;
constexpr int32_t kMinSnapSeconds = 1;
constexpr int32_t kMaxSnapSeconds = 60;
constexpr int32_t kDefaultSnapSeconds = 5;

struct SceneCutSettings {
  int32_t sensitivity = kDefaultSceneSensitivity;  // 1 (fewest cuts) .. 10 (most)
  int32_t minGapSeconds = kDefaultSceneGapSeconds;
};

// Which entries open a new scene: cut[i] = the cut's score, else 0, for the
// first `count` entries (count <= the time list's entries). An entry is a cut when its
// score stands above a floor and above the rolling level of its neighbours
// on both sides (the level of the busier side counts, so that a steady
// change such as motion or a fade starting is not a cut), with at least the
// gap of elapsed playing time after the first entry and between cuts (the
// stronger of two close ones stays). At most 126 cuts are kept, the
// strongest, so that the first entry and the cuts make at most 127 chapters.
//
// The score of entry i is that of its first picture against entry i - 1's,
// so a cut is marked on the first entry whose first picture shows the new
// shot: the VOBU that starts at the cut in presentation time, or the next
// one to start after it.
// Returns the number of cuts.
int32_t FindSceneCuts(const TitleTables& t, const float* score, int32_t count,
                      const SceneCutSettings& settings, float* cut);

// The question asked before the marks are replaced; true on Yes. Silent and
// false while busy; "Input data is none." with no title read.
bool ConfirmSceneCuts(TitleTables& t, Ui& ui);

// Clears every mark and marks each cut, then says "Set OK.". Returns the
// entry to select (the caret) or -1.
int32_t MarkSceneCuts(TitleTables& t, Ui& ui, const float* score, int32_t count,
                      const SceneCutSettings& settings, int32_t caret);

// Moves each mark (entry 0's aside) to the strongest of the cuts the
// settings give within +-seconds of elapsed playing time;
// a mark with no cut that near stays, and two marks never merge into one
// (the second keeps its place). Says "Set OK.".
int32_t SnapChaptersToCuts(TitleTables& t, Ui& ui, const float* score, int32_t count,
                           int32_t seconds, const SceneCutSettings& settings, int32_t caret);

// The dialogs' value checks, like the interval dialog's: "%d" on the typed
// text, and the range message with the dialog staying open when outside.
bool SceneValueFromText(Ui& ui, const char* text, int32_t low, int32_t high, int32_t& value);

}  // namespace vm

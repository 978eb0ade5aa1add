#pragma once

// The scene-cut scores of a title: one decode of each VOBU's signature and,
// for every entry, how different its picture is from the entry before. The
// scores are kept with a key of the time list they came from, so that
// deciding cuts again with another sensitivity or gap reads nothing.

#include <cstdint>

#include "common/ui.h"
#include "title/tables.h"

namespace vm {

struct SceneScores {
  int32_t count;  // entries scored; 0 before the first scan
  uint64_t key;   // SceneScoresKey of the time list scored
  // score[i]: the change from entry i - 1 to entry i; score[0] is 0.
  float score[kTimeListSlots];
  // pictureMs[i]: when entry i's first picture is shown, in ms from the
  // first entry's, from the navigation packs; -1 when not known.
  int32_t pictureMs[kTimeListSlots];
};

// The run's instance.
SceneScores& Scores();

// A fingerprint of the time list: its length, sectors and files.
uint64_t SceneScoresKey(const TitleTables& t);

enum SceneScanResult : int32_t {
  kSceneScanDone = 0,
  kSceneScanStopped = 1,  // the progress window was closed; the scores are dropped
  kSceneScanFailed = 2,   // a VOB file could not be opened or read, or is encrypted (its
                          // message shown)
  kSceneScanIgnored = 3,  // busy, or no title read
};

// Scores every entry, with the progress window and its stop. An entry whose
// picture cannot be decoded scores 0, and so does the one after it.
int32_t ScanSceneScores(TitleTables& t, Ui& ui, SceneScores& s);

// The kept scores when they are of this time list, else a scan.
int32_t EnsureSceneScores(TitleTables& t, Ui& ui, SceneScores& s);

}  // namespace vm

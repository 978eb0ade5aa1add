#include "play/scene_scan.h"

#include <algorithm>

#include "common/silent_ui.h"
#include "play/preview_decoder.h"
#include "play/preview_request.h"
#include "play/vobu_signature.h"

namespace vm {

namespace {

constexpr int32_t kPumpEvery = 16;

}  // namespace

SceneScores& Scores() {
  static SceneScores scores;
  return scores;
}

uint64_t SceneScoresKey(const TitleTables& t) {
  // FNV-1a over the entry count and each entry's file and sector.
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](uint64_t v) {
    for (int k = 0; k < 8; ++k) {
      h ^= (v >> (8 * k)) & 0xFF;
      h *= 1099511628211ull;
    }
  };
  const int32_t n = std::clamp(t.TimeListNum, int32_t{0}, int32_t{kMaxTimeListEntries});
  mix(static_cast<uint64_t>(n));
  for (int32_t i = 0; i < n; ++i)
    mix((uint64_t{t.TimeListFileNo[i]} << 32) | static_cast<uint32_t>(t.TimeListSector[i]));
  return h;
}

int32_t ScanSceneScores(TitleTables& t, Ui& ui, SceneScores& s) {
  if (t.BusyFlag == 1 || t.TimeListNum <= 0) return kSceneScanIgnored;
  const int32_t n = t.TimeListNum > kMaxTimeListEntries ? kMaxTimeListEntries : t.TimeListNum;
  static VobuSignature signatures[2];
  static PreviewRequest request;
  // A picture that does not decode only loses its score; its message is
  // dropped.
  SilentUi quiet(Answer::No);
  s.count = 0;
  t.BusyFlag = 1;
  t.StopRequest = 0;
  ui.ProgressOpen("Scene cuts reading");
  int32_t result = kSceneScanDone;
  uint32_t firstPtm = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (i % kPumpEvery == 0) {
      PumpAndPoll(ui, t.StopRequest);
      if (t.StopRequest == 1) {
        result = kSceneScanStopped;
        break;
      }
      ui.ProgressDraw(i, n);
    }
    VobuSignature& now = signatures[i & 1];
    const VobuSignature& before = signatures[(i & 1) ^ 1];
    int32_t r = kPreviewDecodeError;
    if (FillPreviewRequest(t, i, request))
      r = DecodeVobuSignature(quiet, request.vobPath, request.continuationPath, request.sector, now);
    // A file that cannot be opened or read, or is encrypted, ends the scan;
    // only a picture that does not decode loses its score alone.
    if (r == kPreviewOpenError || r == kPreviewSeekError || r == kPreviewReadError ||
        r == kPreviewEncrypted) {
      ui.Error(quiet.lastError);
      result = kSceneScanFailed;
      break;
    }
    if (r != kPreviewFinished) now.width = 0;
    s.score[i] = i == 0 ? 0.0f : SignatureDistance(before, now);
    if (i == 0) firstPtm = now.startPtm;
    s.pictureMs[i] = now.startPtm != 0 && firstPtm != 0
                         ? static_cast<int32_t>((now.startPtm - firstPtm) / 90)
                         : -1;
  }
  if (result == kSceneScanDone) {
    ui.ProgressDraw(n, n);
    s.count = n;
    s.key = SceneScoresKey(t);
  }
  t.BusyFlag = 0;
  ui.ProgressClose();
  return result;
}

int32_t EnsureSceneScores(TitleTables& t, Ui& ui, SceneScores& s) {
  if (t.BusyFlag == 1 || t.TimeListNum <= 0) return kSceneScanIgnored;
  if (s.count > 0 && s.count == t.TimeListNum && s.key == SceneScoresKey(t)) return kSceneScanDone;
  return ScanSceneScores(t, ui, s);
}

}  // namespace vm

// The Chapter menu's scene-cut commands and its chapter pictures window.
#include "app/chapter_pictures_window.h"
#include "app/main_window.h"
#include "app/scene_dialogs.h"
#include "chapters/chapter_marks.h"
#include "chapters/scene_cuts.h"
#include "play/scene_scan.h"

namespace vm {

namespace {

// The dialogs' values, kept for the run as the interval is.
SceneCutSettings& Settings() {
  static SceneCutSettings settings;
  return settings;
}

int32_t& SnapSeconds() {
  static int32_t seconds = kDefaultSnapSeconds;
  return seconds;
}

}  // namespace

void MainWindow::SceneCutsCommand() {
  if (Busy()) return;
  TitleTables& t = ctx_.tables;
  if (!IntervalCommandMayStart(t, ui_)) return;  // "Input data is none."
  if (!RunSceneCutsDialog(this, Settings(), ui_)) return;
  if (!ConfirmSceneCuts(t, ui_)) return;
  SceneScores& s = Scores();
  if (EnsureSceneScores(t, ui_, s) != kSceneScanDone) return;
  AfterChapterCommand(MarkSceneCuts(t, ui_, s.score, s.count, Settings(), CaretLine()));
}

void MainWindow::SnapChaptersCommand() {
  if (Busy()) return;
  TitleTables& t = ctx_.tables;
  if (!IntervalCommandMayStart(t, ui_)) return;
  if (!RunSnapDialog(this, SnapSeconds(), ui_)) return;
  SceneScores& s = Scores();
  if (EnsureSceneScores(t, ui_, s) != kSceneScanDone) return;
  AfterChapterCommand(SnapChaptersToCuts(t, ui_, s.score, s.count, SnapSeconds(),
                                         Settings(), CaretLine()));
}

void MainWindow::ChapterPicturesCommand() {
  if (Busy()) return;
  if (!IntervalCommandMayStart(ctx_.tables, ui_)) return;  // "Input data is none."
  const bool opened = pictures_ == nullptr;
  if (opened) pictures_ = new ChapterPicturesWindow(this);
  pictures_->show();
  // Shown, the window has its frame: placed by it, clear of the main
  // window's buttons.
  if (opened) pictures_->PlaceBesideOwner();
  pictures_->raise();
  pictures_->activateWindow();
}

ChapterPicturesWindow* MainWindow::Pictures() const { return pictures_; }

}  // namespace vm

// The main window: the time list with its labels and jump buttons, the two
// folder fields and every command button, laid out as its dialog template
// says, inside the main frame. Each handler applies the busy rule, reads
// the controls, calls the core operation and shows what it reports.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "app/qt_ui.h"
#include "author/author_state.h"
#include "title/tables.h"

class QLabel;
class QLineEdit;

namespace vm {

struct HistoryBlock;
struct ShellSettings;
class ChapterPicturesWindow;
class PreviewWindow;
class TimeListModel;
class TimeListView;

// Control ids of the template, used as object names so that tests and
// desktop automation find each control.
enum ControlId : int {
  kIdExit = 2,
  kIdRead = 101,
  kIdPlay = 102,
  kIdInputFolder = 103,
  kIdInputRef = 104,
  kIdChapterToggle = 105,
  kIdSettings = 107,
  kIdOutputRef = 111,
  kIdCreate = 112,
  kIdOutputFolder = 113,
  kIdTimeList = 114,
  kIdClearChapters = 118,
  kIdChapterUp = 119,
  kIdChapterDown = 120,
  kIdHelp = 121,
  kIdCellUp = 123,
  kIdCellDown = 124,
  kIdPlayContinue = 125,
  kIdPlayAtoB = 134,
  kIdLabelStart = 201,
  kIdLabelEnd = 202,
  kIdLabelSize = 203,
  kIdLabelTitle = 204,  // the chosen title's number, beside S: and E:
};

// The process-wide state the window works on; tests build their own.
struct ShellContext {
  TitleTables& tables;
  AuthorState& author;
  HistoryBlock& history;
  const char* programFolder;  // ends in '/'
  // The choices kept between runs beside the history file; without them
  // the window keeps its own for the run.
  ShellSettings* settings = nullptr;
  const char* settingsPath = nullptr;
};

class MainWindow : public QWidget {
 public:
  MainWindow(const ShellContext& context, QWidget* parent);
  ~MainWindow() override;

  // The main window's set-up: empty tables, interval 180 s, the labels of
  // an empty range and the folder fields from the history.
  void ResetForStart();

  // The close check: refused while busy; after a read, "Exit or not ?".
  bool MayClose();

  // Commands, as the buttons and menu entries run them.
  void ReadTitle();
  void PickInputFolder();
  void PickOutputFolder();
  void CreateVolumeCommand();
  // "Output options(&O)...": the dialog; its choices stored at once.
  void OutputOptionsCommand();
  void Play(int mode);  // the PlayMode values
  void PlayCaretVobu();
  void Navigate(int button);  // the NavButton values
  void ToggleChapterCommand();
  void ClearChaptersCommand();
  void IntervalCommand();
  void ChapterListCommand(bool append);
  void ImportChaptersCommand();
  void ExportChaptersCommand();
  // Chapters at scene cuts, snapping marks to cuts and the chapter
  // pictures window (app/scene_commands.cpp).
  void SceneCutsCommand();
  void SnapChaptersCommand();
  void ChapterPicturesCommand();
  ChapterPicturesWindow* Pictures() const;
  // What the two commands do with the file the dialog gave; `format` is the
  // dialog's filter: chapter list, OGM, Matroska XML, FFmpeg metadata,
  // dvdauthor list.
  void ImportChaptersFile(const QString& path);
  void ExportChaptersFile(QString path, int format);
  void SettingsCommand();
  void HelpCommand();
  void VersionCommand();

  // Selection helpers of the time list.
  int32_t CaretLine() const;
  int32_t TopLine() const;
  void SelectEntry(int32_t i);
  void MakeTopLine(int32_t i);
  void SelectLines(int32_t first, int32_t last);

  // Opens, points or closes the preview window for the caret line.
  void RefreshPreview();
  PreviewWindow* Preview() const;

  QtUi& Messages() { return ui_; }
  TimeListView* TimeList() const { return list_; }
  TimeListModel* Model() const { return model_; }
  const ShellContext& Context() const { return ctx_; }
  ShellSettings& KeptSettings() { return *settings_; }
  // Writes the kept choices, when the window has a file for them.
  void SaveSettings();
  // Where "Output options" runs vobmarks-cli from; tests point it elsewhere.
  void SetVerifyProgram(const QString& path) { verifyProgram_ = path; }

  // A VIDEO_TS folder, the folder holding one, or one of its files, dropped
  // on the window: into the input field, then read.
  bool DropInput(const QString& path);

  // Runs after the frame decides to close, so the frame can quit.
  void SetExitHandler(std::function<void()> onExit) { onExit_ = std::move(onExit); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The controls of the template, each bound to its handler by its id.
  void BindControls();
  void UpdateLabels();
  QString ChapterFileFolder() const;
  void KeepChapterFileFolder(const QString& path);
  void AfterChapterCommand(int32_t select);
  bool TakeFolderField(QLineEdit* field, char* historyField, const char* what);
  void PickFolder(QLineEdit* field, char* historyField, const char* caption, const char* what);
  bool Busy() const { return ctx_.tables.BusyFlag == 1; }

  ShellContext ctx_;
  QtUi ui_;
  TimeListModel* model_ = nullptr;
  TimeListView* list_ = nullptr;
  QLineEdit* inputFolder_ = nullptr;
  QLineEdit* outputFolder_ = nullptr;
  QLabel* labelStart_ = nullptr;
  QLabel* labelEnd_ = nullptr;
  QLabel* labelSize_ = nullptr;
  QLabel* labelTitle_ = nullptr;
  QPointer<PreviewWindow> preview_;
  QPointer<ChapterPicturesWindow> pictures_;
  std::function<void()> onExit_;
  std::unique_ptr<ShellSettings> ownSettings_;
  ShellSettings* settings_;
  QString verifyProgram_;
};

}  // namespace vm

// The command handlers of the main window. Each one returns at once while
// a long operation runs (its handler is nested inside the pumped events),
// then reads the controls it needs, runs the core operation and shows the
// outcome in the time list.
#include <QLineEdit>
#include <QProcess>

#include <cstring>
#include <string>

#include "app/help_command.h"
#include "app/output_options_dialog.h"
#include "app/shell_settings.h"
#include "app/verify_report.h"
#include "author/disc_image.h"
#include "author/output_options.h"
#include "app/history.h"
#include "app/interval_dialog.h"
#include "app/main_window.h"
#include "app/settings_dialog.h"
#include "app/time_list_model.h"
#include "app/time_list_view.h"
#include "app/title_select_dialog.h"
#include "app/version_box.h"
#include "author/create_volume.h"
#include "chapters/chapter_list.h"
#include "chapters/chapter_marks.h"
#include "common/fixed_string.h"
#include "common/path.h"
#include "pickers/folder_select_dialog.h"
#include "play/playback.h"
#include "title/read_command.h"
#include "title/time_list_nav.h"
#include "title/title_choice.h"

namespace vm {

namespace {

// Folder fields hold at most this many bytes, as the history file stores
// them in 260-byte fields.
constexpr size_t kFolderFieldBytes = kPathBytes - 1;

constexpr char kChapterListName[] = "CHPLIST.TXT";
constexpr char kDiscImageCaption[] = "Disc image writing";

}  // namespace

// Takes a folder field's text into its history field; a text that does not
// fit is refused with a message rather than cut.
bool MainWindow::TakeFolderField(QLineEdit* field, char* historyField, const char* what) {
  QByteArray text = field->text().toUtf8();
  if (static_cast<size_t>(text.size()) > kFolderFieldBytes) {
    Path message;
    message.Format("%s folder name is too long (%d bytes; at most %d).", what,
                   static_cast<int>(text.size()), static_cast<int>(kFolderFieldBytes));
    ui_.Error(message.c_str());
    return false;
  }
  std::memcpy(historyField, text.constData(), static_cast<size_t>(text.size()) + 1);
  return true;
}

void MainWindow::ReadTitle() {
  if (Busy()) return;
  if (!TakeFolderField(inputFolder_, ctx_.history.InputFolderText, "Input")) return;
  TitleTables& t = ctx_.tables;
  // A volume of several titles, one of them readable: the person picks
  // one; Cancel ends the read with nothing changed.
  int title = 0;
  Path folder;
  ShellSettings& kept = *settings_;
  if (IsFullPath(ctx_.history.InputFolderText) && folder.Set(ctx_.history.InputFolderText) &&
      AddTrailingSeparator(folder) && ListVolumeTitles(t, folder.c_str()) > 1 &&
      t.Titles.longest >= 0) {
    // The title last read from this volume is offered first, else the
    // longest.
    const int last = std::strcmp(kept.LastTitleFolder, folder.c_str()) == 0 ? kept.LastTitle : 0;
    const int wholeDisc = kept.WholeDisc;
    title = RunTitleSelect(this, t.Titles, last, kept.WholeDisc);
    if (kept.WholeDisc != wholeDisc) SaveSettings();
    if (title == 0) return;
  }
  ReadResult r = ReadVobFiles(t, ui_, ctx_.history.InputFolderText, title);
  if (r == ReadResult::Scanned && title > 0) {
    std::memcpy(kept.LastTitleFolder, folder.c_str(), folder.size() + 1);
    kept.LastTitle = title;
    SaveSettings();
  }
  // The folder of the last read, as the read took it (with its '/').
  CopyField(ctx_.history.InputFolder, t.InputFolder);
  model_->Sync();
  UpdateLabels();
  if (r != ReadResult::Scanned) return;
  // Every row of a new list is new, also where the count came out the same.
  model_->AllRowsChanged();
  RefreshPreview();
  SelectEntry(0);
}

// A "Ref..." button: the folder picker starts from the field's text and
// puts the chosen folder into the field and the history.
void MainWindow::PickFolder(QLineEdit* field, char* historyField, const char* caption,
                            const char* what) {
  if (Busy()) return;
  Path path;
  if (!path.Set(field->text().toUtf8().constData())) {
    TakeFolderField(field, historyField, what);  // says that it is too long
    return;
  }
  if (!RunFolderSelect(this, caption, ctx_.programFolder, path)) return;
  field->setText(QString::fromUtf8(path.c_str()));
  std::memcpy(historyField, path.c_str(), path.size() + 1);
}

void MainWindow::PickInputFolder() {
  PickFolder(inputFolder_, ctx_.history.InputFolderText, "Input folder select", "Input");
}

void MainWindow::PickOutputFolder() {
  PickFolder(outputFolder_, ctx_.history.OutputFolderText, "Output folder select", "Output");
}

// Writes the volume with the output options: region, streams left out and
// the whole disc go into the tables first; the disc image and the check
// follow a normal end. An image path that would land in the input folder
// or in the folder it is made from is refused before anything is written.
void MainWindow::CreateVolumeCommand() {
  if (Busy()) return;
  if (!TakeFolderField(outputFolder_, ctx_.history.OutputFolderText, "Output")) return;
  const ShellSettings& o = *settings_;
  TitleTables& t = ctx_.tables;
  const bool image = o.WriteImage != 0 && t.VobFileNum > 0;
  if (image) {
    // The choices may come from a settings file edited by hand: the
    // dialog's own checks are made again here.
    if (o.ImagePath[0] != '/') {
      ui_.Error(kImagePathMessage);
      return;
    }
    if (!ValidVolumeId(o.VolumeId)) {
      ui_.Error(kVolumeIdMessage);
      return;
    }
    std::string why;
    if (!DiscImagePathAllowed(o.ImagePath, t.InputFolder, ctx_.history.OutputFolderText, why)) {
      MessageText message;
      message.Format("Can't create %s: %s.", o.ImagePath, why.c_str());
      ui_.Error(message.c_str());
      return;
    }
  }
  OutputOptions options;
  options.regionMask = RegionMaskOf(o);
  options.dropAudio = o.DropAudio;
  options.dropSubpicture = o.DropSubpicture;
  options.wholeDisc = o.WholeDisc;
  ApplyOutputOptions(t, options);
  const CreateResult r =
      CreateVolume(t, ctx_.author, ui_, ctx_.history.OutputFolderText, ctx_.programFolder);
  if (r != CreateResult::NormalEnd) return;
  if (image) {
    // The tool gives no figures: the window shows that it works, and its
    // close box stops it.
    t.BusyFlag = 1;
    ui_.ProgressOpen(kDiscImageCaption);
    ui_.SetWaitCursor(true);
    const int failed = WriteDiscImage(ui_, ctx_.history.OutputFolderText, o.ImagePath, o.VolumeId,
                                     t.InputFolder);
    ui_.ProgressClose();
    ui_.SetWaitCursor(false);
    t.BusyFlag = 0;
    if (failed != 0) return;
  }
  // The image holds the folder's files, so checking it checks both.
  if (o.Verify != 0)
    RunVerifyReport(ui_, verifyProgram_,
                    QString::fromUtf8(image ? o.ImagePath : ctx_.history.OutputFolderText),
                    t.BusyFlag);
}

void MainWindow::OutputOptionsCommand() {
  if (Busy()) return;
  if (RunOutputOptionsDialog(this, *settings_, ui_)) SaveSettings();
}

void MainWindow::Play(int mode) {
  if (Busy()) return;
  PlaySelection sel{CaretLine(), -1, -1};
  const QModelIndexList selected = list_->selectionModel()->selectedRows();
  for (const QModelIndex& i : selected) {
    if (sel.firstSelected < 0 || i.row() < sel.firstSelected) sel.firstSelected = i.row();
    if (i.row() > sel.lastSelected) sel.lastSelected = i.row();
  }
  PlayRange range;
  if (!ChoosePlayRange(ctx_.tables, ui_, static_cast<PlayMode>(mode), sel,
                       ctx_.history.PlayingTime, range))
    return;
  if (range.selectLines) SelectLines(range.first, range.selectLast);
  Path workFile;
  if (WritePlayFile(ctx_.tables, ui_, range, ctx_.programFolder, workFile) != PlayResult::Ready)
    return;
  // The player and its one file argument, without a shell, not waited for.
  // A player that cannot be started is named; the work file stays for it.
  if (!QProcess::startDetached(QString::fromUtf8(ctx_.history.PlayerPath),
                               {QString::fromUtf8(workFile.c_str())})) {
    MessageText message;
    message.Format("The VOB file player could not be started (%s).", ctx_.history.PlayerPath);
    ui_.Error(message.c_str());
  }
}

void MainWindow::PlayCaretVobu() {
  if (Busy()) return;
  Play(static_cast<int>(PlayMode::OneVobu));
}

void MainWindow::Navigate(int button) {
  if (Busy() || ctx_.tables.TimeListNum == 0) return;
  int32_t j = NavigateTimeList(ctx_.tables, static_cast<NavButton>(button), TopLine());
  if (j >= 0) {
    MakeTopLine(j);
    SelectEntry(j);
  }
  RefreshPreview();
}

// The marks changed (or were left): the list shows them, and the keyboard
// is back on it with the caret line's focus frame, whichever window the
// command's dialogs and progress left active.
void MainWindow::AfterChapterCommand(int32_t select) {
  model_->AllRowsChanged();
  if (select >= 0) {
    SelectEntry(select);
  } else if (ctx_.tables.TimeListNum > 0) {
    list_->setFocus();
  }
  window()->activateWindow();
  list_->viewport()->update();
}

void MainWindow::ToggleChapterCommand() {
  if (Busy()) return;
  AfterChapterCommand(ToggleChapter(ctx_.tables, CaretLine()));
}

void MainWindow::ClearChaptersCommand() {
  if (Busy() || ctx_.tables.TimeListNum == 0) return;
  AfterChapterCommand(ClearChapters(ctx_.tables, ui_, CaretLine()));
}

void MainWindow::IntervalCommand() {
  if (Busy()) return;
  if (!IntervalCommandMayStart(ctx_.tables, ui_)) return;
  if (!RunIntervalDialog(this, ctx_.tables, ui_)) return;
  AfterChapterCommand(RunIntervalPass(ctx_.tables, ui_, CaretLine()));
}

void MainWindow::ChapterListCommand(bool append) {
  if (Busy()) return;
  Path path;
  path.Set(ctx_.programFolder);
  path.Append(kChapterListName);
  AfterChapterCommand(RunChapterList(ctx_.tables, ui_, CaretLine(),
                                     append ? ChapterListMode::Append : ChapterListMode::New,
                                     path.c_str()));
}

void MainWindow::SettingsCommand() {
  if (Busy()) return;
  if (RunSettingsDialog(this, ctx_.history, ctx_.programFolder)) RefreshPreview();
}

void MainWindow::HelpCommand() {
  if (Busy()) return;
  RunHelp(this, ctx_.programFolder);
}

void MainWindow::VersionCommand() {
  if (Busy()) return;
  RunVersionBox(this);
}

}  // namespace vm

// The command handlers of the main window. Each one returns at once while
// a long operation runs (its handler is nested inside the pumped events),
// then reads the controls it needs, runs the core operation and shows the
// outcome in the time list.
#include <QLineEdit>
#include <QProcess>

#include <cstring>

#include "app/help_command.h"
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
  if (IsFullPath(ctx_.history.InputFolderText) && folder.Set(ctx_.history.InputFolderText) &&
      AddTrailingSeparator(folder) && ListVolumeTitles(t, folder.c_str()) > 1 &&
      t.Titles.longest >= 0) {
    title = RunTitleSelect(this, t.Titles);
    if (title == 0) return;
  }
  ReadResult r = ReadVobFiles(t, ui_, ctx_.history.InputFolderText, title);
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

void MainWindow::CreateVolumeCommand() {
  if (Busy()) return;
  if (!TakeFolderField(outputFolder_, ctx_.history.OutputFolderText, "Output")) return;
  CreateVolume(ctx_.tables, ctx_.author, ui_, ctx_.history.OutputFolderText, ctx_.programFolder);
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

void MainWindow::AfterChapterCommand(int32_t select) {
  model_->AllRowsChanged();
  if (select >= 0) SelectEntry(select);
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

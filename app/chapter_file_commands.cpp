// "Import chapters(&I)..." and "Export chapters(&E)...": chapter files of
// other programs, picked with the toolkit's own file dialog.
#include <QFileDialog>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cstring>

#include "app/main_window.h"
#include "app/shell_settings.h"
#include "chapters/chapter_file.h"
#include "chapters/chapter_marks.h"

namespace vm {

namespace {

struct FormatFilter {
  ChapterFileFormat format;
  const char* filter;
  const char* suffix;
};

// In the order the export dialog offers them; the first is the default.
constexpr FormatFilter kFormats[kChapterFileFormats] = {
    {ChapterFileFormat::Chplist, "Chapter list (*.txt)", "txt"},
    {ChapterFileFormat::Ogm, "OGM chapters (*.txt)", "txt"},
    {ChapterFileFormat::Matroska, "Matroska chapter XML (*.xml)", "xml"},
    {ChapterFileFormat::FfMetadata, "FFmpeg metadata (*.ffmeta *.txt)", "ffmeta"},
    {ChapterFileFormat::Dvdauthor, "dvdauthor chapters= list (*.txt)", "txt"},
};

}  // namespace

// The folder of the last chapter file picked, kept between runs; the
// program folder before the first.
QString MainWindow::ChapterFileFolder() const {
  const char* last = settings_->ChapterFolder;
  return QString::fromUtf8(last[0] == '/' ? last : ctx_.programFolder);
}

void MainWindow::KeepChapterFileFolder(const QString& path) {
  const QByteArray folder = QFileInfo(path).absolutePath().toUtf8();
  if (folder.size() >= static_cast<qsizetype>(sizeof settings_->ChapterFolder)) return;
  std::memcpy(settings_->ChapterFolder, folder.constData(), static_cast<size_t>(folder.size()) + 1);
  SaveSettings();
}

// Both commands say "Input data is none." before a file is asked for, as
// the other chapter commands with a dialog do.
void MainWindow::ImportChaptersCommand() {
  if (!IntervalCommandMayStart(ctx_.tables, ui_)) return;
  const QString path = QFileDialog::getOpenFileName(
      this, "Import chapters", ChapterFileFolder(),
      "Chapter files (*.txt *.xml *.ffmeta *.chapters);;All files (*)");
  if (path.isEmpty()) return;
  KeepChapterFileFolder(path);
  ImportChaptersFile(path);
}

void MainWindow::ImportChaptersFile(const QString& path) {
  const QByteArray bytes = path.toUtf8();
  AfterChapterCommand(RunImportChapters(ctx_.tables, ui_, CaretLine(), bytes.constData()));
}

void MainWindow::ExportChaptersCommand() {
  if (!IntervalCommandMayStart(ctx_.tables, ui_)) return;
  QStringList filters;
  for (const FormatFilter& f : kFormats) filters << f.filter;
  QString chosen;
  QString path = QFileDialog::getSaveFileName(this, "Export chapters", ChapterFileFolder(),
                                              filters.join(";;"), &chosen);
  if (path.isEmpty()) return;
  KeepChapterFileFolder(path);
  int format = 0;
  for (int i = 0; i < kChapterFileFormats; ++i)
    if (chosen == kFormats[i].filter) format = i;
  ExportChaptersFile(path, format);
}

void MainWindow::ExportChaptersFile(QString path, int format) {
  if (format < 0 || format >= kChapterFileFormats) format = 0;
  // A name typed without an extension gets the form's own.
  if (!path.section('/', -1).contains('.')) path += QString(".") + kFormats[format].suffix;
  const QByteArray bytes = path.toUtf8();
  RunExportChapters(ctx_.tables, ui_, kFormats[format].format, bytes.constData());
}

}  // namespace vm

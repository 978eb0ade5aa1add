// Dropping a volume on the main window: a VIDEO_TS folder, the folder that
// holds one, or a file in it fills the input field and reads it, as
// "Read VOB files(&R)" does.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include "app/main_window.h"

namespace vm {

namespace {

// The folder to read for a dropped path: a file's own folder; a folder
// holding a VIDEO_TS folder (of any case, as discs mounted here show it)
// that folder; any other folder itself. Empty when it is neither.
QString InputFolderOfDrop(const QString& path) {
  const QFileInfo dropped(path);
  if (dropped.isFile()) return dropped.absolutePath();
  if (!dropped.isDir()) return QString();
  const QDir folder(dropped.absoluteFilePath());
  for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    if (name.compare("VIDEO_TS", Qt::CaseInsensitive) == 0) return folder.filePath(name);
  return folder.absolutePath();
}

// The one local path of a drop, or empty (several items, or not a file).
QString DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return QString();
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

bool MainWindow::DropInput(const QString& path) {
  if (Busy()) return false;
  const QString folder = InputFolderOfDrop(path);
  if (folder.isEmpty()) return false;
  inputFolder_->setText(folder);
  ReadTitle();
  return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!Busy() && !DroppedPath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString path = DroppedPath(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // The read runs after the drop has ended, so the source program is not
  // held while the title is read.
  QMetaObject::invokeMethod(this, [this, path] { DropInput(path); }, Qt::QueuedConnection);
}

}  // namespace vm

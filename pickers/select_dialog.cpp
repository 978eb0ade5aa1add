#include "pickers/select_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>

namespace vm {

namespace {

// Template position of the pickers, from the owner's top-left corner.
constexpr int kOffsetXUnits = 10;
constexpr int kOffsetYUnits = 20;

void FillList(QListWidget* list, const std::vector<std::string>& names) {
  QSignalBlocker block(list);
  list->clear();
  for (const std::string& name : names) list->addItem(QString::fromUtf8(name.c_str()));
  if (!names.empty()) list->setCurrentRow(0);
}

void Refuse() { QApplication::beep(); }

}  // namespace

SelectDialog::SelectDialog(QWidget* owner, const char* caption, const char* programFolder,
                           const SelectTemplate& layout, const char* start)
    : QDialog(owner) {
  setWindowTitle(QString::fromUtf8(caption));
  setModal(true);
  BuildDialog(this, layout.widthUnits, layout.heightUnits, layout.rows);
  pathLabel_ = findChild<QLabel*>(kPathLabelName);
  folderList_ = findChild<QListWidget*>(kFolderListName);
  rootList_ = findChild<QListWidget*>(kRootListName);
  if (layout.fileListName != nullptr) fileList_ = findChild<QListWidget*>(layout.fileListName);

  // Mnemonic statics move the focus to the list that follows them.
  for (size_t i = 0; i + 1 < layout.rows.size(); ++i) {
    auto* label = findChild<QLabel*>(QString::fromUtf8(layout.rows[i].name));
    if (label != nullptr && label->text().contains('&'))
      label->setBuddy(findChild<QWidget*>(QString::fromUtf8(layout.rows[i + 1].name)));
  }

  // A press on a row is the step, also on the row that is already
  // selected (".." right after a fill); the view never sees the press, so
  // it cannot step a second time on the release. Keyboard moves change the
  // current row and step through currentRowChanged.
  for (QListWidget* list : {folderList_, rootList_, fileList_}) {
    if (list != nullptr) list->viewport()->installEventFilter(this);
  }
  connect(folderList_, &QListWidget::currentRowChanged, this, &SelectDialog::FolderChosen);
  connect(rootList_, &QListWidget::currentRowChanged, this, &SelectDialog::RootChosen);
  connect(findChild<QPushButton*>(layout.rootButtonName), &QPushButton::clicked, this,
          &SelectDialog::RootButtonPressed);
  connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this, &SelectDialog::SelectPressed);
  connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this, &QDialog::reject);

  if (owner != nullptr) {
    DialogUnits du(DialogFont());
    move(owner->mapToGlobal(QPoint(du.X(kOffsetXUnits), du.Y(kOffsetYUnits))));
  }

  ReadSystemRoots(roots_);
  RootOf(roots_, programFolder, programRoot_);
  Path first;
  StartFolder(start, programRoot_.c_str(), first);
  Fill(first.c_str());
}

bool SelectDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
    return QDialog::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  for (QListWidget* list : {folderList_, rootList_, fileList_}) {
    if (list == nullptr || watched != list->viewport()) continue;
    // The second press of a double click lands on whatever the first
    // step's listing put under the pointer: one double click, one step.
    if (event->type() == QEvent::MouseButtonDblClick) return true;
    list->setFocus(Qt::MouseFocusReason);
    QListWidgetItem* item = list->itemAt(mouse->position().toPoint());
    if (item == nullptr || mouse->button() != Qt::LeftButton) return true;
    int row = list->row(item);
    if (list == folderList_) {
      FolderChosen(row);
    } else if (list == rootList_) {
      RootChosen(row);
    } else {
      list->setCurrentRow(row);
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SelectDialog::Fill(const char* path) {
  Path p;
  if (path[0] == '\0') {
    p = programRoot_;
  } else if (!p.Set(path)) {
    return;
  }
  shown_ = p;
  pathLabel_->setText(QString::fromUtf8(shown_.c_str()));

  ListFolder(shown_.c_str(), ListKind::Folders, folders_);
  FillList(folderList_, folders_);
  if (fileList_ != nullptr) {
    ListFolder(shown_.c_str(), ListKind::Executables, files_);
    FillList(fileList_, files_);
  }

  ReadSystemRoots(roots_);
  int rootIndex = RootIndexOf(roots_, shown_.c_str());
  if (rootIndex >= 0) RememberShownFolder(roots_.roots[rootIndex].c_str(), shown_.c_str());
  {
    QSignalBlocker block(rootList_);
    rootList_->clear();
    for (int i = 0; i < roots_.count; ++i) {
      QString root = QString::fromUtf8(roots_.roots[i].c_str());
      rootList_->addItem(root);
      rootList_->item(i)->setToolTip(root);  // the narrow list cuts long ones
    }
    rootList_->setCurrentRow(rootIndex >= 0 ? rootIndex : 0);
  }
}

void SelectDialog::FolderChosen(int row) {
  if (row < 0 || static_cast<size_t>(row) >= folders_.size()) return;
  Path next = shown_;
  if (!StepInto(next, folders_[row].c_str())) {
    Refuse();
    QSignalBlocker block(folderList_);
    folderList_->setCurrentRow(0);
    return;
  }
  Fill(next.c_str());
}

void SelectDialog::RootChosen(int row) {
  if (row < 0 || row >= roots_.count) return;
  const char* root = roots_.roots[row].c_str();
  Path last;
  // A folder that is gone since it was shown falls back to its root.
  if (LastShownFolder(root, last) && RootIndexOf(roots_, last.c_str()) == row &&
      FolderReadable(last.c_str())) {
    Fill(last.c_str());
    return;
  }
  Fill(root);
}

void SelectDialog::RootButtonPressed() {
  Path root;
  RootOf(roots_, shown_.c_str(), root);
  Fill(root.c_str());
}

void SelectDialog::SelectPressed() {
  Path result = shown_;
  if (fileList_ != nullptr) {
    int row = fileList_->currentRow();
    if (row >= 0 && static_cast<size_t>(row) < files_.size() &&
        !JoinFile(shown_.c_str(), files_[row].c_str(), result)) {
      Refuse();
      return;
    }
  }
  chosen_ = result;
  accept();
}

}  // namespace vm

// The "Title select" dialog: one line per title of a volume that has
// several (number, length, chapters, title set), the longest selected.
#pragma once

#include <QDialog>

class QListWidget;

namespace vm {

struct TitleList;

class TitleSelectDialog : public QDialog {
 public:
  TitleSelectDialog(QWidget* owner, const TitleList& titles);
  QListWidget* List() const { return list_; }
  // The chosen title's number (1-based), 0 when none is selected.
  int Chosen() const;

 private:
  QListWidget* list_;
};

// Runs the dialog modally: the chosen title's number, or 0 after "&Cancel".
int RunTitleSelect(QWidget* owner, const TitleList& titles);

}  // namespace vm

// The "Title select" dialog: one line per title of a volume that has
// several (number, length, chapters, title set), the title last read from
// it selected, else the longest; and whether "Create DVD Image" writes the
// whole disc back or the chosen title alone.
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QListWidget;

namespace vm {

struct TitleList;

class TitleSelectDialog : public QDialog {
 public:
  // `preselect`: 1-based title to select when it can be read, else 0.
  TitleSelectDialog(QWidget* owner, const TitleList& titles, int preselect, int32_t wholeDisc);
  QListWidget* List() const { return list_; }
  int32_t WholeDisc() const;
  // The chosen title's number (1-based), 0 when none is selected.
  int Chosen() const;

 private:
  QListWidget* list_;
  QCheckBox* wholeDisc_;
};

// Runs the dialog modally: the chosen title's number, or 0 after "&Cancel".
// The whole-disc box is taken into `wholeDisc` after "&Select".
int RunTitleSelect(QWidget* owner, const TitleList& titles, int preselect, int32_t& wholeDisc);

}  // namespace vm

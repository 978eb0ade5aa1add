// The "Chapters Interval" dialog: asks for the constant chapter interval
// in seconds, 30 to 600.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vm {

class QtUi;
struct TitleTables;

class IntervalDialog : public QDialog {
 public:
  IntervalDialog(QWidget* owner, TitleTables& tables, QtUi& ui);
  QLineEdit* Field() const { return field_; }

  // "&Set": stores a value of 30..600 and closes; otherwise says so and
  // stays open.
  void accept() override;

 private:
  TitleTables& t_;
  QtUi& ui_;
  QLineEdit* field_;
};

// Runs the dialog modally; true when it closed with "&Set".
bool RunIntervalDialog(QWidget* owner, TitleTables& tables, QtUi& ui);

}  // namespace vm

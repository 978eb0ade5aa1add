// Answers the modal windows a shell command opens, from a script, while
// the command runs: every message box is recorded with its caption and
// text and closed with the scripted button; a dialog step can type into
// the dialog and press its buttons.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vm::testing {

struct SeenBox {
  std::string caption;
  std::string text;
};

class ModalScript {
 public:
  // A step sees the modal window on top; it closes or changes it.
  using DialogStep = std::function<void(QDialog*)>;

  ModalScript();
  ~ModalScript();

  // Message boxes are answered with these buttons in order, then with the
  // default answer.
  void AnswerBoxes(std::initializer_list<QMessageBox::StandardButton> buttons);
  QMessageBox::StandardButton defaultAnswer = QMessageBox::Yes;
  // Dialogs other than message boxes get these steps in order; with none
  // left they are cancelled.
  void OnDialog(DialogStep step) { steps_.push_back(std::move(step)); }

  std::vector<SeenBox> boxes;
  int dialogsSeen = 0;
  std::vector<std::string> Texts() const;

 private:
  void Poll();

  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::deque<DialogStep> steps_;
  bool stepRunning_ = false;
};

}  // namespace vm::testing

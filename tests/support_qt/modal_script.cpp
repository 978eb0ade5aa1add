#include "tests/support_qt/modal_script.h"

#include <QApplication>
#include <QPushButton>

namespace vm::testing {

ModalScript::ModalScript() {
  timer_.setInterval(2);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start();
}

ModalScript::~ModalScript() { timer_.stop(); }

void ModalScript::AnswerBoxes(std::initializer_list<QMessageBox::StandardButton> buttons) {
  answers_.insert(answers_.end(), buttons.begin(), buttons.end());
}

std::vector<std::string> ModalScript::Texts() const {
  std::vector<std::string> out;
  for (const SeenBox& b : boxes) out.push_back(b.text);
  return out;
}

void ModalScript::Poll() {
  QWidget* top = QApplication::activeModalWidget();
  if (top == nullptr || !top->isVisible()) return;
  if (auto* box = qobject_cast<QMessageBox*>(top)) {
    boxes.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
    QMessageBox::StandardButton answer = defaultAnswer;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    QAbstractButton* button = box->button(answer);
    if (button == nullptr) button = box->buttons().value(0);
    button->click();
    return;
  }
  if (auto* dialog = qobject_cast<QDialog*>(top); dialog != nullptr && !stepRunning_) {
    ++dialogsSeen;
    if (steps_.empty()) {
      dialog->reject();
      return;
    }
    // A step may open a message box and wait for it; it runs outside this
    // timer's slot, so that the timer can answer that box meanwhile.
    stepRunning_ = true;
    QTimer::singleShot(0, dialog, [this, dialog] {
      DialogStep step = std::move(steps_.front());
      steps_.pop_front();
      step(dialog);
      stepRunning_ = false;
    });
  }
}

}  // namespace vm::testing

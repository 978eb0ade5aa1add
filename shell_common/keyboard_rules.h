// Keys that behave on every window of the program as on the desktop the
// program was drawn for: Alt with a letter or digit is a mnemonic or
// nothing, never text typed into the focused field.
#pragma once

#include <QObject>

namespace vm {

// Installed on the application while the main frame lives.
class KeyboardRules : public QObject {
 public:
  explicit KeyboardRules(QObject* parent);
  ~KeyboardRules() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vm

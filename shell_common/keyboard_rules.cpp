#include "shell_common/keyboard_rules.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

namespace vm {

KeyboardRules::KeyboardRules(QObject* parent) : QObject(parent) {
  qApp->installEventFilter(this);
}

KeyboardRules::~KeyboardRules() { qApp->removeEventFilter(this); }

// A key press reaches the focused widget only when no shortcut (mnemonic,
// menu key) took it, so an Alt+letter that arrives here belongs to none.
// An open menu is the exception: it picks its entries by their letters,
// with Alt or without.
bool KeyboardRules::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || qobject_cast<QMenu*>(watched) != nullptr)
    return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers();
  const bool letterOrDigit = (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) ||
                             (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9);
  if ((mods & Qt::AltModifier) && !(mods & (Qt::ControlModifier | Qt::MetaModifier)) &&
      letterOrDigit) {
    if (!key->isAutoRepeat()) QApplication::beep();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vm

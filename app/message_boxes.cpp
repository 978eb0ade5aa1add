#include "app/message_boxes.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include "shell_common/window_geometry.h"

namespace vm {

namespace {

QMessageBox::StandardButton Show(QWidget* owner, QMessageBox::Icon icon, const char* caption,
                                 const char* text, QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, QString::fromUtf8(caption), QString::fromUtf8(text), buttons, owner);
  box.setDefaultButton(defaultButton);
  box.setTextFormat(Qt::PlainText);
  // The caption tells an Error from an Information: the box is at least as
  // wide as its title bar needs (a message box sizes itself from its
  // layout, so the width goes in as a spacer row).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
  // The keyboard goes back to the window that asked.
  if (owner != nullptr) owner->window()->activateWindow();
  return pressed;
}

}  // namespace

void ShowErrorBox(QWidget* owner, const char* text) {
  Show(owner, QMessageBox::Warning, "Error", text, QMessageBox::Ok, QMessageBox::Ok);
}

Answer ShowConfirmBox(QWidget* owner, const char* text) {
  auto pressed = Show(owner, QMessageBox::Question, "Confirm", text,
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
  return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void ShowInformationBox(QWidget* owner, const char* text, Icon icon) {
  Show(owner, icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information,
       "Information", text, QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace vm

#include "app/version_box.h"

#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

#include "common/version.h"
#include "shell_common/control_table.h"
#include "shell_common/program_icon.h"

namespace vm {

namespace {

constexpr ControlRow kVersion[] = {
    {"1", ControlKind::DefaultButton, "&OK", 65, 30, 40, 14},
    {"icon", ControlKind::Icon, "", 5, 9, 16, 16},
    {"100", ControlKind::Static, kVersionText, 30, 12, 130, 10},
};

// Centred across the owner, a third of the way down below its caption and
// menu bar, never above or left of it; pulled back inside the screen's
// right and bottom edges.
QPoint BoxTopLeft(const QRect& owner, const QSize& box, int captionHeight, int menuHeight,
                  const QRect& screen) {
  int left = owner.left() + std::max((owner.width() - box.width()) / 2, 0);
  int top = owner.top() + std::max(captionHeight + menuHeight + (owner.height() - box.height()) / 3, 0);
  int rightExcess = left + box.width() - (screen.left() + screen.width());
  if (rightExcess > 0) left -= rightExcess;
  int bottomExcess = top + box.height() - (screen.top() + screen.height());
  if (bottomExcess > 0) top -= bottomExcess;
  return QPoint(left, top);
}

class VersionBox : public QDialog {
 public:
  explicit VersionBox(QWidget* owner) : QDialog(owner) {
    setObjectName("VersionBox");
    setWindowTitle("Version");
    setModal(true);
    BuildDialog(this, 170, 55, kVersion);
    auto* icon = findChild<QLabel*>("icon");
    icon->setPixmap(ProgramIcon().pixmap(icon->size()));
    connect(findChild<QPushButton*>("1"), &QPushButton::clicked, this, &QDialog::accept);
  }

 protected:
  void showEvent(QShowEvent* event) override {
    QDialog::showEvent(event);
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner == nullptr) return;
    int caption = owner->geometry().top() - owner->frameGeometry().top();
    auto* menu = owner->findChild<QMenuBar*>();
    int menuHeight = menu != nullptr && menu->isVisible() ? menu->height() : 0;
    QScreen* screen = owner->screen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
    move(BoxTopLeft(owner->frameGeometry(), frameGeometry().size(), caption, menuHeight, area));
  }
};

}  // namespace

void RunVersionBox(QWidget* owner) {
  VersionBox box(owner);
  box.exec();
}

}  // namespace vm

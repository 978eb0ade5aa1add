// The desktop program's side of the core's interface to people: modal
// message boxes over the window that asked, the progress window, letting
// waiting events run, and the wait cursor.
#pragma once

#include <functional>

#include "common/ui.h"

class QWidget;

namespace vm {

class ProgressWindow;

class QtUi final : public Ui {
 public:
  explicit QtUi(QWidget* owner);
  ~QtUi() override;

  void Error(const char* text) override;
  Answer Confirm(const char* text) override;
  void Information(const char* text, Icon icon) override;
  void ProgressOpen(const char* caption) override;
  void ProgressCaption(const char* caption) override;
  void ProgressDraw(int64_t done, int64_t total, BarColour colour) override;
  void ProgressClose() override;
  void PumpMessages() override;
  bool StopRequested() override;
  void SetWaitCursor(bool wait) override;

  // The window that owns the message boxes (a dialog while it raises them).
  QWidget* Owner() const { return owner_; }
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // Runs after every pump, so that views follow tables the core fills.
  void SetAfterPump(std::function<void()> afterPump) { afterPump_ = std::move(afterPump); }

 private:
  QWidget* owner_;
  QWidget* progressOwner_;
  ProgressWindow* progress_ = nullptr;
  bool stop_ = false;
  int waitDepth_ = 0;
  std::function<void()> afterPump_;
};

// Makes `owner` the owner of `ui`'s messages while it lives.
class UiOwnerScope {
 public:
  UiOwnerScope(QtUi& ui, QWidget* owner) : ui_(ui), previous_(ui.Owner()) { ui.SetOwner(owner); }
  ~UiOwnerScope() { ui_.SetOwner(previous_); }
  UiOwnerScope(const UiOwnerScope&) = delete;
  UiOwnerScope& operator=(const UiOwnerScope&) = delete;

 private:
  QtUi& ui_;
  QWidget* previous_;
};

}  // namespace vm

#include "app/qt_ui.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>

#include "app/message_boxes.h"
#include "app/progress_window.h"

namespace vm {

QtUi::QtUi(QWidget* owner) : owner_(owner), progressOwner_(owner) {}

QtUi::~QtUi() {
  delete progress_;
  while (waitDepth_ > 0) SetWaitCursor(false);
}

void QtUi::Error(const char* text) { ShowErrorBox(owner_, text); }

Answer QtUi::Confirm(const char* text) { return ShowConfirmBox(owner_, text); }

void QtUi::Information(const char* text, Icon icon) { ShowInformationBox(owner_, text, icon); }

void QtUi::ProgressOpen(const char* caption) {
  delete progress_;
  stop_ = false;
  progress_ = new ProgressWindow(progressOwner_);
  progress_->SetCaption(QString::fromUtf8(caption));
  progress_->show();
}

void QtUi::ProgressCaption(const char* caption) {
  if (progress_ != nullptr) progress_->SetCaption(QString::fromUtf8(caption));
}

void QtUi::ProgressDraw(int64_t done, int64_t total, BarColour colour) {
  if (progress_ != nullptr && !progress_->Closed()) progress_->SetFraction(done, total, colour);
}

void QtUi::ProgressClose() {
  if (progress_ == nullptr) return;
  delete progress_;
  progress_ = nullptr;
  // The keyboard goes back to the window the operation ran from.
  if (progressOwner_ != nullptr) progressOwner_->window()->activateWindow();
}

void QtUi::PumpMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (progress_ != nullptr && progress_->Closed()) stop_ = true;
  if (afterPump_) afterPump_();
}

bool QtUi::StopRequested() { return stop_ || (progress_ != nullptr && progress_->Closed()); }

void QtUi::SetWaitCursor(bool wait) {
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitDepth_;
  } else if (waitDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --waitDepth_;
  }
}

}  // namespace vm

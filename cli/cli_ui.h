// The command line's side of the core's interface to people: messages on
// standard error, questions answered by --yes/--no or on the terminal, and a
// one-line progress bar when standard error is a terminal.
#pragma once

#include <cstdint>

#include "common/ui.h"

namespace vm {

enum class AutoAnswer { Ask, Yes, No };

class CliUi final : public Ui {
 public:
  explicit CliUi(AutoAnswer answer);

  void Error(const char* text) override;
  Answer Confirm(const char* text) override;
  void Information(const char* text, Icon icon) override;
  void ProgressOpen(const char* caption) override;
  void ProgressCaption(const char* caption) override;
  void ProgressDraw(int64_t done, int64_t total, BarColour colour) override;
  void ProgressClose() override;
  void PumpMessages() override {}
  bool StopRequested() override;
  void SetWaitCursor(bool) override {}

  // An error message was shown, or a question was declined: exit status 1.
  bool Failed() const { return failed_; }
  void MarkFailed() { failed_ = true; }

  // Lets Ctrl-C, SIGTERM and SIGHUP act as the progress window's close box
  // (a second one ends the program at once), and turns an over-limit write
  // into the write error it is instead of a SIGXFSZ death.
  static void InstallInterruptHandler();
  // True once a stop signal has arrived.
  static bool StopSignalled();

 private:
  void ClearBar();

  AutoAnswer answer_;
  bool failed_ = false;
  bool barShown_ = false;
  bool terminal_ = false;
  int lastPermille_ = -1;
  char caption_[128] = {};
};

}  // namespace vm

// A test double for the core's interface to people: it records every
// message with its caption and icon, answers questions from a script, and
// can raise a stop request after a given number of message pumps.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/ui.h"

namespace vm {

struct RecordedMessage {
  std::string caption;  // "Error", "Confirm" or "Information"
  Icon icon;
  std::string text;
};

class RecordingUi : public Ui {
 public:
  void Error(const char* text) override;
  Answer Confirm(const char* text) override;
  void Information(const char* text, Icon icon = Icon::Information) override;
  void ProgressOpen(const char* caption) override;
  void ProgressCaption(const char* caption) override;
  void ProgressDraw(int64_t done, int64_t total, BarColour colour = BarColour::Blue) override;
  void ProgressClose() override;
  void PumpMessages() override;
  bool StopRequested() override;
  void SetWaitCursor(bool wait) override;

  // Answers for the next questions, in order; when the script runs out,
  // `defaultAnswer` is used.
  std::deque<Answer> answers;
  Answer defaultAnswer = Answer::Yes;
  // After this many pumps (or progress draws, whichever comes first)
  // StopRequested() turns true; -1 never.
  int stopAfterPumps = -1;
  int stopAfterDraws = -1;

  std::vector<RecordedMessage> messages;
  std::vector<std::string> progressCaptions;
  int pumps = 0;
  int draws = 0;
  int progressOpen = 0;   // opens minus closes
  bool waitCursor = false;
  int64_t lastDone = 0, lastTotal = 0;

  // The texts only, in order.
  std::vector<std::string> Texts() const;
  // The only message, or "" when there were none; fails the test when more.
  std::string OnlyText() const;
  void Clear();
};

}  // namespace vm

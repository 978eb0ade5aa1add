#include "tests/support/recording_ui.h"

#include <gtest/gtest.h>

namespace vm {

void RecordingUi::Error(const char* text) {
  messages.push_back({"Error", Icon::Exclamation, text});
}

Answer RecordingUi::Confirm(const char* text) {
  messages.push_back({"Confirm", Icon::Question, text});
  if (answers.empty()) return defaultAnswer;
  Answer a = answers.front();
  answers.pop_front();
  return a;
}

void RecordingUi::Information(const char* text, Icon icon) {
  messages.push_back({"Information", icon, text});
}

void RecordingUi::ProgressOpen(const char* caption) {
  progressCaptions.push_back(caption);
  progressOpen += 1;
}

void RecordingUi::ProgressCaption(const char* caption) { progressCaptions.push_back(caption); }

void RecordingUi::ProgressDraw(int64_t done, int64_t total, BarColour) {
  draws += 1;
  lastDone = done;
  lastTotal = total;
}

void RecordingUi::ProgressClose() { progressOpen -= 1; }

void RecordingUi::PumpMessages() { pumps += 1; }

bool RecordingUi::StopRequested() {
  return (stopAfterPumps >= 0 && pumps >= stopAfterPumps) ||
         (stopAfterDraws >= 0 && draws >= stopAfterDraws);
}

void RecordingUi::SetWaitCursor(bool wait) { waitCursor = wait; }

std::vector<std::string> RecordingUi::Texts() const {
  std::vector<std::string> out;
  for (const RecordedMessage& m : messages) out.push_back(m.text);
  return out;
}

std::string RecordingUi::OnlyText() const {
  EXPECT_LE(messages.size(), 1u);
  return messages.empty() ? std::string() : messages.back().text;
}

void RecordingUi::Clear() {
  messages.clear();
  progressCaptions.clear();
  pumps = draws = 0;
}

}  // namespace vm

#pragma once

// The fuzz targets' interface to people: nothing is shown, every question
// gets the answer given, and no stop is ever requested.

#include "common/ui.h"

namespace vm::fuzz {

class SilentUi : public Ui {
 public:
  explicit SilentUi(Answer answer) : answer_(answer) {}
  void Error(const char*) override {}
  Answer Confirm(const char*) override { return answer_; }
  void Information(const char*, Icon) override {}
  void ProgressOpen(const char*) override {}
  void ProgressCaption(const char*) override {}
  void ProgressDraw(int64_t, int64_t, BarColour) override {}
  void ProgressClose() override {}
  void PumpMessages() override {}
  bool StopRequested() override { return false; }
  void SetWaitCursor(bool) override {}

 private:
  Answer answer_;
};

}  // namespace vm::fuzz

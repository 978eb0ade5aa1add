#pragma once

// An interface to people that shows nothing: every question gets the answer
// given, no stop is ever requested, and the last error's text is kept for
// the caller to pass on or drop (the fuzz targets, and a scan whose single
// steps may fail without stopping it).

#include <cstdio>

#include "common/ui.h"

namespace vm {

class SilentUi : public Ui {
 public:
  explicit SilentUi(Answer answer) : answer_(answer) {}
  void Error(const char* text) override { std::snprintf(lastError, sizeof lastError, "%s", text); }
  Answer Confirm(const char*) override { return answer_; }
  void Information(const char*, Icon) override {}
  void ProgressOpen(const char*) override {}
  void ProgressCaption(const char*) override {}
  void ProgressDraw(int64_t, int64_t, BarColour) override {}
  void ProgressClose() override {}
  void PumpMessages() override {}
  bool StopRequested() override { return false; }
  void SetWaitCursor(bool) override {}

  char lastError[512] = {};

 private:
  Answer answer_;
};

}  // namespace vm

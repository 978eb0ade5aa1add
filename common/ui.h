// The one interface through which the core talks to a person. The Qt shell,
// the command-line front end and the tests each implement it.
#pragma once

#include <cstdint>

namespace vm {

enum class Answer { Yes, No, Cancel };

enum class Icon { Exclamation, Question, Information };

enum class BarColour { Blue, Cyan };

class Ui {
 public:
  virtual ~Ui() = default;

  // Caption "Error", exclamation icon, OK.
  virtual void Error(const char* text) = 0;
  // Caption "Confirm", question icon, Yes/No. Callers treat anything but Yes
  // as declining.
  virtual Answer Confirm(const char* text) = 0;
  // Caption "Information"; the information icon, or the exclamation icon for
  // the failure report at the end of a volume creation.
  virtual void Information(const char* text, Icon icon = Icon::Information) = 0;

  // The progress window: opened with a caption, drawn with a done/total
  // fraction, closed by its owner at the end of the operation.
  virtual void ProgressOpen(const char* caption) = 0;
  virtual void ProgressCaption(const char* caption) = 0;
  virtual void ProgressDraw(int64_t done, int64_t total, BarColour colour = BarColour::Blue) = 0;
  virtual void ProgressClose() = 0;

  // Lets waiting user input run (the progress window's close box among it).
  virtual void PumpMessages() = 0;
  // True once the user has closed the progress window since it was opened.
  virtual bool StopRequested() = 0;

  virtual void SetWaitCursor(bool wait) = 0;
};

// Lets waiting input run; a close of the progress window since it opened
// becomes StopRequest = 1, which long operations poll.
inline void PumpAndPoll(Ui& ui, int32_t& stopRequest) {
  ui.PumpMessages();
  if (ui.StopRequested()) stopRequest = 1;
}

}  // namespace vm

// The preview window: the first picture of the VOBU at the time list's
// caret line, 360 x 240 pixels, decoded at the next paint after each
// request and at most once per request.
#pragma once

#include <QWidget>

#include <cstdint>

#include "common/fixed_string.h"
#include "common/ui.h"
#include "play/preview_decoder.h"
#include "play/preview_request.h"

namespace vm {

class PreviewWindow : public QWidget {
 public:
  explicit PreviewWindow(QWidget* owner);

  // Points the window at a new picture; it is decoded when the window
  // next paints.
  void Request(const PreviewRequest& request);

  bool Decoded() const { return decoded_; }
  int DecodeCount() const { return decodes_; }
  // The preview image: bottom-up rows of B, G, R.
  const uint8_t* Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The decoder's messages, kept while it runs inside a paint and shown
  // over the window once the paint is over.
  class DeferredMessages final : public Ui {
   public:
    explicit DeferredMessages(PreviewWindow* window) : window_(window) {}
    void Error(const char* text) override;
    Answer Confirm(const char*) override { return Answer::No; }
    void Information(const char* text, Icon) override { Error(text); }
    void ProgressOpen(const char*) override {}
    void ProgressCaption(const char*) override {}
    void ProgressDraw(int64_t, int64_t, BarColour) override {}
    void ProgressClose() override {}
    void PumpMessages() override {}
    bool StopRequested() override { return false; }
    void SetWaitCursor(bool) override {}
    void ShowPending();

   private:
    PreviewWindow* window_;
    FixedString<512> pending_;
  };

  DeferredMessages messages_;
  PreviewRequest request_{};
  bool decoded_ = false;
  int decodes_ = 0;
  alignas(16) uint8_t image_[kPreviewImageBytes];
};

}  // namespace vm

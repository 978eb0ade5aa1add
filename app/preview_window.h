// The preview window: the first picture of the VOBU at the time list's
// caret line, 360 x 240 pixels, decoded at the next paint after each
// request and at most once per request.
#pragma once

#include <QWidget>

#include <cstdint>

#include "app/qt_ui.h"
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
  QtUi ui_;
  PreviewRequest request_{};
  bool decoded_ = false;
  int decodes_ = 0;
  alignas(16) uint8_t image_[kPreviewImageBytes];
};

}  // namespace vm

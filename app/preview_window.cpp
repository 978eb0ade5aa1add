#include "app/preview_window.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <cstring>

#include "app/message_boxes.h"

namespace vm {

PreviewWindow::PreviewWindow(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      messages_(this) {
  setObjectName("_X_VWR200:PREVIEW");
  setWindowTitle("Preview");
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kPreviewWidth, kPreviewHeight);
  std::memset(image_, 0, sizeof image_);
}

void PreviewWindow::Request(const PreviewRequest& request) {
  request_ = request;
  decoded_ = false;
  update();
}

void PreviewWindow::paintEvent(QPaintEvent*) {
  if (!decoded_) {
    decoded_ = true;
    ++decodes_;
    SetPreviewImage(image_);
    DecodePreviewPicture(messages_, request_.vobPath, request_.continuationPath,
                         request_.sector);
  }
  // The image's rows are stored bottom-up; it is shown upright, 1:1.
  QImage bottomUp(image_, kPreviewWidth, kPreviewHeight, kPreviewRowBytes, QImage::Format_BGR888);
  QPainter p(this);
  p.drawImage(0, 0, bottomUp.mirrored(false, true));
}

// A message box runs its own event loop, which must not start inside a
// paint: the text waits until the paint has returned.
void PreviewWindow::DeferredMessages::Error(const char* text) {
  if (!pending_.empty()) return;  // one message a decode
  pending_.Set(text);
  QTimer::singleShot(0, window_, [this] { ShowPending(); });
}

void PreviewWindow::DeferredMessages::ShowPending() {
  if (pending_.empty()) return;
  FixedString<512> text = pending_;
  pending_.clear();
  ShowErrorBox(window_, text.c_str());
}

}  // namespace vm

#include "app/preview_window.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include <cstring>

namespace vm {

PreviewWindow::PreviewWindow(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      ui_(this) {
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
    // Marked first: a decoder message runs its own event loop, and a paint
    // from inside it must not decode the same request again.
    decoded_ = true;
    ++decodes_;
    SetPreviewImage(image_);
    DecodePreviewPicture(ui_, request_.vobPath, request_.continuationPath, request_.sector);
  }
  // The image's rows are stored bottom-up; it is shown upright, 1:1.
  QImage bottomUp(image_, kPreviewWidth, kPreviewHeight, kPreviewRowBytes, QImage::Format_BGR888);
  QPainter p(this);
  p.drawImage(0, 0, bottomUp.mirrored(false, true));
}

}  // namespace vm

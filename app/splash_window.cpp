#include "app/splash_window.h"

#include <QPainter>
#include <QTimer>

#include "common/fixed_string.h"

namespace vm {

namespace {
constexpr int kSplashMillis = 2000;
}

SplashWindow::SplashWindow(const SplashImage& image, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setWindowTitle(QString());
  setFixedSize(kSplashWidth, kSplashHeight);
  if (image.Loaded) {
    // Rows are stored bottom-up; the image is shown upright.
    QImage indexed(image.Pixels, kSplashWidth, kSplashHeight, kSplashWidth,
                   QImage::Format_Indexed8);
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | image.Palette[i];
    indexed.setColorTable(colours);
    image_ = indexed.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
  }
}

void SplashWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (image_.isNull()) {
    painter.fillRect(rect(), QColor(192, 192, 192));
    return;
  }
  painter.drawImage(0, 0, image_);
}

void RunSplash(const char* programFolder, QWidget* parent) {
  static SplashImage image;  // 64 KB: kept out of the stack
  Path logo;
  if (FindReadOnlyFile(programFolder, "LOGO.BMP", logo)) LoadLogoBmp(logo.c_str(), image);
  SplashWindow splash(image, parent);
  QTimer::singleShot(kSplashMillis, &splash, &QDialog::accept);
  splash.exec();
}

}  // namespace vm

// The two-second splash picture shown modally at start.
#pragma once

#include <QDialog>
#include <QImage>

#include "app/startup.h"

namespace vm {

class SplashWindow : public QDialog {
 public:
  SplashWindow(const SplashImage& image, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

// Loads ProgramFolder + "LOGO.BMP" and shows it for 2000 ms.
void RunSplash(const char* programFolder, QWidget* parent);

}  // namespace vm

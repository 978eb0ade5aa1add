// The modeless progress window of long operations: a caption naming the
// operation, a bar drawn from the operation's done/total figures, and under
// it the percentage done and, once the pace is known, the time remaining.
// Closing it with its close box is the user's stop request.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>

#include "common/ui.h"

namespace vm {

class ProgressWindow : public QDialog {
 public:
  explicit ProgressWindow(QWidget* owner);

  // The operation's name as the window's caption; the window widens to show
  // it whole and stays centred on its owner.
  void SetCaption(const QString& caption);

  // The done part of the bar, in pixels of the inner width, and its colour.
  void SetFraction(int64_t done, int64_t total, BarColour colour);
  // The bar's rectangle in the client area (the black frame's rectangle).
  QRect BarRect() const;
  // The line under the bar: "42%", then "42%  1:05 left" once the
  // operation has run a while.
  QString Figures() const { return figures_; }

  // True once the user closed the window.
  bool Closed() const { return closed_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int filled_ = 0;
  QString figures_;
  QElapsedTimer started_;
  BarColour colour_ = BarColour::Blue;
  bool closed_ = false;
  QWidget* owner_;
  int templateWidth_;
};

}  // namespace vm

// The preview window as the main window drives it: opened by a read for
// entry 1, following the caret, decoding once per request, closed by the
// setting and back after the user closed it.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/history.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/time_list_view.h"
#include "author/author_state.h"
#include "play/preview_decoder.h"
#include "play/preview_request.h"
#include "tests/support_qt/modal_script.h"
#include "tests/support/real_titles.h"
#include "tests/support/synth_title.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"
#include "title/tables.h"

namespace vm {
namespace {

TitleTables& PreviewTables() {
  static TitleTables* t = new TitleTables();
  return *t;
}

// The picture of entry i, decoded straight into a buffer of our own.
std::vector<uint8_t> DecodedPicture(const TitleTables& t, int32_t i) {
  static uint8_t image[kPreviewImageBytes];
  std::memset(image, 0, sizeof image);
  PreviewRequest r;
  EXPECT_TRUE(FillPreviewRequest(t, i, r));
  RecordingUi ui;
  SetPreviewImage(image);
  DecodePreviewPicture(ui, r.vobPath, r.continuationPath, r.sector);
  return std::vector<uint8_t>(image, image + sizeof image);
}

std::vector<uint8_t> Shown(const PreviewWindow* p) {
  return std::vector<uint8_t>(p->Image(), p->Image() + kPreviewImageBytes);
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::RealTitleRecipe recipe;
    recipe.name = "preview-pal-split";
    recipe.height = 576;
    recipe.pal = true;
    recipe.splitParts = 3;
    folder_ = testing::RealTitleSet(recipe);
    ASSERT_FALSE(folder_.empty());
    std::memset(static_cast<void*>(&PreviewTables()), 0, sizeof(TitleTables));
    SetHistoryDefaults(history_, dir_.path().c_str());
    std::snprintf(history_.InputFolderText, sizeof history_.InputFolderText, "%s",
                  folder_.c_str());
    frame_ = std::make_unique<MainFrame>(
        ShellContext{PreviewTables(), Author(), history_, dir_.path().c_str()});
    frame_->Client()->ResetForStart();
    frame_->show();
  }
  MainWindow& w() { return *frame_->Client(); }
  const TitleTables& t() { return PreviewTables(); }

  testing::TempDir dir_;
  std::string folder_;
  HistoryBlock history_{};
  std::unique_ptr<MainFrame> frame_;
};

TEST_F(PreviewWindowTest, OpensAtReadAndFollowsTheCaretDecodingOncePerRequest) {
  history_.PreviewEnable = 1;
  w().ReadTitle();
  ASSERT_GT(t().TimeListNum, 3);
  PreviewWindow* p = w().Preview();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->objectName(), "_X_VWR200:PREVIEW");
  EXPECT_EQ(p->windowTitle(), "Preview");
  EXPECT_EQ(p->size(), QSize(kPreviewWidth, kPreviewHeight));
  EXPECT_EQ(p->minimumSize(), p->maximumSize());
  const QRect screen = p->screen()->geometry();
  EXPECT_EQ(p->frameGeometry().left(), screen.left());
  EXPECT_EQ(p->frameGeometry().top(),
            screen.top() + (screen.height() - p->frameGeometry().height()) / 3);
  EXPECT_TRUE(w().TimeList()->hasFocus() || QApplication::focusWidget() == nullptr);

  ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
  p->repaint();
  EXPECT_EQ(p->DecodeCount(), 1);
  EXPECT_EQ(Shown(p), DecodedPicture(t(), 0));

  // Covering and uncovering paints again without decoding again.
  p->repaint();
  p->update();
  QApplication::processEvents();
  EXPECT_EQ(p->DecodeCount(), 1);

  // The arrow key moves the caret; the next paint shows that entry, also
  // across the first file's end (the last entry of a file needs the next).
  const std::vector<std::string> files(t().VobFileName, t().VobFileName + t().VobFileNum);
  int32_t lastOfFirstFile = 0;
  while (t().TimeListFileNo[lastOfFirstFile + 1] == 0) ++lastOfFirstFile;
  w().SelectEntry(lastOfFirstFile - 1);
  QTest::keyClick(w().TimeList(), Qt::Key_Down);
  EXPECT_EQ(w().CaretLine(), lastOfFirstFile);
  EXPECT_FALSE(p->Decoded());
  p->repaint();
  EXPECT_EQ(Shown(p), DecodedPicture(t(), lastOfFirstFile));

  // Closed by the user, it comes back at the next change of the caret.
  p->close();
  QApplication::processEvents();
  EXPECT_EQ(w().Preview(), nullptr);
  QTest::keyClick(w().TimeList(), Qt::Key_Down);
  ASSERT_NE(w().Preview(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w().Preview()));
  w().Preview()->repaint();
  EXPECT_EQ(Shown(w().Preview()), DecodedPicture(t(), lastOfFirstFile + 1));
}

TEST_F(PreviewWindowTest, TheSettingDecidesWhetherThereIsAWindow) {
  history_.PreviewEnable = 0;
  w().ReadTitle();
  QTest::keyClick(w().TimeList(), Qt::Key_Down);
  EXPECT_EQ(w().Preview(), nullptr);
  history_.PreviewEnable = 1;
  w().RefreshPreview();
  ASSERT_NE(w().Preview(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w().Preview()));
  EXPECT_EQ(Shown(w().Preview()), DecodedPicture(t(), 1));
  history_.PreviewEnable = 0;
  w().RefreshPreview();
  QApplication::processEvents();
  EXPECT_EQ(w().Preview(), nullptr);
}

}  // namespace
}  // namespace vm

namespace vm {
namespace {

// A VOB file gone after the read: the decoder says so once, in a box over
// the preview window, and the paints while that box is open do not decode
// the same request again.
TEST(PreviewWindow, ADecoderMessageIsShownOnceForItsRequest) {
  testing::TempDir dir;
  const std::string input = dir / "VIDEO_TS/";
  testing::RunCommand("mkdir -p '" + input + "'");
  testing::SynthTitleSet set(input);
  set.WriteIfos({0});
  set.WriteVob("VTS_01_1.VOB", testing::EvenVobus(4, 4));
  std::memset(static_cast<void*>(&PreviewTables()), 0, sizeof(TitleTables));
  HistoryBlock history{};
  SetHistoryDefaults(history, dir.path().c_str());
  history.PreviewEnable = 1;
  std::snprintf(history.InputFolderText, sizeof history.InputFolderText, "%s", input.c_str());
  MainFrame frame(ShellContext{PreviewTables(), Author(), history, dir.path().c_str()});
  frame.Client()->ResetForStart();
  frame.show();
  frame.Client()->ReadTitle();
  ASSERT_NE(frame.Client()->Preview(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.Client()->Preview()));
  const int before = frame.Client()->Preview()->DecodeCount();
  std::remove((input + "VTS_01_1.VOB").c_str());

  testing::ModalScript script;
  script.defaultAnswer = QMessageBox::Ok;
  int paintsDuringBox = 0;
  QTimer repainter;
  QObject::connect(&repainter, &QTimer::timeout, [&] {
    if (QApplication::activeModalWidget() != nullptr && frame.Client()->Preview() != nullptr) {
      frame.Client()->Preview()->repaint();
      ++paintsDuringBox;
    }
  });
  repainter.start(1);
  frame.Client()->SelectEntry(2);
  frame.Client()->Preview()->repaint();
  QTest::qWait(20);
  ASSERT_EQ(script.boxes.size(), 1u);
  EXPECT_EQ(script.boxes[0].text, input + "VTS_01_1.VOB open error (Preview).");
  EXPECT_GT(paintsDuringBox, 0);
  EXPECT_EQ(frame.Client()->Preview()->DecodeCount(), before + 1);
}

}  // namespace
}  // namespace vm

// A selection change in the time list until the preview window has
// repainted with the new picture, on a 720 x 576 PAL title (target: within
// one frame, 16 ms). Each step moves the caret one entry down, as the
// arrow key does, and paints the preview window at once.
//
//   bench_preview_repaint
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/history.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "tests/support/real_titles.h"
#include "title/tables.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  vm::testing::RealTitleRecipe recipe;
  recipe.name = "preview-pal-split";
  recipe.width = 720;
  recipe.height = 576;
  recipe.pal = true;
  recipe.seconds = 12;
  recipe.splitParts = 3;
  const std::string folder = vm::testing::RealTitleSet(recipe);
  if (folder.empty()) {
    std::fprintf(stderr, "bench_preview_repaint: the PAL title could not be made\n");
    return 1;
  }
  vm::TitleTables& t = vm::Tables();
  vm::HistoryBlock& h = vm::History();
  vm::SetHistoryDefaults(h, "/tmp");
  h.PreviewEnable = 1;
  std::snprintf(h.InputFolderText, sizeof h.InputFolderText, "%s", folder.c_str());
  vm::MainFrame frame(vm::ShellContext{t, vm::Author(), h, "/tmp/"});
  vm::MainWindow* w = frame.Client();
  w->ResetForStart();
  frame.show();
  w->ReadTitle();
  QApplication::processEvents();
  vm::PreviewWindow* preview = w->Preview();
  if (t.TimeListNum < 2 || preview == nullptr) {
    std::fprintf(stderr, "bench_preview_repaint: no title or no preview window\n");
    return 1;
  }
  std::vector<double> ms;
  for (int round = 0; round < 10; ++round) {
    for (int32_t i = 0; i < t.TimeListNum; ++i) {
      const auto start = std::chrono::steady_clock::now();
      w->SelectEntry(i);
      preview->repaint();
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                             start)
                       .count());
    }
  }
  std::sort(ms.begin(), ms.end());
  std::printf("preview of %d VOBUs of a 720x576 title, %zu selection changes:\n", t.TimeListNum,
              ms.size());
  std::printf("  best %.2f ms, median %.2f ms, 95th percentile %.2f ms, worst %.2f ms "
              "(target: within 16 ms)\n",
              ms.front(), ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
  std::printf("  pictures decoded: %d\n", preview->DecodeCount());
  return 0;
}

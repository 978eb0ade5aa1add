// The desktop program's time list with 131,071 lines: the time from the
// end of a read to the first painted frame of the main window, and the
// memory the view adds beyond the core's line table (target: under 50 ms
// and under 1 MiB).
//
//   bench_time_list_view
//
// Runs under the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include "app/time_list_view.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/history.h"
#include "app/main_frame.h"
#include "app/main_window.h"
#include "app/time_list_model.h"
#include "title/tables.h"
#include "title/time_list_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// What a scan of that many VOBUs leaves in the tables: entries half a
// second apart, a cell start every 600 entries, the lines and labels.
void FillLikeAScan(vm::TitleTables& t, int entries) {
  vm::EmptyListBox(t);
  for (int i = 0; i < entries; ++i) {
    t.TimeListSector[i] = i * 200;
    t.TimeListFileNo[i] = 0;
    t.TimeListFlags[i] = (i % 600 == 0) ? vm::TL_CELL_START : 0;
    char line[vm::kLineBytes];
    vm::FormatTimeListLine(line, ' ', (i % 600 == 0) ? '*' : ' ', i + 1,
                           static_cast<uint32_t>(i) * 45000u);
    vm::AppendListLine(t, line);
  }
  t.TimeListNum = entries;
  t.VobFileNum = 1;
  t.RangeStart = 0;
  t.RangeEnd = entries - 1;
  vm::SetRangeLabels(t);
}

// Heap and mmap'ed blocks both: large blocks come from mmap at first.
size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  vm::TitleTables& t = vm::Tables();
  vm::HistoryBlock& h = vm::History();
  vm::SetHistoryDefaults(h, "/tmp");
  h.PreviewEnable = 0;

  constexpr int kEntries = vm::kMaxTimeListEntries;
  constexpr int kRuns = 15;
  std::vector<double> ms;
  size_t viewBytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    vm::MainFrame frame(vm::ShellContext{t, vm::Author(), h, "/tmp/"});
    vm::MainWindow* w = frame.Client();
    w->ResetForStart();
    frame.show();
    QApplication::processEvents();
    FillLikeAScan(t, kEntries);

    const size_t heapBefore = HeapInUse();
    const auto start = Clock::now();
    // What the read command does once the scan is over, then one paint.
    w->Model()->Sync();
    w->Model()->AllRowsChanged();
    w->SelectEntry(0);
    frame.repaint();
    const auto end = Clock::now();
    // Whatever the view lays out later, once the events have run.
    QApplication::processEvents();
    w->TimeList()->scrollToBottom();
    QApplication::processEvents();
    viewBytes = std::max(viewBytes, HeapInUse() - heapBefore);
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    if (w->Model()->rowCount() != kEntries) {
      std::fprintf(stderr, "bench_time_list_view: the view shows %d rows\n",
                   w->Model()->rowCount());
      return 1;
    }
  }
  std::sort(ms.begin(), ms.end());
  std::printf("time list of %d lines, end of read to first painted frame:\n", kEntries);
  std::printf("  best %.2f ms, median %.2f ms, worst %.2f ms (target < 50 ms)\n", ms.front(),
              ms[ms.size() / 2], ms.back());
  std::printf("  heap added by the view: %.1f KiB (target < 1024 KiB); the line table is %.1f MiB\n",
              viewBytes / 1024.0, sizeof t.Line / 1048576.0);
  return 0;
}

// Fuzzes the chapter files of the five forms: the bytes are read as any of
// them, placed from a range start inside a small time list with irregular
// steps, and the range written back in every form and read again, which
// must give the same times.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "chapters/chapter_file.h"
#include "title/tables.h"
#include "title/time_list_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vm::TitleTables* t = [] {
    auto* tables = new vm::TitleTables();
    vm::EmptyListBox(*tables);
    for (int32_t i = 0; i < 200; ++i) {
      char line[vm::kLineBytes];
      // Irregular steps: short VOBUs, still, backward and long jumps.
      const uint32_t ms = static_cast<uint32_t>((i * 130) % 3100 + (i / 24) * 9000);
      vm::FormatTimeListLine(line, ' ', ' ', i + 1, ms * 90u);
      vm::AppendListLine(*tables, line);
    }
    tables->TimeListNum = 200;
    return tables;
  }();
  static vm::ChapterTimeTable times, again;
  static vm::RangeChapters chapters;
  // A real file: exports are put in place by rename, which a memfd's
  // /proc/self/fd link cannot take. In memory where /dev/shm is there.
  static char folder[64] = {}, path[80] = {};
  if (path[0] == '\0') {
    std::snprintf(folder, sizeof folder, "%s/vobmarks-fuzz-XXXXXX",
                  access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (mkdtemp(folder) == nullptr) std::abort();
    std::snprintf(path, sizeof path, "%s/chapters.txt", folder);
    std::atexit([] {
      unlink(path);
      rmdir(folder);
    });
  }

  vm::ChapterFileFormat format;
  if (vm::ParseChapterText(reinterpret_cast<const char*>(data), static_cast<int64_t>(size),
                           times, format)
          .status != vm::ChapterListStatus::Ok)
    return 0;
  for (int32_t i = 0; i < t->TimeListNum; ++i) t->TimeListFlags[i] = 0;
  t->RangeStart = size > 0 ? data[0] % 100 : 0;
  t->RangeEnd = t->TimeListNum - 1;
  vm::PlaceChapterTimesFrom(*t, times, t->RangeStart);
  if (!vm::CollectRangeChapters(*t, chapters)) return 0;

  for (int f = 0; f < vm::kChapterFileFormats; ++f) {
    const auto written = static_cast<vm::ChapterFileFormat>(f);
    if (vm::ExportChapters(*t, written, path) != vm::ChapterExportStatus::Ok) std::abort();
    vm::ChapterFileFormat read;
    if (vm::ParseChapterFile(path, again, read).status != vm::ChapterListStatus::Ok) std::abort();
    if (again.count != chapters.count ||
        std::memcmp(again.ms, chapters.ms, sizeof(int32_t) * static_cast<size_t>(again.count)) != 0)
      std::abort();
  }
  return 0;
}

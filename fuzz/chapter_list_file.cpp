// Fuzzes the chapter list file: the bytes are the file, parsed whole and
// placed on a small time list.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "chapters/chapter_list.h"
#include "title/tables.h"
#include "title/time_list_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vm::TitleTables* t = [] {
    auto* tables = new vm::TitleTables();
    vm::EmptyListBox(*tables);
    for (int32_t i = 0; i < 200; ++i) {
      char line[vm::kLineBytes];
      // Irregular steps: forward, still, backward and long jumps.
      const uint32_t ms = static_cast<uint32_t>((i * 500) % 7000 + (i / 14) * 9000);
      vm::FormatTimeListLine(line, ' ', ' ', i + 1, ms * 90u);
      vm::AppendListLine(*tables, line);
    }
    tables->TimeListNum = 200;
    return tables;
  }();
  static int fd = memfd_create("chplist", 0);
  static vm::ChapterTimeTable times;
  if (fd < 0) return 0;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  const vm::ChapterListResult r = vm::ParseChapterListFile(path, times);
  if (r.status == vm::ChapterListStatus::Ok) vm::PlaceChapterTimes(*t, times);
  return 0;
}

#include "title/time_list_text.h"

#include <cstdio>
#include <cstring>

namespace vm {

namespace {
// U+301C WAVE DASH, the range-start label's trailing mark.
constexpr const char kWaveDash[] = "\xE3\x80\x9C";
}  // namespace

void FormatTimeListLine(char* out, char chapterMark, char cellMark, int32_t entryNumber,
                        uint32_t scr) {
  std::snprintf(out, kLineBytes, " %c%c%05d (%02u:%02u:%02u.%03u)", chapterMark, cellMark,
                entryNumber, scr / 324000000u, (scr / 5400000u) % 60u, (scr / 90000u) % 60u,
                (scr / 90u) % 1000u);
}

void EmptyListBox(TitleTables& t) { t.LineCount = 0; }

void AppendListLine(TitleTables& t, const char* text) {
  if (t.LineCount >= kTimeListSlots) return;
  char* line = t.Line[t.LineCount];
  std::strncpy(line, text, kLineBytes - 1);
  line[kLineBytes - 1] = '\0';
  t.LineCount += 1;
}

void SetLineChapterMark(TitleTables& t, int32_t i, bool marked) {
  if (i < 0 || i >= t.LineCount) return;
  t.Line[i][kLineChapterMarkPos] = marked ? '>' : ' ';
}

void SetRangeLabels(TitleTables& t) {
  std::snprintf(t.LabelStart, kLabelBytes, "S:%05d %s", t.RangeStart + 1, kWaveDash);
  std::snprintf(t.LabelEnd, kLabelBytes, "E:%05d", t.RangeEnd + 1);
}

void SetSizeLabel(TitleTables& t, int32_t thousandths) {
  std::snprintf(t.LabelSize, kLabelBytes, "Size: %d.%03d GB", thousandths / 1000,
                thousandths % 1000);
}

}  // namespace vm

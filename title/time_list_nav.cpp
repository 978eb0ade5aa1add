#include "title/time_list_nav.h"

namespace vm {

int32_t NavigateTimeList(const TitleTables& t, NavButton button, int32_t top) {
  const int32_t n = t.TimeListNum;
  if (t.BusyFlag == 1 || n <= 0) return -1;
  if (top < 0) top = 0;
  if (top > n - 1) top = n - 1;
  const uint8_t bit =
      (button == NavButton::CellUp || button == NavButton::CellDown) ? TL_CELL_START : TL_CHAPTER;
  if (button == NavButton::CellUp || button == NavButton::ChapterUp) {
    for (int32_t j = top - 1; j >= 0; --j) {
      if ((t.TimeListFlags[j] & bit) || j == 0) return j;
    }
    return -1;
  }
  for (int32_t j = top + 1; j < n; ++j) {
    if (t.TimeListFlags[j] & bit) return j;
  }
  return -1;
}

}  // namespace vm

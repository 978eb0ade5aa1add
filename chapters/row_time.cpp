#include "chapters/row_time.h"

#include <cstring>

#include "title/time_list_text.h"

namespace vm {

namespace {

// Offsets of the time fields from the character after '('.
constexpr int kHoursOffset = 0;
constexpr int kMinutesOffset = 3;
constexpr int kSecondsOffset = 6;
constexpr int kMillisOffset = 9;
// Where '(' sits in a line of an entry below 100000.
constexpr int kOpenParenPos = 9;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t DecimalPrefix(const char* s, size_t n) {
  size_t k = 0;
  while (k < n && s[k] != '\0' && IsBlank(s[k])) ++k;
  bool negative = false;
  if (k < n && (s[k] == '+' || s[k] == '-')) {
    negative = s[k] == '-';
    ++k;
  }
  int64_t value = 0;
  for (; k < n && s[k] >= '0' && s[k] <= '9'; ++k) {
    if (value <= INT32_MAX) value = value * 10 + (s[k] - '0');
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int32_t ChapterEntryCount(const TitleTables& t) {
  if (t.TimeListNum < 0) return 0;
  if (t.TimeListNum > kMaxTimeListEntries) return kMaxTimeListEntries;
  return t.TimeListNum;
}

int32_t RowTimeMs(const TitleTables& t, int32_t i) {
  if (i < 0 || i >= t.LineCount || i >= kTimeListSlots) return 0;
  const char* line = t.Line[i];
  size_t length = strnlen(line, kLineBytes);
  size_t paren = kOpenParenPos;
  for (size_t k = kLineNumberPos; k < length; ++k) {
    if (line[k] == '(') {
      paren = k;
      break;
    }
  }
  size_t start = paren + 1;
  auto field = [&](int offset, size_t width) -> int32_t {
    size_t at = start + static_cast<size_t>(offset);
    if (at >= length) return 0;
    size_t n = length - at < width ? length - at : width;
    return DecimalPrefix(line + at, n);
  };
  int64_t ms = (static_cast<int64_t>(field(kHoursOffset, 2)) * 3600 +
                static_cast<int64_t>(field(kMinutesOffset, 2)) * 60 + field(kSecondsOffset, 2)) *
                   1000 +
               field(kMillisOffset, 3);
  return static_cast<int32_t>(ms);
}

}  // namespace vm

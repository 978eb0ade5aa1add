#include <cstdio>

#include "cli/commands.h"

namespace vm {

void PrintTimeList(const TitleTables& t) {
  for (int32_t i = 0; i < t.LineCount; ++i) std::puts(t.Line[i]);
  std::puts(t.LabelStart);
  std::puts(t.LabelEnd);
  std::puts(t.LabelSize);
}

}  // namespace vm

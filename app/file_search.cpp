#include "app/file_search.h"

#include <glob.h>

namespace vm {

bool FileSearchFinds(const char* pattern) {
  if (pattern[0] == '\0') return false;
  glob_t found{};
  int rc = glob(pattern, GLOB_NOSORT, nullptr, &found);
  bool any = rc == 0 && found.gl_pathc > 0;
  globfree(&found);
  return any;
}

}  // namespace vm

#include "common/path.h"

#include <cstring>
#include <strings.h>

namespace vm {

bool AddTrailingSeparator(Path& path) {
  size_t n = path.size();
  if (n > 0 && path.s[n - 1] == '/') return true;
  return path.Append("/");
}

void FolderOf(const char* file, Path& folder) {
  const char* slash = std::strrchr(file, '/');
  folder.clear();
  if (slash == nullptr) return;
  size_t n = static_cast<size_t>(slash - file) + 1;
  if (n >= Path::kCapacity) return;
  std::memcpy(folder.s, file, n);
  folder.s[n] = '\0';
}

const char* ExtensionOf(const char* name) {
  const char* slash = std::strrchr(name, '/');
  const char* base = slash ? slash + 1 : name;
  const char* dot = std::strrchr(base, '.');
  return dot ? dot : base + std::strlen(base);
}

bool EqualsNoCase(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

}  // namespace vm

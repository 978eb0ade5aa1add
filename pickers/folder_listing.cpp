#include "pickers/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/path.h"

namespace vm {

namespace {

// Kernel file systems that hold no user files; everything else mounted
// under the removable-media folders (disks, discs, network shares, RAM
// disks) is offered as a root.
constexpr const char* kPseudoFileSystems[] = {
    "autofs",  "binfmt_misc", "bpf",      "cgroup",      "cgroup2", "configfs",
    "debugfs", "devpts",      "devtmpfs", "efivarfs",    "fusectl", "hugetlbfs",
    "mqueue",  "nsfs",        "proc",     "pstore",      "rpc_pipefs", "securityfs",
    "sysfs",   "tracefs",
};

bool IsPseudoFileSystem(const char* type) {
  for (const char* t : kPseudoFileSystems)
    if (std::strcmp(t, type) == 0) return true;
  return false;
}

bool IsUnder(const char* path, const char* folder) {
  size_t n = std::strlen(folder);
  return std::strncmp(path, folder, n) == 0 && (path[n] == '\0' || path[n] == '/');
}

bool IsMediaMountPoint(const char* path) {
  return IsUnder(path, "/media") || IsUnder(path, "/run/media") || IsUnder(path, "/mnt");
}

// The mounts table writes space, tab, newline and backslash in a field as
// a backslash and three octal digits.
void DecodeMountField(char* field) {
  char* out = field;
  for (const char* in = field; *in != '\0';) {
    if (in[0] == '\\' && in[1] >= '0' && in[1] <= '3' && in[2] >= '0' && in[2] <= '7' &&
        in[3] >= '0' && in[3] <= '7') {
      *out++ = static_cast<char>((in[1] - '0') * 64 + (in[2] - '0') * 8 + (in[3] - '0'));
      in += 4;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
}

void AddRoot(RootList& list, const char* path) {
  if (list.count >= kMaxRoots || path[0] != '/') return;
  Path root;
  if (!root.Set(path) || !AddTrailingSeparator(root)) return;
  for (int i = 0; i < list.count; ++i)
    if (list.roots[i] == root.c_str()) return;
  list.roots[list.count++] = root;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

bool NameBefore(const std::string& a, const std::string& b) {
  if (a == "..") return b != "..";
  if (b == "..") return false;
  int c = strcasecmp(a.c_str(), b.c_str());
  return c != 0 ? c < 0 : a < b;
}

bool Matches(const char* folder, const char* name, ListKind kind) {
  std::string full = std::string(folder) + name;
  struct stat st;
  if (stat(full.c_str(), &st) != 0) return false;
  if (kind == ListKind::Folders) return S_ISDIR(st.st_mode);
  return S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

// Folders shown in this run, one per root.
struct ShownFolder {
  Path root;
  Path folder;
};
ShownFolder g_shown[kMaxRoots];
int g_shownCount = 0;

}  // namespace

void ReadRoots(const char* homeFolder, const char* mountsPath, RootList& out) {
  out.count = 0;
  AddRoot(out, "/");
  if (homeFolder != nullptr) AddRoot(out, homeFolder);
  std::unique_ptr<FILE, FileCloser> f(std::fopen(mountsPath, "r"));
  if (!f) return;
  char* line = nullptr;
  size_t capacity = 0;
  while (getline(&line, &capacity, f.get()) > 0) {
    // source mount-point type options dump pass
    char* save = nullptr;
    char* source = strtok_r(line, " \t\n", &save);
    char* point = source ? strtok_r(nullptr, " \t\n", &save) : nullptr;
    char* type = point ? strtok_r(nullptr, " \t\n", &save) : nullptr;
    if (type == nullptr) continue;
    DecodeMountField(point);
    if (IsMediaMountPoint(point) && !IsPseudoFileSystem(type)) AddRoot(out, point);
  }
  std::free(line);
}

void ReadSystemRoots(RootList& out) { ReadRoots(std::getenv("HOME"), "/proc/self/mounts", out); }

int RootIndexOf(const RootList& roots, const char* path) {
  int best = -1;
  size_t bestLength = 0;
  for (int i = 0; i < roots.count; ++i) {
    size_t n = roots.roots[i].size();
    if (n > bestLength && std::strncmp(path, roots.roots[i].c_str(), n) == 0) {
      best = i;
      bestLength = n;
    }
  }
  return best;
}

void RootOf(const RootList& roots, const char* folder, Path& out) {
  int i = RootIndexOf(roots, folder);
  out.Set(i >= 0 ? roots.roots[i].c_str() : "/");
}

void RememberShownFolder(const char* root, const char* folder) {
  for (int i = 0; i < g_shownCount; ++i) {
    if (g_shown[i].root == root) {
      g_shown[i].folder.Set(folder);
      return;
    }
  }
  if (g_shownCount == kMaxRoots) return;
  if (g_shown[g_shownCount].root.Set(root) && g_shown[g_shownCount].folder.Set(folder))
    ++g_shownCount;
}

bool LastShownFolder(const char* root, Path& out) {
  for (int i = 0; i < g_shownCount; ++i)
    if (g_shown[i].root == root) return out.Set(g_shown[i].folder.c_str());
  return false;
}

void ListFolder(const char* folder, ListKind kind, std::vector<std::string>& names) {
  names.clear();
  if (folder[0] != '/') return;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder));
  if (!dir) return;
  bool atTop = std::strcmp(folder, "/") == 0;
  while (const dirent* e = readdir(dir.get())) {
    const char* name = e->d_name;
    if (std::strcmp(name, ".") == 0) continue;
    if (std::strcmp(name, "..") == 0) {
      if (kind == ListKind::Folders && !atTop) names.emplace_back(name);
      continue;
    }
    if (Matches(folder, name, kind)) names.emplace_back(name);
  }
  std::sort(names.begin(), names.end(), NameBefore);
}

bool FolderReadable(const char* folder) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder));
  return dir != nullptr;
}

void StartFolder(const char* text, const char* fallback, Path& out) {
  if (text[0] != '\0' && out.Set(text) && AddTrailingSeparator(out)) return;
  out.Set(fallback);
}

bool StepInto(Path& path, const char* name) {
  if (std::strcmp(name, "..") == 0) {
    size_t n = path.size();
    // Skip a trailing '/', then cut after the one before it.
    size_t end = (n > 0 && path.s[n - 1] == '/') ? n - 1 : n;
    for (size_t i = end; i > 0; --i) {
      if (path.s[i - 1] == '/') {
        path.s[i] = '\0';
        return true;
      }
    }
    return true;  // a single '/': nothing above it
  }
  Path next = path;
  if (!next.Append(name) || !next.Append("/")) return false;
  path = next;
  return true;
}

bool JoinFile(const char* folder, const char* name, Path& out) {
  Path joined;
  if (!joined.Set(folder) || !joined.Append(name)) return false;
  out = joined;
  return true;
}

}  // namespace vm

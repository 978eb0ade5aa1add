#include "app/help_command.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/file_search.h"
#include "app/message_boxes.h"
#include "app/startup.h"

namespace vm {

namespace {

constexpr size_t kMaxBrowserLine = 254;

constexpr char kBrowserMissing[] =
    "Web browser is not found.\n"
    "Describe the browser exec file name(full path) in the \"IE.TXT\" file, and push the help "
    "button again.\n\n  e.g. /usr/bin/firefox\n\n"
    "Locate the \"IE.TXT\" file in the same folder with \"vobmarks\".";

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void HelpManualPath(const char* programFolder, Path& out) {
  if (!FindReadOnlyFile(programFolder, "usage.txt", out)) out.clear();
}

void HelpBrowserPath(const char* programFolder, Path& out) {
  out.Set(kDefaultBrowser);
  Path name;
  if (!name.Set(programFolder) || !name.Append("IE.TXT")) return;
  std::unique_ptr<FILE, FileCloser> f(std::fopen(name.c_str(), "rb"));
  if (!f) return;
  // Room for a byte-order mark, the longest accepted line, CR LF and one
  // byte more, to tell a line that is too long.
  char line[kMaxBrowserLine + 7];
  if (std::fgets(line, sizeof line, f.get()) == nullptr) return;
  char* start = line;
  if (std::strncmp(start, "\xEF\xBB\xBF", 3) == 0) start += 3;
  size_t n = std::strlen(start);
  bool ended = n > 0 && start[n - 1] == '\n';
  if (ended) start[--n] = '\0';
  if (n > 0 && start[n - 1] == '\r') start[--n] = '\0';
  if (n > kMaxBrowserLine || (!ended && std::fgetc(f.get()) != EOF)) {
    out.clear();
    return;
  }
  while (n > 0 && IsBlank(start[n - 1])) start[--n] = '\0';
  while (IsBlank(*start)) ++start;
  if (*start != '\0') out.Set(start);
}

void RunHelp(QWidget* owner, const char* programFolder) {
  Path browser;
  HelpBrowserPath(programFolder, browser);
  if (!FileSearchFinds(browser.c_str())) {
    ShowErrorBox(owner, kBrowserMissing);
    return;
  }
  Path manual;
  HelpManualPath(programFolder, manual);
  if (manual.empty()) return;
  QProcess::startDetached(QFile::decodeName(browser.c_str()),
                          QStringList{QFile::decodeName(manual.c_str())});
}

}  // namespace vm

// vobmarks-cli titles INPUT_DIR [--json]: the volume's titles, one line
// each (or one JSON object), the longest marked; and the --title option of
// the commands that read a title.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "common/path.h"
#include "title/jump_list.h"
#include "title/read_command.h"
#include "title/title_choice.h"

namespace vm {

namespace {

// "2 en,fr": the count, then each stream's language ("--" when not given).
std::string Streams(const char (*lang)[3], int n) {
  std::string s = std::to_string(n);
  for (int i = 0; i < n; ++i) {
    s += i == 0 ? " " : ",";
    s += lang[i][0] != '\0' ? lang[i] : "--";
  }
  return s;
}

std::string JsonLanguages(const char (*lang)[3], int n) {
  std::string s = "[";
  for (int i = 0; i < n; ++i) {
    if (i > 0) s += ',';
    s += lang[i][0] != '\0' ? std::string("\"") + lang[i] + "\"" : std::string("null");
  }
  return s + "]";
}

void PrintText(const TitleList& list) {
  std::printf("  Title Set  Length   Chapters Cells Angles Audio          Subpictures\n");
  for (int i = 0; i < list.count; ++i) {
    const TitleEntry& e = list.title[i];
    const char mark = i == list.longest ? '*' : ' ';
    if (e.fault != TitleFault::None) {
      std::printf("%c %5d  %02d  damaged: %s\n", mark, i + 1, e.vts, TitleFaultText(e.fault));
      continue;
    }
    char length[16];
    FormatTitleLength(e.lengthMs, length);
    std::printf("%c %5d  %02d %8s %8d %5d %6d %-14s %s\n", mark, i + 1, e.vts, length, e.chapters,
                e.cells, e.angles, Streams(e.audioLang, e.audioNum).c_str(),
                Streams(e.subpicLang, e.subpicNum).c_str());
  }
  if (list.longest >= 0) std::printf("* the longest title\n");
}

void PrintJson(const TitleList& list) {
  std::printf("{\"titles\":[");
  for (int i = 0; i < list.count; ++i) {
    const TitleEntry& e = list.title[i];
    char length[16];
    FormatTitleLength(e.lengthMs, length);
    std::printf("%s{\"number\":%d,\"title_set\":%d,\"length\":\"%s\",\"length_ms\":%d,"
                "\"chapters\":%d,\"cells\":%d,\"angles\":%d,\"audio\":%s,\"subpictures\":%s,"
                "\"longest\":%s,\"damage\":",
                i > 0 ? "," : "", i + 1, e.vts, length, e.lengthMs, e.chapters, e.cells, e.angles,
                JsonLanguages(e.audioLang, e.audioNum).c_str(),
                JsonLanguages(e.subpicLang, e.subpicNum).c_str(),
                i == list.longest ? "true" : "false");
    if (e.fault == TitleFault::None) std::printf("null}");
    else std::printf("\"%s\"}", TitleFaultText(e.fault));
  }
  std::printf("],\"longest\":%d}\n", list.longest + 1);
}

const char* DomainName(JumpDomain d) {
  switch (d) {
    case JumpDomain::FirstPlay: return "first_play";
    case JumpDomain::VmgMenu: return "vmg_menu";
    case JumpDomain::VtsMenu: return "vts_menu";
    case JumpDomain::Title: return "title";
  }
  return "";
}

const char* SourceName(JumpSource s) {
  switch (s) {
    case JumpSource::Pre: return "pre";
    case JumpSource::Post: return "post";
    case JumpSource::Cell: return "cell";
    case JumpSource::Button: return "button";
  }
  return "";
}

std::string Target(const JumpListing& j) {
  if (j.title == 0) return "a title the volume does not have";
  std::string s = "title " + std::to_string(j.title);
  if (j.chapter > 0) s += ", chapter " + std::to_string(j.chapter);
  return s;
}

// The names and mnemonics are this program's own: no character needs
// escaping in JSON.
void PrintJumps(const std::vector<JumpListing>& jumps, bool json) {
  if (!json) {
    for (const JumpListing& j : jumps) {
      std::string more;
      if (j.packs > 1) more = " (and " + std::to_string(j.packs - 1) + " more nav packs)";
      std::printf("%s%s: %s -> %s\n", JumpSiteName(j.site).c_str(), more.c_str(),
                  j.command.c_str(), Target(j).c_str());
    }
    if (jumps.empty()) std::printf("No command or button jumps into a title.\n");
    return;
  }
  std::printf("{\"jumps\":[");
  for (size_t i = 0; i < jumps.size(); ++i) {
    const JumpListing& j = jumps[i];
    std::printf("%s{\"from\":\"%s\",\"domain\":\"%s\",\"title_set\":%d,\"language\":%d,"
                "\"pgc\":%d,\"source\":\"%s\",\"number\":%d,",
                i > 0 ? "," : "", JumpSiteName(j.site).c_str(), DomainName(j.site.domain),
                j.site.vts, j.site.language, j.site.pgc, SourceName(j.site.source), j.site.number);
    if (j.site.source == JumpSource::Button)
      std::printf("\"button_group\":%d,\"nav_sector\":%u,\"nav_packs\":%d,", j.site.buttonGroup,
                  j.site.navSector, j.packs);
    std::printf("\"command\":\"%s\",\"title\":%d,\"chapter\":%d}", j.command.c_str(), j.title,
                j.chapter);
  }
  std::printf("]}\n");
}

}  // namespace

int TitleOption(const ParsedArgs& args) {
  int title = 0;
  for (const GivenOption& o : args.options) {
    if (o.id != Opt::Title) continue;
    char* end = nullptr;
    const long n = std::strtol(o.value.c_str(), &end, 10);
    if (o.value.empty() || *end != '\0' || n < 1 || n > kMaxListedTitles) {
      std::fprintf(stderr, "vobmarks-cli: --title needs a title number 1-%d, got \"%s\"\n",
                   kMaxListedTitles, o.value.c_str());
      return -1;
    }
    title = static_cast<int>(n);
  }
  return title;
}

bool ReadForCommand(TitleTables& t, CliUi& ui, const std::string& folder, int title) {
  const ReadResult r = ReadVobFiles(t, ui, folder.c_str(), title);
  if (ui.StopRequested()) {
    // A stopped scan leaves an empty list, which is not "no VOBU found".
    ui.Error("Reading the VOB files is stopped.");
    return false;
  }
  if (r == ReadResult::Scanned && !ui.Failed()) return true;
  if (title == 0) {
    Path path;
    if (path.Set(folder.c_str()) && AddTrailingSeparator(path)) {
      const int titles = ListVolumeTitles(t, path.c_str());
      if (titles > 1)
        std::fprintf(stderr,
                     "The volume has %d titles: choose one with --title N (vobmarks-cli titles "
                     "%s lists them).\n",
                     titles, folder.c_str());
    }
  }
  return false;
}

int RunTitles(TitleTables& t, const ParsedArgs& args) {
  bool json = false, jumps = false;
  for (const GivenOption& o : args.options) {
    json = json || o.id == Opt::Json;
    jumps = jumps || o.id == Opt::Jumps;
  }
  Path folder;
  if (!folder.Set(args.positional[0].c_str()) || !AddTrailingSeparator(folder)) {
    std::fprintf(stderr,
                 "Error: Input folder name is too long (at most 259 characters with the final "
                 "'/').\n");
    return 1;
  }
  if (jumps) {
    std::vector<JumpListing> list;
    std::string cause;
    const JumpListStatus st = ListVolumeJumps(folder.c_str(), list, cause);
    if (st == JumpListStatus::NoVmg) {
      std::fprintf(stderr, "Error: %sVIDEO_TS.IFO is not found or cannot be read (%s).\n",
                   folder.c_str(), cause.c_str());
      return 1;
    }
    if (st != JumpListStatus::Done) {
      std::fprintf(stderr, "Error: the volume's jumps cannot be listed: %s.\n", cause.c_str());
      return 1;
    }
    PrintJumps(list, json);
    return 0;
  }
  const int r = ReadTitleList(folder.c_str(), t.IoBuffer, kIoBufferBytes, t.Titles);
  if (r == 1) {
    std::fprintf(stderr, "Error: %sVIDEO_TS.IFO is not found.\n", folder.c_str());
    return 1;
  }
  if (r == 2) {
    std::fprintf(stderr, "Error: VIDEO_TS.IFO is invalid (title table).\n");
    return 1;
  }
  if (json) PrintJson(t.Titles);
  else PrintText(t.Titles);
  return 0;
}

}  // namespace vm

#include "author/jump_rewrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/files.h"
#include "common/path.h"
#include "dvd/jump_walk.h"
#include "dvd/nav_pack.h"
#include "dvd/pci_buttons.h"

namespace vm {

namespace {

constexpr int kScanPacks = 256;  // packs read at a time from the menu VOB

std::string g_lastReport;

// The edited set's menu VOB in the output folder: every navigation pack's
// buttons remapped, each changed pack written back where it was.
bool RewriteMenuVob(const WholeDiscEdit& edit, const MenuCellIndex& cells, JumpReport& report) {
  char name[16];
  std::snprintf(name, sizeof name, "VTS_%02d_0.VOB", edit.vts);
  Path path;
  if (!FindFileNoCase(edit.outputFolder, name, path)) return true;  // a set without menus
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  std::vector<uint8_t> buf(static_cast<size_t>(kScanPacks) * dvd::kPackBytes);
  bool ok = true;
  for (int64_t sector = 0; ok; sector += kScanPacks) {
    const int64_t got = PreadFully(fd, buf.data(), buf.size(), sector * dvd::kPackBytes);
    if (got < 0) {
      ok = false;
      break;
    }
    const int64_t packs = got / dvd::kPackBytes;
    for (int64_t i = 0; i < packs && ok; ++i) {
      uint8_t* pack = buf.data() + i * dvd::kPackBytes;
      if (!dvd::IsNavPack(pack)) continue;
      const JumpSite site = MenuPackSite(pack, cells, edit.vts, static_cast<uint32_t>(sector + i));
      if (RewriteNavPackButtons(pack, dvd::kPackBytes, site, *edit.renumber, report))
        ok = PwriteFully(fd, pack, dvd::kPackBytes, (sector + i) * dvd::kPackBytes);
    }
    if (got < static_cast<int64_t>(buf.size())) break;
  }
  if (close(fd) != 0) ok = false;
  return ok;
}

bool SameButton(const JumpSite& a, const JumpSite& b) {
  return a.source == JumpSource::Button && b.source == JumpSource::Button &&
         a.domain == b.domain && a.vts == b.vts && a.language == b.language && a.pgc == b.pgc &&
         a.number == b.number && a.buttonGroup == b.buttonGroup;
}

void Note(JumpReport& report, const JumpSite& site, const JumpRemapResult& r) {
  for (NotedJump& n : report.noted) {
    if (SameButton(n.site, site) && n.result.code == r.code && n.result.title == r.title &&
        n.result.oldNumber == r.oldNumber && n.result.newNumber == r.newNumber) {
      ++n.packs;
      return;
    }
  }
  report.noted.push_back({site, r, 1});
}

}  // namespace

bool RewriteJump(uint8_t bytes[kVmCommandBytes], const JumpSite& site,
                 const TitleSetRenumber& map, JumpReport& report) {
  uint8_t before[kVmCommandBytes];
  std::memcpy(before, bytes, kVmCommandBytes);
  const JumpRemapResult r = RemapJump(bytes, site, map);
  if (!JumpReportLine(site, r).empty()) Note(report, site, r);
  const bool changed = std::memcmp(before, bytes, kVmCommandBytes) != 0;
  if (changed) ++report.rewritten;
  return changed;
}

bool RewriteNavPackButtons(uint8_t* pack, size_t size, const JumpSite& site,
                           const TitleSetRenumber& map, JumpReport& report) {
  bool changed = false;
  ForEachPackButton(pack, size, [&](int group, int button, uint8_t* command) {
    JumpSite at = site;
    at.source = JumpSource::Button;
    at.number = button;
    at.buttonGroup = group;
    changed = RewriteJump(command, at, map, report) || changed;
  });
  return changed;
}

std::string JumpReportText(const JumpReport& report) {
  std::string text = "Menu and command jumps: " + std::to_string(report.rewritten) +
                     " rewritten to the new chapter numbers";
  if (report.noted.empty()) return text + ".";
  text += "; " + std::to_string(report.noted.size()) + " to note:";
  for (const NotedJump& n : report.noted) {
    std::string line = JumpReportLine(n.site, n.result);
    if (n.packs > 1) {
      const std::string where = JumpSiteName(n.site);
      line.insert(where.size(), " (and " + std::to_string(n.packs - 1) + " more nav packs)");
    }
    text += "\n" + line;
  }
  return text;
}

int RewriteWholeDiscJumps(WholeDiscEdit& edit, Ui&) {
  g_lastReport.clear();
  if (edit.renumber == nullptr || edit.renumber->vtsNumber == 0) return 0;
  JumpReport report;
  const CommandVisitor rewrite = [&](const JumpSite& site, uint8_t* bytes) {
    RewriteJump(bytes, site, *edit.renumber, report);
  };
  if (edit.vmg != nullptr) ForEachIfoCommand(*edit.vmg, 0, rewrite);
  auto cells = std::make_unique<MenuCellIndex>();
  cells->count = 0;
  if (edit.vtsi != nullptr) {
    ForEachIfoCommand(*edit.vtsi, edit.vts, rewrite);
    IndexMenuCells(*edit.vtsi, *cells);
  }
  if (!RewriteMenuVob(edit, *cells, report)) return 1;
  // Buttons in the titles themselves: a JumpVTS_PTT needs no more than the
  // title set; a link within "its" program chain is left, since a pack
  // does not say which of the chains playing its cell is meant.
  if (edit.vtsi != nullptr) {
    JumpSite titleSite;
    titleSite.domain = JumpDomain::Title;
    titleSite.vts = edit.vts;
    if (!ForEachTitleButtonPack(edit.outputFolder, edit.vts, *edit.vtsi, true,
                                [&](uint8_t* pack, uint32_t sector) {
                                  titleSite.navSector = sector;
                                  return RewriteNavPackButtons(pack, dvd::kPackBytes, titleSite,
                                                               *edit.renumber, report);
                                }))
      return 1;
  }
  if (report.rewritten > 0 || !report.noted.empty()) g_lastReport = JumpReportText(report);
  return 0;
}

const std::string& LastJumpReport() { return g_lastReport; }

}  // namespace vm

#include "dvd/jump_walk.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "common/be.h"
#include "common/files.h"
#include "common/path.h"
#include "dvd/nav_pack.h"
#include "dvd/pci_buttons.h"

namespace vm {
namespace {

void VisitChain(dvd::Pgc& p, JumpSite site, const CommandVisitor& each) {
  struct Part {
    JumpSource source;
    int first, count;
  };
  const Part parts[] = {
      {JumpSource::Pre, 0, p.preCount},
      {JumpSource::Post, p.preCount, p.postCount},
      {JumpSource::Cell, p.preCount + p.postCount, p.cellCommandCount},
  };
  for (const Part& part : parts) {
    site.source = part.source;
    for (int i = 0; i < part.count; ++i) {
      const int at = part.first + i;
      if (at < 0 || at >= dvd::kMaxPgcCommands) return;
      site.number = i + 1;
      each(site, p.commands[at].bytes);
    }
  }
}

// The first title of the set whose chapters name program chain `pgcn`.
int TitleOfPgc(const dvd::VtsPttSrpt& ptt, int pgcn) {
  for (int t = 0; t < ptt.count && t < dvd::kMaxTitleUnits; ++t)
    for (int i = 0; i < ptt.ttu[t].count && i < dvd::kMaxPtts; ++i)
      if (ptt.ttu[t].ptt[i].pgcn == pgcn) return t + 1;
  return 0;
}

// Calls `each(language, pgcNumber, chain)` for every menu chain once.
template <class Fn>
void ForEachMenuChain(const dvd::IfoModel& m, Fn each) {
  if (!m.Has(m.kind == dvd::IfoKind::kVmg ? dvd::IfoTable::kVmgmPgciUt : dvd::IfoTable::kVtsmPgciUt))
    return;
  const dvd::PgciUt& ut = m.menuPgciUt;
  std::vector<bool> unitSeen(dvd::kMaxLanguageUnits, false);
  std::vector<bool> chainSeen(dvd::kMaxPgcs, false);
  for (int l = 0; l < ut.luCount && l < dvd::kMaxLanguageUnits; ++l) {
    const int u = ut.lu[l].unit;
    if (u >= ut.unitCount || u >= dvd::kMaxLanguageUnits || unitSeen[u]) continue;
    unitSeen[u] = true;
    const dvd::Pgcit& t = ut.unit[u];
    for (int j = 0; j < t.srpCount && j < dvd::kMaxPgcSrps; ++j) {
      const int c = t.srp[j].pgc;
      if (c >= m.pgcs.count || c >= dvd::kMaxPgcs || chainSeen[c]) continue;
      chainSeen[c] = true;
      each(l + 1, j + 1, c);
    }
  }
}

}  // namespace

void ForEachIfoCommand(dvd::IfoModel& m, int vts, const CommandVisitor& each) {
  JumpSite site;
  site.vts = vts;
  if (m.kind == dvd::IfoKind::kVmg && m.firstPlay >= 0 && m.firstPlay < m.pgcs.count) {
    site.domain = JumpDomain::FirstPlay;
    VisitChain(m.pgcs.pgc[m.firstPlay], site, each);
  }
  site.domain = m.kind == dvd::IfoKind::kVmg ? JumpDomain::VmgMenu : JumpDomain::VtsMenu;
  ForEachMenuChain(m, [&](int language, int pgc, int chain) {
    JumpSite at = site;
    at.language = language;
    at.pgc = pgc;
    VisitChain(m.pgcs.pgc[chain], at, each);
  });
  if (m.kind != dvd::IfoKind::kVts || !m.Has(dvd::IfoTable::kVtsPgcit)) return;
  std::vector<bool> chainSeen(dvd::kMaxPgcs, false);
  for (int j = 0; j < m.pgcit.srpCount && j < dvd::kMaxPgcSrps; ++j) {
    const int c = m.pgcit.srp[j].pgc;
    if (c >= m.pgcs.count || c >= dvd::kMaxPgcs || chainSeen[c]) continue;
    chainSeen[c] = true;
    JumpSite at = site;
    at.domain = JumpDomain::Title;
    at.pgc = j + 1;
    at.vtsTitle = m.Has(dvd::IfoTable::kVtsPttSrpt) ? TitleOfPgc(m.pttSrpt, j + 1) : 0;
    VisitChain(m.pgcs.pgc[c], at, each);
  }
}

void IndexMenuCells(const dvd::IfoModel& m, MenuCellIndex& index) {
  index.count = 0;
  ForEachMenuChain(m, [&](int language, int pgc, int chain) {
    const dvd::Pgc& p = m.pgcs.pgc[chain];
    for (int c = 0; c < p.cellCount && c < dvd::kMaxPgcCells; ++c) {
      if (index.count >= kMaxMenuCells) return;
      index.cell[index.count++] = {p.positions[c].vobId, p.positions[c].cellId,
                                   static_cast<uint8_t>(language), static_cast<uint16_t>(pgc)};
    }
  });
}

JumpSite MenuPackSite(const uint8_t* pack, const MenuCellIndex& index, int vts, uint32_t sector) {
  JumpSite site;
  site.domain = vts == 0 ? JumpDomain::VmgMenu : JumpDomain::VtsMenu;
  site.vts = vts;
  site.source = JumpSource::Button;
  site.navSector = sector;
  const uint16_t vobId = ReadBe16(pack + dvd::kNavVobIdn);
  const uint8_t cellId = pack[dvd::kNavCellIdn];
  for (int i = 0; i < index.count && i < kMaxMenuCells; ++i) {
    if (index.cell[i].vobId == vobId && index.cell[i].cellId == cellId) {
      site.language = index.cell[i].language;
      site.pgc = index.cell[i].pgc;
      break;
    }
  }
  return site;
}

void ForEachMenuPackButton(uint8_t* pack, const JumpSite& packSite, const CommandVisitor& each) {
  ForEachPackButton(pack, dvd::kPackBytes, [&](int group, int button, uint8_t* command) {
    JumpSite at = packSite;
    at.source = JumpSource::Button;
    at.number = button;
    at.buttonGroup = group;
    each(at, command);
  });
}

bool ForEachTitleButtonPack(const char* folder, int vts, const dvd::IfoModel& m, bool writable,
                            const TitlePackVisitor& each) {
  constexpr int kMaxTitleVobs = 9;
  int fd[kMaxTitleVobs];
  int64_t firstSector[kMaxTitleVobs + 1];
  int files = 0;
  firstSector[0] = 0;
  bool ok = true;
  for (int k = 1; k <= kMaxTitleVobs; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", vts, k);
    Path path;
    if (!FindFileNoCase(folder, name, path)) break;
    const int f = open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW);
    const int64_t bytes = FileSizeOf(path.c_str());
    if (f < 0 || bytes < 0) {
      if (f >= 0) close(f);
      ok = false;
      break;
    }
    fd[files] = f;
    firstSector[files + 1] = firstSector[files] + bytes / dvd::kPackBytes;
    ++files;
  }
  const int count = m.Has(dvd::IfoTable::kVtsVobuAdmap) ? m.titleVobuAdmap.count : 0;
  uint8_t pack[dvd::kPackBytes];
  for (int i = 0; ok && i < count && i < dvd::kMaxVobus; ++i) {
    const int64_t sector = m.titleVobuAdmap.sector[i];
    int f = 0;
    while (f < files && sector >= firstSector[f + 1]) ++f;
    if (f == files) continue;
    const int64_t at = (sector - firstSector[f]) * dvd::kPackBytes;
    if (PreadFully(fd[f], pack, sizeof pack, at) != static_cast<int64_t>(sizeof pack)) {
      ok = false;
      break;
    }
    PciHighlight h;
    if (!dvd::IsNavPack(pack) || !ReadPciHighlight(pack, sizeof pack, h) || h.status == 0) continue;
    if (each(pack, static_cast<uint32_t>(sector)) && writable)
      ok = PwriteFully(fd[f], pack, sizeof pack, at);
  }
  for (int k = 0; k < files; ++k)
    if (close(fd[k]) != 0) ok = false;
  return ok;
}

int VolumeTitle(const dvd::TtSrpt& tt, int vts, int vtsTitle) {
  for (int i = 0; i < tt.count && i < dvd::kMaxTitles; ++i)
    if (tt.title[i].vts == vts && tt.title[i].vtsTitle == vtsTitle) return i + 1;
  return 0;
}

bool JumpIntoTitle(const VmCommand& c, const JumpSite& site, const dvd::TtSrpt& tt, int& title,
                   int& chapter) {
  title = 0;
  chapter = 0;
  const bool inSet = site.domain == JumpDomain::VtsMenu || site.domain == JumpDomain::Title;
  switch (c.kind) {
    case VmKind::JumpTT:
      title = c.title;
      return true;
    case VmKind::JumpVtsTT:
      if (!inSet) return false;
      title = VolumeTitle(tt, site.vts, c.title);
      return true;
    case VmKind::JumpVtsPtt:
      if (!inSet) return false;
      title = VolumeTitle(tt, site.vts, c.title);
      chapter = c.chapter;
      return true;
    case VmKind::LinkPttn:
      if (site.domain != JumpDomain::Title || site.vtsTitle == 0) return false;
      title = VolumeTitle(tt, site.vts, site.vtsTitle);
      chapter = c.chapter;
      return true;
    default:
      return false;
  }
}

}  // namespace vm

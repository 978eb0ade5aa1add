#include "title/jump_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "common/files.h"
#include "common/path.h"
#include "dvd/jump_walk.h"
#include "dvd/nav_pack.h"

namespace vm {
namespace {

constexpr int kScanPacks = 256;  // packs read at a time from a menu VOB

// The navigation packs of the menu VOB `name`, if the volume has one.
bool ScanMenuVob(const char* folder, const char* name, int vts, const MenuCellIndex& cells,
                 const CommandVisitor& each, std::string& cause) {
  Path path;
  if (!FindFileNoCase(folder, name, path)) return true;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    cause = std::string(name) + " cannot be opened";
    return false;
  }
  std::vector<uint8_t> buf(static_cast<size_t>(kScanPacks) * dvd::kPackBytes);
  bool ok = true;
  for (int64_t sector = 0;; sector += kScanPacks) {
    const int64_t got = PreadFully(fd, buf.data(), buf.size(), sector * dvd::kPackBytes);
    if (got < 0) {
      cause = std::string(name) + " cannot be read";
      ok = false;
      break;
    }
    const int64_t packs = got / dvd::kPackBytes;
    for (int64_t i = 0; i < packs; ++i) {
      uint8_t* pack = buf.data() + i * dvd::kPackBytes;
      if (!dvd::IsNavPack(pack)) continue;
      const JumpSite site = MenuPackSite(pack, cells, vts, static_cast<uint32_t>(sector + i));
      ForEachMenuPackButton(pack, site, each);
    }
    if (got < static_cast<int64_t>(buf.size())) break;
  }
  close(fd);
  return ok;
}

bool ReadModel(const char* folder, const char* name, dvd::IfoModel& m, std::string& cause) {
  Path path;
  if (!FindFileNoCase(folder, name, path)) {
    cause = std::string(name) + " is not found";
    return false;
  }
  dvd::IfoStatus st;
  if (!dvd::ReadIfoFile(path.c_str(), m, st)) {
    cause = std::string(name) + ": " + st.cause.c_str();
    return false;
  }
  return true;
}

}  // namespace

JumpListStatus ListVolumeJumps(const char* folder, std::vector<JumpListing>& out,
                               std::string& cause) {
  auto m = std::make_unique<dvd::IfoModel>();
  auto cells = std::make_unique<MenuCellIndex>();
  if (!ReadModel(folder, "VIDEO_TS.IFO", *m, cause)) return JumpListStatus::NoVmg;
  if (!m->Has(dvd::IfoTable::kTtSrpt)) {
    cause = "VIDEO_TS.IFO has no title table";
    return JumpListStatus::BadIfo;
  }
  const dvd::TtSrpt titles = m->ttSrpt;
  const int sets = m->vmgi.titleSets;
  const CommandVisitor collect = [&](const JumpSite& site, uint8_t* bytes) {
    const VmCommand c = DecodeVmCommand(bytes);
    int title = 0, chapter = 0;
    if (!JumpIntoTitle(c, site, titles, title, chapter)) return;
    char text[64];
    DescribeVmCommand(c, text, sizeof text);
    if (site.source == JumpSource::Button) {
      for (JumpListing& seen : out) {
        const JumpSite& s = seen.site;
        if (s.source == JumpSource::Button && s.domain == site.domain && s.vts == site.vts &&
            s.language == site.language && s.pgc == site.pgc && s.number == site.number &&
            s.buttonGroup == site.buttonGroup && seen.command == text) {
          ++seen.packs;
          return;
        }
      }
    }
    out.push_back({site, text, title, chapter, 1});
  };
  ForEachIfoCommand(*m, 0, collect);
  IndexMenuCells(*m, *cells);
  if (!ScanMenuVob(folder, "VIDEO_TS.VOB", 0, *cells, collect, cause)) return JumpListStatus::BadVob;
  for (int vts = 1; vts <= sets; ++vts) {
    char ifo[16], vob[16];
    std::snprintf(ifo, sizeof ifo, "VTS_%02d_0.IFO", vts);
    std::snprintf(vob, sizeof vob, "VTS_%02d_0.VOB", vts);
    if (!ReadModel(folder, ifo, *m, cause)) return JumpListStatus::BadIfo;
    ForEachIfoCommand(*m, vts, collect);
    IndexMenuCells(*m, *cells);
    if (!ScanMenuVob(folder, vob, vts, *cells, collect, cause)) return JumpListStatus::BadVob;
    JumpSite titleSite;
    titleSite.domain = JumpDomain::Title;
    titleSite.vts = vts;
    titleSite.source = JumpSource::Button;
    if (!ForEachTitleButtonPack(folder, vts, *m, false, [&](uint8_t* pack, uint32_t sector) {
          titleSite.navSector = sector;
          ForEachMenuPackButton(pack, titleSite, collect);
          return false;
        })) {
      cause = std::string("the title VOBs of ") + ifo + " cannot be read";
      return JumpListStatus::BadVob;
    }
  }
  return JumpListStatus::Done;
}

}  // namespace vm

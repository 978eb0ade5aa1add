// Where a disc image's file system put each title set's files, against the
// sectors the information files give: a player finds a title set by
// VIDEO_TS.IFO's title table (sectors from VIDEO_TS.IFO's own) and its VOBs
// and backup by the title set's head, not by the file system. A folder has no sectors: nothing to check.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

namespace vm::verify {

namespace {

// The first sector of /VIDEO_TS/`name` in the image; 0 when there is none
// (no such file).
uint32_t SectorOf(dvd_reader_t* reader, const std::string& name) {
  uint32_t size = 0;
  return UDFFindFile(reader, ("/VIDEO_TS/" + name).c_str(), &size);
}

}  // namespace

void Checker::CheckPlacement(int n, const dvd::IfoModel& m) {
  const std::string stem = n == 0 ? std::string("VIDEO_TS") : Format("VTS_%02d", n);
  const std::string ifoName = stem + (n == 0 ? ".IFO" : "_0.IFO");
  if (n == 0) {
    titlePlaces_.clear();
    for (int i = 0; i < m.ttSrpt.count; ++i)
      titlePlaces_.push_back({i + 1, m.ttSrpt.title[i].vts, m.ttSrpt.title[i].vtsSector});
  }
  if (!image_) return;
  const uint32_t ifo = SectorOf(reader_.get(), ifoName);
  if (ifo == 0) return;
  // The title table counts title sets' sectors from VIDEO_TS.IFO's.
  const uint32_t vmg = SectorOf(reader_.get(), "VIDEO_TS.IFO");

  // Each file at its distance from the information file.
  struct Expected {
    std::string name;
    uint32_t distance;  // 0: the head does not place it
    const char* field;
  };
  std::vector<Expected> files;
  if (n == 0) {
    files.push_back({"VIDEO_TS.VOB", m.vmgi.menuVobs, "VMGM_VOBS"});
    files.push_back({"VIDEO_TS.BUP", m.vmgi.lastSector - m.vmgi.ifoLastSector, "VMG_LAST_SECTOR"});
  } else {
    files.push_back({stem + "_0.VOB", m.vtsi.menuVobs, "VTSM_VOBS"});
    files.push_back({stem + "_1.VOB", m.vtsi.titleVobs, "VTSTT_VOBS"});
    files.push_back({stem + "_0.BUP", m.vtsi.lastSector - m.vtsi.ifoLastSector, "VTS_LAST_SECTOR"});
    for (const TitlePlace& t : titlePlaces_)
      if (t.vts == n && vmg != 0 && (ifo < vmg || t.sector != ifo - vmg))
        Fault(Format("VIDEO_TS.IFO TT_SRPT title %d", t.title),
              Format("title set %d at sector %u, %s lies at sector %lld", n, t.sector,
                     ifoName.c_str(), static_cast<long long>(ifo) - vmg));
  }
  for (const Expected& e : files) {
    if (e.distance == 0) continue;
    const uint32_t at = SectorOf(reader_.get(), e.name);
    if (at == 0) continue;  // missing files are the backup and scan checks' to name
    if (at < ifo || at - ifo != e.distance)
      Fault(ifoName + " " + e.field,
            Format("%s %u sectors after it, %s lies %lld sectors after it", e.name.c_str(),
                   e.distance, e.name.c_str(),
                   static_cast<long long>(at) - static_cast<long long>(ifo)));
  }
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

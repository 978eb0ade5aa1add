#include "title/title_set_check.h"

#include <cstdio>

#include "dvd/c_adt.h"
#include "dvd/vobu_admap.h"
#include "dvd/vts_pgcit.h"
#include "dvd/vtsi_mat.h"
#include "title/ifo_check.h"

namespace vm {

namespace {

using dvd::kAdmapEntries;
using dvd::kAdmapEntryBytes;
using dvd::kAdmapLastByte;
using dvd::kCadtEntries;
using dvd::kCadtEntryBytes;
using dvd::kCadtLastByte;
using dvd::kCadtLastSector;
using dvd::kCellLastSector;
using dvd::kVtsiAudioCount;
using dvd::kVtsiPgcit;
using dvd::kVtsiSubpCount;
using dvd::kVtsiTitleCadt;
using dvd::kVtsiTitleVobuAdmap;

// The stream counts read as the 16-bit fields they end, so that a count
// past 255 is seen as what it is.
constexpr uint64_t kAudioCountWord = kVtsiAudioCount - 1;
constexpr uint64_t kSubpCountWord = kVtsiSubpCount - 1;

constexpr char kCellTable[] = "cell playback table";
constexpr char kCadtTable[] = "cell address table";
constexpr char kAdmapTable[] = "VOBU address map";

void Need(TitleSetNeeds& n, uint64_t lastSector, const char* table) {
  if (lastSector + 1 > n.sectors) {
    n.sectors = lastSector + 1;
    n.table = table;
  }
}

void CellNeeds(const IfoView& v, TitleSetNeeds& n) {
  uint32_t sector = 0;
  if (!v.U32(kVtsiPgcit, sector) || sector == 0) return;
  // What cannot be reached is left to the reading that needs it.
  (void)dvd::ForEachCellPlayback(v, uint64_t{kSectorBytes} * sector, [&](uint64_t cell) {
    uint32_t last = 0;
    if (v.U32(cell + kCellLastSector, last)) Need(n, last, kCellTable);
  });
}

// The entries of a table whose header gives its last byte: those that lie
// before it and inside the bytes read.
template <typename Each>
void TableEntries(const IfoView& v, uint64_t sectorField, uint64_t lastByteField,
                  uint64_t first, uint64_t entryBytes, Each each) {
  uint32_t sector = 0, lastByte = 0;
  if (!v.U32(sectorField, sector) || sector == 0) return;
  const uint64_t at = uint64_t{kSectorBytes} * sector;
  if (!v.U32(at + lastByteField, lastByte)) return;
  for (uint64_t e = first; e + entryBytes <= uint64_t{lastByte} + 1; e += entryBytes) {
    if (!v.Has(at + e, entryBytes)) return;
    each(at + e);
  }
}

}  // namespace

TitleSetNeeds TitleSetTableNeeds(const IfoView& v) {
  TitleSetNeeds n{TitleSetFault::None, 0, 0, ""};
  uint32_t audio = 0, subpic = 0;
  if (v.U16(kAudioCountWord, audio) && audio > kAudioStreamSlots) {
    n.fault = TitleSetFault::AudioStreams;
    n.count = audio;
    return n;
  }
  if (v.U16(kSubpCountWord, subpic) && subpic > kSubpicStreamSlots) {
    n.fault = TitleSetFault::SubpicStreams;
    n.count = subpic;
    return n;
  }
  CellNeeds(v, n);
  TableEntries(v, kVtsiTitleCadt, kCadtLastByte, kCadtEntries, kCadtEntryBytes,
               [&](uint64_t e) {
                 uint32_t last = 0;
                 if (v.U32(e + kCadtLastSector, last)) Need(n, last, kCadtTable);
               });
  TableEntries(v, kVtsiTitleVobuAdmap, kAdmapLastByte, kAdmapEntries, kAdmapEntryBytes,
               [&](uint64_t e) {
                 uint32_t start = 0;
                 if (v.U32(e, start)) Need(n, start, kAdmapTable);
               });
  return n;
}

int CheckTitleSetFiles(TitleTables& t, Ui& ui, int vts) {
  if (vts < 1 || vts > 99) vts = 1;
  char name[16];
  std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", vts);
  const int64_t got = ReadIfoIntoIoBuffer(t, ui, name);
  if (got < 0) return 1;
  const TitleSetNeeds n = TitleSetTableNeeds(IfoView(t.IoBuffer, static_cast<size_t>(got)));
  MessageText msg;
  if (n.fault == TitleSetFault::AudioStreams) {
    msg.Format("%s%s is invalid (VTS_AST_Ns = %u: a title set has at most %d audio streams).",
               t.InputFolder, name, n.count, kAudioStreamSlots);
    ui.Error(msg.c_str());
    return 1;
  }
  if (n.fault == TitleSetFault::SubpicStreams) {
    msg.Format("%s%s is invalid (VTS_SPST_Ns = %u: a title set has at most %d subpicture streams).",
               t.InputFolder, name, n.count, kSubpicStreamSlots);
    ui.Error(msg.c_str());
    return 1;
  }
  int64_t held = 0;
  for (int k = 0; k < t.VobFileNum && k < kVobFileSlots; ++k) held += t.VobFileSectors[k];
  if (static_cast<uint64_t>(held) >= n.sectors) return 0;
  const int lastFile = t.VobFileNum > 0 ? t.VobFileNum - 1 : 0;
  msg.Format("%s ends the title set's VOB files at sector %lld, but its %s names sector %llu "
             "(a VOB file is missing or cut short).",
             t.VobFileName[lastFile], static_cast<long long>(held), n.table,
             static_cast<unsigned long long>(n.sectors - 1));
  ui.Error(msg.c_str());
  return 1;
}

}  // namespace vm

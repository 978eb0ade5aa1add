#include "dvd/ifo_model.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "common/files.h"

namespace vm::dvd {
namespace {

constexpr char kVmgId[] = "DVDVIDEO-VMG";
constexpr char kVtsId[] = "DVDVIDEO-VTS";

struct TablePointer {
  IfoTable table;
  uint32_t sector;
};

// The head's sector pointers of the kind's tables, in the head's order.
int Pointers(const IfoModel& m, TablePointer* p) {
  if (m.kind == IfoKind::kVmg) {
    const VmgiMat& h = m.vmgi;
    p[0] = {IfoTable::kTtSrpt, h.ttSrpt};
    p[1] = {IfoTable::kVmgmPgciUt, h.menuPgciUt};
    p[2] = {IfoTable::kPtlMait, h.ptlMait};
    p[3] = {IfoTable::kVtsAtrt, h.vtsAtrt};
    p[4] = {IfoTable::kTxtdtMg, h.txtdtMg};
    p[5] = {IfoTable::kVmgmCadt, h.menuCadt};
    p[6] = {IfoTable::kVmgmVobuAdmap, h.menuVobuAdmap};
    return 7;
  }
  const VtsiMat& h = m.vtsi;
  p[0] = {IfoTable::kVtsPttSrpt, h.pttSrpt};
  p[1] = {IfoTable::kVtsPgcit, h.pgcit};
  p[2] = {IfoTable::kVtsmPgciUt, h.menuPgciUt};
  p[3] = {IfoTable::kVtsTmapt, h.tmapt};
  p[4] = {IfoTable::kVtsmCadt, h.menuCadt};
  p[5] = {IfoTable::kVtsmVobuAdmap, h.menuVobuAdmap};
  p[6] = {IfoTable::kVtsCadt, h.titleCadt};
  p[7] = {IfoTable::kVtsVobuAdmap, h.titleVobuAdmap};
  return 8;
}

uint32_t* PointerField(VmgiMat& vmgi, VtsiMat& vtsi, IfoTable t) {
  switch (t) {
    case IfoTable::kTtSrpt: return &vmgi.ttSrpt;
    case IfoTable::kVmgmPgciUt: return &vmgi.menuPgciUt;
    case IfoTable::kPtlMait: return &vmgi.ptlMait;
    case IfoTable::kVtsAtrt: return &vmgi.vtsAtrt;
    case IfoTable::kTxtdtMg: return &vmgi.txtdtMg;
    case IfoTable::kVmgmCadt: return &vmgi.menuCadt;
    case IfoTable::kVmgmVobuAdmap: return &vmgi.menuVobuAdmap;
    case IfoTable::kVtsPttSrpt: return &vtsi.pttSrpt;
    case IfoTable::kVtsPgcit: return &vtsi.pgcit;
    case IfoTable::kVtsmPgciUt: return &vtsi.menuPgciUt;
    case IfoTable::kVtsTmapt: return &vtsi.tmapt;
    case IfoTable::kVtsmCadt: return &vtsi.menuCadt;
    case IfoTable::kVtsmVobuAdmap: return &vtsi.menuVobuAdmap;
    case IfoTable::kVtsCadt: return &vtsi.titleCadt;
    case IfoTable::kVtsVobuAdmap: return &vtsi.titleVobuAdmap;
  }
  return nullptr;
}

bool ReadTable(const IfoView& v, IfoTable t, uint64_t at, uint64_t limit, IfoModel& m,
               uint64_t& end, IfoStatus& st) {
  const char* name = IfoTableName(t);
  switch (t) {
    case IfoTable::kTtSrpt: return ReadTtSrpt(v, at, limit, m.ttSrpt, end, st);
    case IfoTable::kVmgmPgciUt:
    case IfoTable::kVtsmPgciUt:
      return ReadPgciUt(v, at, limit, name, m.pgcs, m.menuPgciUt, end, st);
    case IfoTable::kPtlMait: return ReadPtlMait(v, at, limit, m.ptlMait, end, st);
    case IfoTable::kVtsAtrt: return ReadVtsAtrt(v, at, limit, m.vtsAtrt, end, st);
    case IfoTable::kTxtdtMg: return ReadTxtdtMg(v, at, limit, m.txtdtMg, end, st);
    case IfoTable::kVmgmCadt:
    case IfoTable::kVtsmCadt: return ReadCadt(v, at, limit, name, m.menuCadt, end, st);
    case IfoTable::kVtsCadt: return ReadCadt(v, at, limit, name, m.titleCadt, end, st);
    case IfoTable::kVmgmVobuAdmap:
    case IfoTable::kVtsmVobuAdmap:
      return ReadVobuAdmap(v, at, limit, name, m.menuVobuAdmap, end, st);
    case IfoTable::kVtsVobuAdmap:
      return ReadVobuAdmap(v, at, limit, name, m.titleVobuAdmap, end, st);
    case IfoTable::kVtsPttSrpt: return ReadVtsPttSrpt(v, at, limit, m.pttSrpt, end, st);
    case IfoTable::kVtsPgcit: return ReadPgcit(v, at, limit, name, m.pgcs, m.pgcit, end, st);
    case IfoTable::kVtsTmapt: return ReadVtsTmapt(v, at, limit, m.tmapt, end, st);
  }
  return st.Damaged("unknown table");
}

bool WriteTable(IfoOut& out, IfoTable t, uint64_t at, const IfoModel& m, uint64_t& end,
                IfoStatus& st) {
  const char* name = IfoTableName(t);
  const BytePool& b = m.bytes;
  switch (t) {
    case IfoTable::kTtSrpt: return WriteTtSrpt(out, at, m.ttSrpt, b, end, st);
    case IfoTable::kVmgmPgciUt:
    case IfoTable::kVtsmPgciUt: return WritePgciUt(out, at, m.menuPgciUt, m.pgcs, b, name, end, st);
    case IfoTable::kPtlMait: return WritePtlMait(out, at, m.ptlMait, b, end, st);
    case IfoTable::kVtsAtrt: return WriteVtsAtrt(out, at, m.vtsAtrt, b, end, st);
    case IfoTable::kTxtdtMg: return WriteTxtdtMg(out, at, m.txtdtMg, b, end, st);
    case IfoTable::kVmgmCadt:
    case IfoTable::kVtsmCadt: return WriteCadt(out, at, m.menuCadt, b, name, end, st);
    case IfoTable::kVtsCadt: return WriteCadt(out, at, m.titleCadt, b, name, end, st);
    case IfoTable::kVmgmVobuAdmap:
    case IfoTable::kVtsmVobuAdmap:
      return WriteVobuAdmap(out, at, m.menuVobuAdmap, b, name, end, st);
    case IfoTable::kVtsVobuAdmap: return WriteVobuAdmap(out, at, m.titleVobuAdmap, b, name, end, st);
    case IfoTable::kVtsPttSrpt: return WriteVtsPttSrpt(out, at, m.pttSrpt, b, end, st);
    case IfoTable::kVtsPgcit: return WritePgcit(out, at, m.pgcit, m.pgcs, b, name, end, st);
    case IfoTable::kVtsTmapt: return WriteVtsTmapt(out, at, m.tmapt, b, end, st);
  }
  return st.Damaged("unknown table");
}

bool ParseSource(IfoModel& m, size_t size, IfoStatus& st) {
  IfoView v(m.bytes.bytes, size);
  m.refused = true;
  m.pgcs.count = 0;
  m.tableCount = 0;
  m.firstPlay = -1;
  m.firstPlaySourceEnd = 0;
  m.matEndAfterFirstPlay = -1;
  m.sourceSectors = static_cast<uint32_t>((size + kIfoSectorBytes - 1) / kIfoSectorBytes);
  const uint8_t* id = v.Bytes(0, kIdBytes);
  if (id != nullptr && std::memcmp(id, kVmgId, kIdBytes) == 0) {
    m.kind = IfoKind::kVmg;
    if (!ReadVmgiMat(v, m.vmgi)) return st.Damaged("VMGI_MAT: shorter than its fields");
  } else if (id != nullptr && std::memcmp(id, kVtsId, kIdBytes) == 0) {
    m.kind = IfoKind::kVts;
    if (!ReadVtsiMat(v, m.vtsi)) return st.Damaged("VTSI_MAT: shorter than its fields");
  } else {
    return st.Damaged("not a VMGI or VTSI: no DVDVIDEO identifier");
  }

  // The tables present, sorted by sector.
  TablePointer p[kMaxIfoTables];
  int n = Pointers(m, p);
  TablePointer present[kMaxIfoTables];
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i].sector == 0) continue;
    int j = count++;
    for (; j > 0 && present[j - 1].sector > p[i].sector; --j) present[j] = present[j - 1];
    present[j] = p[i];
  }
  for (int i = 0; i < count; ++i) {
    if (uint64_t{present[i].sector} * kIfoSectorBytes >= size)
      return st.Damaged("%s: sector %u past the end of the file", IfoTableName(present[i].table),
                        present[i].sector);
    if (i > 0 && present[i].sector == present[i - 1].sector)
      return st.Damaged("%s and %s start at the same sector %u",
                        IfoTableName(present[i - 1].table), IfoTableName(present[i].table),
                        present[i].sector);
  }
  uint64_t headEnd = count > 0 ? uint64_t{present[0].sector} * kIfoSectorBytes : size;
  m.head = SourceRange(0, headEnd);

  if (m.kind == IfoKind::kVmg && m.vmgi.firstPlayPgc != 0) {
    uint64_t fp = m.vmgi.firstPlayPgc;
    if (fp < kVmgiFieldsEnd || fp >= headEnd)
      return st.Damaged("VMGI_MAT: first-play PGC at 0x%llx outside its sector",
                        static_cast<unsigned long long>(fp));
    uint64_t end = 0;
    m.firstPlay = m.pgcs.count++;
    if (!ReadPgc(v, fp, headEnd, "VMGI_MAT: first-play PGC", m.pgcs.pgc[m.firstPlay], end, st))
      return false;
    m.firstPlaySourceEnd = static_cast<uint32_t>(end);
    if (uint64_t{m.vmgi.matLastByte} + 1 >= end)
      m.matEndAfterFirstPlay = static_cast<int64_t>(m.vmgi.matLastByte) + 1 - static_cast<int64_t>(end);
  }

  for (int i = 0; i < count; ++i) {
    uint64_t at = uint64_t{present[i].sector} * kIfoSectorBytes;
    uint64_t limit = i + 1 < count ? uint64_t{present[i + 1].sector} * kIfoSectorBytes : size;
    uint64_t end = 0;
    if (!ReadTable(v, present[i].table, at, limit, m, end, st)) return false;
    m.tables[m.tableCount++] = {present[i].table, SourceRange(end, limit)};
  }
  m.refused = false;
  return true;
}

}  // namespace

const char* IfoTableName(IfoTable t) {
  switch (t) {
    case IfoTable::kTtSrpt: return "TT_SRPT";
    case IfoTable::kVmgmPgciUt: return "VMGM_PGCI_UT";
    case IfoTable::kPtlMait: return "PTL_MAIT";
    case IfoTable::kVtsAtrt: return "VTS_ATRT";
    case IfoTable::kTxtdtMg: return "TXTDT_MG";
    case IfoTable::kVmgmCadt: return "VMGM_C_ADT";
    case IfoTable::kVmgmVobuAdmap: return "VMGM_VOBU_ADMAP";
    case IfoTable::kVtsPttSrpt: return "VTS_PTT_SRPT";
    case IfoTable::kVtsPgcit: return "VTS_PGCIT";
    case IfoTable::kVtsmPgciUt: return "VTSM_PGCI_UT";
    case IfoTable::kVtsTmapt: return "VTS_TMAPT";
    case IfoTable::kVtsmCadt: return "VTSM_C_ADT";
    case IfoTable::kVtsmVobuAdmap: return "VTSM_VOBU_ADMAP";
    case IfoTable::kVtsCadt: return "VTS_C_ADT";
    case IfoTable::kVtsVobuAdmap: return "VTS_VOBU_ADMAP";
  }
  return "?";
}

bool ReadIfo(const uint8_t* data, size_t size, IfoModel& m, IfoStatus& st) {
  m.refused = true;
  if (size > kMaxIfoBytes)
    return st.TooLarge("information file of %zu bytes, more than %u", size, kMaxIfoBytes);
  std::memmove(m.bytes.bytes, data, size);
  m.bytes.used = static_cast<uint32_t>(size);
  return ParseSource(m, size, st);
}

bool ReadIfoFile(const char* path, IfoModel& m, IfoStatus& st) {
  m.refused = true;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return st.Damaged("cannot open %s", path);
  // One byte more than the limit tells a file that is too large.
  int64_t n = PreadFully(fd, m.bytes.bytes, kMaxIfoBytes + 1, 0);
  ::close(fd);
  if (n < 0) return st.Damaged("cannot read %s", path);
  if (n > static_cast<int64_t>(kMaxIfoBytes))
    return st.TooLarge("%s: more than %u bytes", path, kMaxIfoBytes);
  m.bytes.used = static_cast<uint32_t>(n);
  return ParseSource(m, static_cast<size_t>(n), st);
}

bool WriteIfo(const IfoModel& m, uint8_t* outBytes, size_t capacity, size_t& size,
              IfoStatus& st) {
  const char* headName = m.kind == IfoKind::kVmg ? "VMGI_MAT" : "VTSI_MAT";
  // A model that holds part of a file is never written back.
  if (m.refused) return st.Damaged("%s: its file was refused when read; not written", headName);
  IfoOut out(outBytes, capacity);
  bool ok = m.head.len > 0 ? PutKept(out, 0, m.bytes, m.head) : out.Zero(0, kIfoSectorBytes);
  if (!ok) return st.NoRoom(headName);
  uint64_t pos = RoundUpToSector(out.size());

  VmgiMat vmgi = m.vmgi;
  VtsiMat vtsi = m.vtsi;
  if (m.kind == IfoKind::kVmg && m.firstPlay >= 0) {
    if (m.firstPlay >= m.pgcs.count) return st.Damaged("VMGI_MAT: no first-play PGC");
    uint64_t end = 0;
    if (vmgi.firstPlayPgc < kVmgiFieldsEnd) return st.Damaged("VMGI_MAT: first-play PGC inside the head");
    if (!WritePgc(out, vmgi.firstPlayPgc, m.pgcs.pgc[m.firstPlay], m.bytes,
                  "VMGI_MAT: first-play PGC", end, st))
      return false;
    if (end < m.firstPlaySourceEnd && !out.Zero(end, m.firstPlaySourceEnd - end))
      return st.NoRoom(headName);
    if (m.matEndAfterFirstPlay >= 0)
      vmgi.matLastByte = static_cast<uint32_t>(end + m.matEndAfterFirstPlay - 1);
    if (RoundUpToSector(end) > pos) pos = RoundUpToSector(end);
  }

  TablePointer p[kMaxIfoTables];
  int n = Pointers(m, p);
  for (int i = 0; i < n; ++i) *PointerField(vmgi, vtsi, p[i].table) = 0;
  for (int i = 0; i < m.tableCount; ++i) {
    const TableSlot& slot = m.tables[i];
    uint32_t* field = PointerField(vmgi, vtsi, slot.table);
    bool ofKind = (slot.table <= IfoTable::kVmgmVobuAdmap) == (m.kind == IfoKind::kVmg);
    if (field == nullptr || !ofKind || *field != 0)
      return st.Damaged("%s: not a table of this file, or listed twice", IfoTableName(slot.table));
    *field = static_cast<uint32_t>(pos / kIfoSectorBytes);
    uint64_t end = 0;
    if (!WriteTable(out, slot.table, pos, m, end, st)) return false;
    if (!PutKept(out, end, m.bytes, slot.after)) return st.NoRoom(IfoTableName(slot.table));
    pos = RoundUpToSector(end + slot.after.len);
  }
  if (pos > out.size() && !out.Zero(out.size(), pos - out.size())) return st.NoRoom(headName);
  if (pos / kIfoSectorBytes > 0xFFFFFFFFu) return st.TooLarge("information file too large");

  uint32_t sectors = static_cast<uint32_t>(pos / kIfoSectorBytes);
  int64_t delta = m.sourceSectors != 0 ? int64_t{sectors} - int64_t{m.sourceSectors} : 0;
  auto moved = [delta](uint32_t sector, int64_t times) {
    return sector == 0 ? 0u : static_cast<uint32_t>(int64_t{sector} + times * delta);
  };
  // A model that was read keeps its own view of its last sector, moved by
  // the change; a fresh one gets the file's.
  uint32_t ifoLast = sectors - 1;
  if (m.kind == IfoKind::kVmg) {
    vmgi.ifoLastSector = m.sourceSectors != 0 ? moved(vmgi.ifoLastSector, 1) : ifoLast;
    vmgi.menuVobs = moved(vmgi.menuVobs, 1);
    vmgi.lastSector = moved(vmgi.lastSector, 2);
    ok = WriteVmgiMat(out, vmgi);
  } else {
    vtsi.ifoLastSector = m.sourceSectors != 0 ? moved(vtsi.ifoLastSector, 1) : ifoLast;
    vtsi.menuVobs = moved(vtsi.menuVobs, 1);
    vtsi.titleVobs = moved(vtsi.titleVobs, 1);
    vtsi.lastSector = moved(vtsi.lastSector, 2);
    ok = WriteVtsiMat(out, vtsi);
  }
  if (!ok) return st.NoRoom(headName);
  size = pos;
  return true;
}

}  // namespace vm::dvd

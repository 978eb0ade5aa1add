#include "dvd/c_adt.h"

namespace vm::dvd {

bool ReadCadt(const IfoView& v, uint64_t at, uint64_t limit, const char* name, Cadt& t,
              uint64_t& end, IfoStatus& st) {
  t.count = 0;
  t.inner = {};
  uint32_t vobs, reserved, last;
  if (!v.U16(at + kCadtVobCount, vobs) || !v.U16(at + kCadtReserved, reserved) ||
      !v.U32(at + kCadtLastByte, last))
    return st.Damaged("%s: header past the end of the file", name);
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at) || end < at + kCadtEntries)
    return st.Damaged("%s: end past the file", name);
  uint64_t count = (end - at - kCadtEntries) / kCadtEntryBytes;
  if (count > static_cast<uint64_t>(kMaxCadtEntries))
    return st.TooLarge("%s: %llu cell pieces, more than %d", name,
                       static_cast<unsigned long long>(count), kMaxCadtEntries);
  t.vobCount = static_cast<uint16_t>(vobs);
  t.reserved = static_cast<uint16_t>(reserved);
  t.count = static_cast<int>(count);
  const uint8_t* b = v.Bytes(at + kCadtEntries, count * kCadtEntryBytes);
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* e = b + i * kCadtEntryBytes;
    t.entry[i] = {ReadBe16(e + kCadtVobId), e[kCadtCellId], e[kCadtEntryReserved],
                  ReadBe32(e + kCadtStartSector), ReadBe32(e + kCadtLastSector)};
  }
  t.inner = SourceRange(at + kCadtEntries + count * kCadtEntryBytes, end);
  return true;
}

bool WriteCadt(IfoOut& out, uint64_t at, const Cadt& t, const BytePool& bytes, const char* name,
               uint64_t& end, IfoStatus& st) {
  if (t.count < 0 || t.count > kMaxCadtEntries)
    return st.TooLarge("%s: %d cell pieces, more than %d", name, t.count, kMaxCadtEntries);
  uint64_t pos = at + kCadtEntries;
  bool ok = true;
  for (int i = 0; ok && i < t.count; ++i, pos += kCadtEntryBytes) {
    const CadtEntry& e = t.entry[i];
    ok = out.U16(pos + kCadtVobId, e.vobId) && out.U8(pos + kCadtCellId, e.cellId) &&
         out.U8(pos + kCadtEntryReserved, e.reserved) &&
         out.U32(pos + kCadtStartSector, e.startSector) &&
         out.U32(pos + kCadtLastSector, e.lastSector);
  }
  ok = ok && PutKept(out, pos, bytes, t.inner);
  pos += t.inner.len;
  ok = ok && out.U16(at + kCadtVobCount, t.vobCount) && out.U16(at + kCadtReserved, t.reserved) &&
       out.U32(at + kCadtLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom(name);
  end = pos;
  return true;
}

}  // namespace vm::dvd

#include "dvd/pgci_ut.h"

#include <cstring>

namespace vm::dvd {

bool ReadPgciUt(const IfoView& v, uint64_t at, uint64_t limit, const char* name, PgcPool& pool,
                PgciUt& t, uint64_t& end, IfoStatus& st) {
  t.reserved = 0;
  t.luCount = 0;
  t.unitCount = 0;
  t.headGap = {};
  uint32_t count, reserved, last;
  if (!v.U16(at + kUtLuCount, count) || !v.U16(at + kUtReserved, reserved) ||
      !v.U32(at + kUtLastByte, last))
    return st.Damaged("%s: header past the end of the file", name);
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("%s: end past the file", name);
  if (count > static_cast<uint32_t>(kMaxLanguageUnits))
    return st.TooLarge("%s: %u language units, more than %d", name, count, kMaxLanguageUnits);
  uint64_t head = at + kUtLuSrps + uint64_t{kLuSrpBytes} * count;
  if (head > end) return st.Damaged("%s: search pointers past its end", name);
  t.reserved = static_cast<uint16_t>(reserved);
  t.luCount = static_cast<int>(count);

  uint32_t offsetOf[kMaxLanguageUnits];
  uint32_t srpOffset[kMaxLanguageUnits];
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* s = v.Bytes(at + kUtLuSrps + uint64_t{kLuSrpBytes} * i, kLuSrpBytes);
    uint32_t offset = ReadBe32(s + kLuSrpOffset);
    if (at + offset < head || at + offset >= end)
      return st.Damaged("%s: LU %u outside the table", name, i + 1);
    t.lu[i] = {ReadBe16(s + kLuSrpLanguage), s[kLuSrpExtension], s[kLuSrpMenus], 0};
    srpOffset[i] = offset;
    int k = 0;
    while (k < t.unitCount && offsetOf[k] != offset) ++k;
    if (k == t.unitCount) {
      offsetOf[t.unitCount++] = offset;
      for (int j = k; j > 0 && offsetOf[j] < offsetOf[j - 1]; --j) {
        uint32_t o = offsetOf[j];
        offsetOf[j] = offsetOf[j - 1];
        offsetOf[j - 1] = o;
      }
    }
  }
  for (uint32_t i = 0; i < count; ++i)
    for (int k = 0; k < t.unitCount; ++k)
      if (offsetOf[k] == srpOffset[i]) t.lu[i].unit = static_cast<uint8_t>(k);

  uint64_t pos = head;
  for (int k = 0; k < t.unitCount; ++k) {
    uint64_t start = at + offsetOf[k];
    uint32_t first = 0;
    while (first < count && t.lu[first].unit != k) ++first;
    FixedString<64> where;
    (void)where.Format("%s: LU %u", name, first + 1);
    if (start < pos) return st.Damaged("%s overlaps the one before it", where.c_str());
    if (k == 0) t.headGap = SourceRange(pos, start);
    else t.unit[k - 1].after = SourceRange(pos, start);
    uint64_t unitEnd = 0;
    if (!ReadPgcit(v, start, end, where.c_str(), pool, t.unit[k], unitEnd, st)) return false;
    pos = unitEnd;
  }
  if (t.unitCount == 0) t.headGap = SourceRange(pos, end);
  else t.unit[t.unitCount - 1].after = SourceRange(pos, end);
  return true;
}

bool WritePgciUt(IfoOut& out, uint64_t at, const PgciUt& t, const PgcPool& pgcs,
                 const BytePool& bytes, const char* name, uint64_t& end, IfoStatus& st) {
  if (t.luCount < 0 || t.luCount > kMaxLanguageUnits || t.unitCount < 0 ||
      t.unitCount > kMaxLanguageUnits)
    return st.TooLarge("%s: more than %d language units", name, kMaxLanguageUnits);
  uint32_t placed[kMaxLanguageUnits] = {};
  uint64_t pos = at + kUtLuSrps + uint64_t{kLuSrpBytes} * t.luCount;
  if (!PutKept(out, pos, bytes, t.headGap)) return st.NoRoom(name);
  pos += t.headGap.len;
  for (int k = 0; k < t.unitCount; ++k) {
    uint32_t first = 0;
    while (first < static_cast<uint32_t>(t.luCount) && t.lu[first].unit != k) ++first;
    FixedString<64> where;
    (void)where.Format("%s: LU %u", name, first + 1);
    placed[k] = static_cast<uint32_t>(pos - at);
    uint64_t unitEnd = 0;
    if (!WritePgcit(out, pos, t.unit[k], pgcs, bytes, where.c_str(), unitEnd, st)) return false;
    if (!PutKept(out, unitEnd, bytes, t.unit[k].after)) return st.NoRoom(name);
    pos = unitEnd + t.unit[k].after.len;
  }
  bool ok = out.U16(at + kUtLuCount, static_cast<uint32_t>(t.luCount)) &&
            out.U16(at + kUtReserved, t.reserved) &&
            out.U32(at + kUtLastByte, static_cast<uint32_t>(pos - at - 1));
  for (int i = 0; ok && i < t.luCount; ++i) {
    if (t.lu[i].unit >= t.unitCount) return st.Damaged("%s: LU %d has no unit", name, i + 1);
    uint64_t s = at + kUtLuSrps + uint64_t{kLuSrpBytes} * i;
    ok = out.U16(s + kLuSrpLanguage, t.lu[i].language) &&
         out.U8(s + kLuSrpExtension, t.lu[i].extension) && out.U8(s + kLuSrpMenus, t.lu[i].menus) &&
         out.U32(s + kLuSrpOffset, placed[t.lu[i].unit]);
  }
  if (!ok) return st.NoRoom(name);
  end = pos;
  return true;
}

}  // namespace vm::dvd

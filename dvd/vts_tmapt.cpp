#include "dvd/vts_tmapt.h"

namespace vm::dvd {

bool ReadVtsTmapt(const IfoView& v, uint64_t at, uint64_t limit, VtsTmapt& t, uint64_t& end,
                  IfoStatus& st) {
  t.count = 0;
  t.entryCount = 0;
  t.headGap = {};
  uint32_t count, reserved, last;
  if (!v.U16(at + kTmaptCount, count) || !v.U16(at + kTmaptReserved, reserved) ||
      !v.U32(at + kTmaptLastByte, last))
    return st.Damaged("VTS_TMAPT: header past the end of the file");
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("VTS_TMAPT: end past the file");
  if (count > static_cast<uint32_t>(kMaxTmaps))
    return st.TooLarge("VTS_TMAPT: %u maps, more than %d", count, kMaxTmaps);
  uint64_t head = at + kTmaptOffsets + 4ull * count;
  if (head > end) return st.Damaged("VTS_TMAPT: offsets past its end");
  t.reserved = static_cast<uint16_t>(reserved);
  t.count = static_cast<int>(count);
  uint64_t pos = head;
  int laid = -1;  // the last map laid out so far
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = 0;
    (void)v.U32(at + kTmaptOffsets + 4ull * i, offset);
    uint64_t start = at + offset;
    uint32_t same = 0;
    for (uint32_t k = 0; k < i && same == 0; ++k) {
      uint32_t earlier = 0;
      (void)v.U32(at + kTmaptOffsets + 4ull * k, earlier);
      if (earlier == offset) same = t.map[k].sharedWith != 0 ? t.map[k].sharedWith : k + 1;
    }
    if (same != 0) {
      t.map[i] = t.map[same - 1];
      t.map[i].after = {};
      t.map[i].sharedWith = static_cast<uint16_t>(same);
      continue;
    }
    if (start < pos || start > end)
      return st.Damaged("VTS_TMAPT: map %u outside the table or out of order", i + 1);
    if (laid < 0) t.headGap = SourceRange(pos, start);
    else t.map[laid].after = SourceRange(pos, start);
    laid = static_cast<int>(i);
    uint32_t unit, res, n;
    if (start + kTmapEntries > end || !v.U8(start + kTmapUnit, unit) ||
        !v.U8(start + kTmapReserved, res) || !v.U16(start + kTmapCount, n))
      return st.Damaged("VTS_TMAPT: map %u past its end", i + 1);
    uint64_t stop = start + kTmapEntries + uint64_t{kTmapEntryBytes} * n;
    if (stop > end) return st.Damaged("VTS_TMAPT: map %u past its end", i + 1);
    if (n > static_cast<uint32_t>(kMaxTmapEntries - t.entryCount))
      return st.TooLarge("VTS_TMAPT: more than %d entries", kMaxTmapEntries);
    Tmap& m = t.map[i];
    m = {static_cast<uint8_t>(unit), static_cast<uint8_t>(res), t.entryCount,
         static_cast<int>(n), {}, 0};
    const uint8_t* b = v.Bytes(start + kTmapEntries, uint64_t{kTmapEntryBytes} * n);
    for (uint32_t k = 0; k < n; ++k) t.entry[t.entryCount++] = ReadBe32(b + k * kTmapEntryBytes);
    pos = stop;
  }
  if (laid < 0) t.headGap = SourceRange(pos, end);
  else t.map[laid].after = SourceRange(pos, end);
  return true;
}

bool WriteVtsTmapt(IfoOut& out, uint64_t at, const VtsTmapt& t, const BytePool& bytes,
                   uint64_t& end, IfoStatus& st) {
  if (t.count < 0 || t.count > kMaxTmaps)
    return st.TooLarge("VTS_TMAPT: %d maps, more than %d", t.count, kMaxTmaps);
  uint64_t pos = at + kTmaptOffsets + 4ull * t.count;
  bool ok = PutKept(out, pos, bytes, t.headGap);
  pos += t.headGap.len;
  uint32_t placed[kMaxTmaps];
  for (int i = 0; ok && i < t.count; ++i) {
    const Tmap& m = t.map[i];
    if (m.sharedWith != 0) {
      if (m.sharedWith > i || t.map[m.sharedWith - 1].sharedWith != 0)
        return st.Damaged("VTS_TMAPT: map %d shares a map that is not an earlier one", i + 1);
      placed[i] = placed[m.sharedWith - 1];
      ok = out.U32(at + kTmaptOffsets + 4ull * i, placed[i]);
      continue;
    }
    placed[i] = static_cast<uint32_t>(pos - at);
    if (m.first < 0 || m.count < 0 || m.count > 0xFFFF || m.first > t.entryCount ||
        m.count > t.entryCount - m.first)
      return st.Damaged("VTS_TMAPT: map %d entries outside the table", i + 1);
    ok = out.U32(at + kTmaptOffsets + 4ull * i, static_cast<uint32_t>(pos - at)) &&
         out.U8(pos + kTmapUnit, m.unit) && out.U8(pos + kTmapReserved, m.reserved) &&
         out.U16(pos + kTmapCount, static_cast<uint32_t>(m.count));
    pos += kTmapEntries;
    for (int k = 0; ok && k < m.count; ++k, pos += kTmapEntryBytes)
      ok = out.U32(pos, t.entry[m.first + k]);
    ok = ok && PutKept(out, pos, bytes, m.after);
    pos += m.after.len;
  }
  ok = ok && out.U16(at + kTmaptCount, static_cast<uint32_t>(t.count)) &&
       out.U16(at + kTmaptReserved, t.reserved) &&
       out.U32(at + kTmaptLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom("VTS_TMAPT");
  end = pos;
  return true;
}

}  // namespace vm::dvd

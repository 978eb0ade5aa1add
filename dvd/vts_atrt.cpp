#include "dvd/vts_atrt.h"

#include <cstring>

namespace vm::dvd {

bool ReadVtsAtrt(const IfoView& v, uint64_t at, uint64_t limit, VtsAtrt& t, uint64_t& end,
                 IfoStatus& st) {
  t.count = 0;
  t.headGap = {};
  uint32_t count, reserved, last;
  if (!v.U16(at + kAtrtCount, count) || !v.U16(at + kAtrtReserved, reserved) ||
      !v.U32(at + kAtrtLastByte, last))
    return st.Damaged("VTS_ATRT: header past the end of the file");
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("VTS_ATRT: end past the file");
  if (count > static_cast<uint32_t>(kMaxTitleSets))
    return st.TooLarge("VTS_ATRT: %u title sets, more than %d", count, kMaxTitleSets);
  uint64_t head = at + kAtrtOffsets + 4ull * count;
  if (head > end) return st.Damaged("VTS_ATRT: offsets past its end");
  t.reserved = static_cast<uint16_t>(reserved);
  t.count = static_cast<int>(count);
  uint64_t pos = head;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = 0, recordLast = 0, category = 0;
    (void)v.U32(at + kAtrtOffsets + 4ull * i, offset);
    uint64_t start = at + offset;
    if (start < pos || start + kAtrAttributes > end || !v.U32(start + kAtrLastByte, recordLast) ||
        !v.U32(start + kAtrCategory, category))
      return st.Damaged("VTS_ATRT: title set %u outside the table or out of order", i + 1);
    uint64_t stop = start + uint64_t{recordLast} + 1;
    if (stop < start + kAtrAttributes || stop > end)
      return st.Damaged("VTS_ATRT: title set %u past its end", i + 1);
    if (i == 0) t.headGap = SourceRange(pos, start);
    else t.vts[i - 1].after = SourceRange(pos, start);
    VtsAttributes& a = t.vts[i];
    a.category = category;
    uint64_t n = stop - start - kAtrAttributes;
    if (n > kAtrAttributeBytes) n = kAtrAttributeBytes;
    a.attributeCount = static_cast<int>(n);
    std::memset(a.attributes, 0, sizeof a.attributes);
    std::memcpy(a.attributes, v.Bytes(start + kAtrAttributes, n), n);
    a.tail = SourceRange(start + kAtrAttributes + n, stop);
    a.after = {};
    pos = stop;
  }
  if (count == 0) t.headGap = SourceRange(pos, end);
  else t.vts[count - 1].after = SourceRange(pos, end);
  return true;
}

bool WriteVtsAtrt(IfoOut& out, uint64_t at, const VtsAtrt& t, const BytePool& bytes,
                  uint64_t& end, IfoStatus& st) {
  if (t.count < 0 || t.count > kMaxTitleSets)
    return st.TooLarge("VTS_ATRT: %d title sets, more than %d", t.count, kMaxTitleSets);
  uint64_t pos = at + kAtrtOffsets + 4ull * t.count;
  bool ok = PutKept(out, pos, bytes, t.headGap);
  pos += t.headGap.len;
  for (int i = 0; ok && i < t.count; ++i) {
    const VtsAttributes& a = t.vts[i];
    if (a.attributeCount < 0 || a.attributeCount > static_cast<int>(kAtrAttributeBytes))
      return st.TooLarge("VTS_ATRT: title set %d attributes too long", i + 1);
    uint64_t size = kAtrAttributes + a.attributeCount + a.tail.len;
    ok = out.U32(at + kAtrtOffsets + 4ull * i, static_cast<uint32_t>(pos - at)) &&
         out.U32(pos + kAtrLastByte, static_cast<uint32_t>(size - 1)) &&
         out.U32(pos + kAtrCategory, a.category) &&
         out.Bytes(pos + kAtrAttributes, a.attributes, a.attributeCount) &&
         PutKept(out, pos + kAtrAttributes + a.attributeCount, bytes, a.tail) &&
         PutKept(out, pos + size, bytes, a.after);
    pos += size + a.after.len;
  }
  ok = ok && out.U16(at + kAtrtCount, static_cast<uint32_t>(t.count)) &&
       out.U16(at + kAtrtReserved, t.reserved) &&
       out.U32(at + kAtrtLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom("VTS_ATRT");
  end = pos;
  return true;
}

}  // namespace vm::dvd

#include "dvd/vts_ptt_srpt.h"

namespace vm::dvd {

bool ReadVtsPttSrpt(const IfoView& v, uint64_t at, uint64_t limit, VtsPttSrpt& t, uint64_t& end,
                    IfoStatus& st) {
  t.count = 0;
  t.headGap = {};
  uint32_t count, reserved, last;
  if (!v.U16(at + kPttSrptCount, count) || !v.U16(at + kPttSrptReserved, reserved) ||
      !v.U32(at + kPttSrptLastByte, last))
    return st.Damaged("VTS_PTT_SRPT: header past the end of the file");
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("VTS_PTT_SRPT: end past the file");
  if (count > static_cast<uint32_t>(kMaxTitleUnits))
    return st.TooLarge("VTS_PTT_SRPT: %u titles, more than %d", count, kMaxTitleUnits);
  uint64_t head = at + kPttSrptOffsets + 4ull * count;
  if (head > end) return st.Damaged("VTS_PTT_SRPT: offsets past its end");
  t.reserved = static_cast<uint16_t>(reserved);
  t.count = static_cast<int>(count);
  uint64_t pos = head;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = 0, next = 0;
    (void)v.U32(at + kPttSrptOffsets + 4ull * i, offset);
    uint64_t start = at + offset;
    uint64_t stop = end;
    if (i + 1 < count) {
      (void)v.U32(at + kPttSrptOffsets + 4ull * (i + 1), next);
      stop = at + next;
    }
    if (start < pos || stop < start || stop > end)
      return st.Damaged("VTS_PTT_SRPT: title %u outside the table or out of order", i + 1);
    if (i == 0) t.headGap = SourceRange(pos, start);
    uint64_t n = (stop - start) / kPttBytes;
    if (n > static_cast<uint64_t>(kMaxPtts))
      return st.TooLarge("VTS_PTT_SRPT: title %u has more than %d chapters", i + 1, kMaxPtts);
    Ttu& u = t.ttu[i];
    u.count = static_cast<int>(n);
    const uint8_t* b = v.Bytes(start, n * kPttBytes);
    for (uint64_t k = 0; k < n; ++k)
      u.ptt[k] = {ReadBe16(b + k * kPttBytes + kPttPgcn), ReadBe16(b + k * kPttBytes + kPttPgn)};
    u.tail = SourceRange(start + n * kPttBytes, stop);
    pos = stop;
  }
  if (count == 0) t.headGap = SourceRange(pos, end);
  return true;
}

bool WriteVtsPttSrpt(IfoOut& out, uint64_t at, const VtsPttSrpt& t, const BytePool& bytes,
                     uint64_t& end, IfoStatus& st) {
  if (t.count < 0 || t.count > kMaxTitleUnits)
    return st.TooLarge("VTS_PTT_SRPT: %d titles, more than %d", t.count, kMaxTitleUnits);
  uint64_t pos = at + kPttSrptOffsets + 4ull * t.count;
  bool ok = PutKept(out, pos, bytes, t.headGap);
  pos += t.headGap.len;
  for (int i = 0; ok && i < t.count; ++i) {
    const Ttu& u = t.ttu[i];
    if (u.count < 0 || u.count > kMaxPtts)
      return st.TooLarge("VTS_PTT_SRPT: title %d has more than %d chapters", i + 1, kMaxPtts);
    ok = out.U32(at + kPttSrptOffsets + 4ull * i, static_cast<uint32_t>(pos - at));
    for (int k = 0; ok && k < u.count; ++k, pos += kPttBytes)
      ok = out.U16(pos + kPttPgcn, u.ptt[k].pgcn) && out.U16(pos + kPttPgn, u.ptt[k].pgn);
    ok = ok && PutKept(out, pos, bytes, u.tail);
    pos += u.tail.len;
  }
  ok = ok && out.U16(at + kPttSrptCount, static_cast<uint32_t>(t.count)) &&
       out.U16(at + kPttSrptReserved, t.reserved) &&
       out.U32(at + kPttSrptLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom("VTS_PTT_SRPT");
  end = pos;
  return true;
}

}  // namespace vm::dvd

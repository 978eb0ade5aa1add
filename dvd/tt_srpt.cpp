#include "dvd/tt_srpt.h"

namespace vm::dvd {

bool ReadTtSrpt(const IfoView& v, uint64_t at, uint64_t limit, TtSrpt& t, uint64_t& end,
                IfoStatus& st) {
  t = {};
  uint32_t count, reserved, last;
  if (!v.U16(at + kTtSrptCount, count) || !v.U16(at + kTtSrptReserved, reserved) ||
      !v.U32(at + kTtSrptLastByte, last))
    return st.Damaged("TT_SRPT: header past the end of the file");
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("TT_SRPT: end past the file");
  if (count > static_cast<uint32_t>(kMaxTitles))
    return st.TooLarge("TT_SRPT: %u titles, more than %d", count, kMaxTitles);
  uint64_t used = at + kTtSrptEntries + uint64_t{kTtEntryBytes} * count;
  if (used > end) return st.Damaged("TT_SRPT: title %u past its end", count);
  t.reserved = static_cast<uint16_t>(reserved);
  t.count = static_cast<int>(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = v.Bytes(at + kTtSrptEntries + uint64_t{kTtEntryBytes} * i, kTtEntryBytes);
    t.title[i] = {e[kTtPlaybackType], e[kTtAngles],  ReadBe16(e + kTtChapters),
                  ReadBe16(e + kTtParentalMask),   e[kTtVtsNumber], e[kTtVtsTitle],
                  ReadBe32(e + kTtVtsSector)};
  }
  t.inner = SourceRange(used, end);
  return true;
}

bool WriteTtSrpt(IfoOut& out, uint64_t at, const TtSrpt& t, const BytePool& bytes, uint64_t& end,
                 IfoStatus& st) {
  if (t.count < 0 || t.count > kMaxTitles)
    return st.TooLarge("TT_SRPT: %d titles, more than %d", t.count, kMaxTitles);
  uint64_t pos = at + kTtSrptEntries;
  bool ok = true;
  for (int i = 0; ok && i < t.count; ++i, pos += kTtEntryBytes) {
    const TtEntry& e = t.title[i];
    ok = out.U8(pos + kTtPlaybackType, e.playbackType) && out.U8(pos + kTtAngles, e.angles) &&
         out.U16(pos + kTtChapters, e.chapters) && out.U16(pos + kTtParentalMask, e.parentalMask) &&
         out.U8(pos + kTtVtsNumber, e.vts) && out.U8(pos + kTtVtsTitle, e.vtsTitle) &&
         out.U32(pos + kTtVtsSector, e.vtsSector);
  }
  ok = ok && PutKept(out, pos, bytes, t.inner);
  pos += t.inner.len;
  ok = ok && out.U16(at + kTtSrptCount, static_cast<uint32_t>(t.count)) &&
       out.U16(at + kTtSrptReserved, t.reserved) &&
       out.U32(at + kTtSrptLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom("TT_SRPT");
  end = pos;
  return true;
}

}  // namespace vm::dvd

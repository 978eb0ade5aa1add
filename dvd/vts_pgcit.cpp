#include "dvd/vts_pgcit.h"

#include <cstring>

namespace vm::dvd {

bool ReadPgcit(const IfoView& v, uint64_t at, uint64_t limit, const char* name, PgcPool& pool,
               Pgcit& t, uint64_t& end, IfoStatus& st) {
  std::memset(static_cast<void*>(&t), 0, sizeof t);
  uint32_t count, reserved, last;
  if (!v.U16(at + kPgcitCount, count) || !v.U16(at + kPgcitReserved, reserved) ||
      !v.U32(at + kPgcitLastByte, last))
    return st.Damaged("%s: header past the end of the file", name);
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("%s: end past the file", name);
  if (count > static_cast<uint32_t>(kMaxPgcSrps))
    return st.TooLarge("%s: %u program chains, more than %d", name, count, kMaxPgcSrps);
  uint64_t head = at + kPgcitSrps + uint64_t{kSrpBytes} * count;
  if (head > end) return st.Damaged("%s: search pointers past its end", name);
  t.reserved = static_cast<uint16_t>(reserved);
  t.srpCount = static_cast<int>(count);

  // Each chain once, in the order the chains lie.
  uint32_t offsetOf[kMaxPgcSrps];
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t s = at + kPgcitSrps + uint64_t{kSrpBytes} * i;
    uint32_t category = 0, offset = 0;
    if (!v.U32(s + kSrpCategory, category) || !v.U32(s + kSrpPgcOffset, offset))
      return st.Damaged("%s: search pointers past its end", name);
    if (at + offset < head || at + offset >= end)
      return st.Damaged("%s: PGC %u outside the table", name, i + 1);
    t.srp[i].category = category;
    int k = 0;
    while (k < t.orderCount && offsetOf[k] != offset) ++k;
    if (k == t.orderCount) {
      if (pool.count >= kMaxPgcs)
        return st.TooLarge("%s: more than %d program chains in the file", name, kMaxPgcs);
      offsetOf[k] = offset;
      t.order[k] = static_cast<uint16_t>(pool.count++);
      ++t.orderCount;
      for (int j = k; j > 0 && offsetOf[j] < offsetOf[j - 1]; --j) {
        uint32_t o = offsetOf[j];
        offsetOf[j] = offsetOf[j - 1];
        offsetOf[j - 1] = o;
        uint16_t x = t.order[j];
        t.order[j] = t.order[j - 1];
        t.order[j - 1] = x;
      }
    }
  }
  // Pool indices were handed out in pointer order; the sort moved them, so
  // the pointers find their chain by offset.
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = 0;
    (void)v.U32(at + kPgcitSrps + uint64_t{kSrpBytes} * i + kSrpPgcOffset, offset);
    for (int k = 0; k < t.orderCount; ++k)
      if (offsetOf[k] == offset) t.srp[i].pgc = t.order[k];
  }

  uint64_t pos = head;
  for (int k = 0; k < t.orderCount; ++k) {
    uint64_t start = at + offsetOf[k];
    // Name the chain by the first pointer that leads to it.
    uint32_t first = 0;
    while (first < count && t.srp[first].pgc != t.order[k]) ++first;
    FixedString<96> where;
    (void)where.Format("%s: PGC %u", name, first + 1);
    if (start < pos) return st.Damaged("%s overlaps the one before it", where.c_str());
    if (k == 0) t.headGap = SourceRange(pos, start);
    else pool.pgc[t.order[k - 1]].after = SourceRange(pos, start);
    uint64_t pgcEnd = 0;
    if (!ReadPgc(v, start, end, where.c_str(), pool.pgc[t.order[k]], pgcEnd, st)) return false;
    pos = pgcEnd;
  }
  if (t.orderCount == 0) t.headGap = SourceRange(pos, end);
  else pool.pgc[t.order[t.orderCount - 1]].after = SourceRange(pos, end);
  return true;
}

bool WritePgcit(IfoOut& out, uint64_t at, const Pgcit& t, const PgcPool& pgcs,
                const BytePool& bytes, const char* name, uint64_t& end, IfoStatus& st) {
  if (t.srpCount < 0 || t.srpCount > kMaxPgcSrps)
    return st.TooLarge("%s: %d program chains, more than %d", name, t.srpCount, kMaxPgcSrps);
  constexpr uint32_t kNotPlaced = 0xFFFFFFFFu;
  static thread_local uint32_t placed[kMaxPgcs];
  for (int i = 0; i < kMaxPgcs; ++i) placed[i] = kNotPlaced;

  uint64_t pos = at + kPgcitSrps + uint64_t{kSrpBytes} * t.srpCount;
  if (!PutKept(out, pos, bytes, t.headGap)) return st.NoRoom(name);
  pos += t.headGap.len;
  auto place = [&](int index, int srpNo) {
    if (index < 0 || index >= pgcs.count) return st.Damaged("%s: PGC %d not in the file", name, srpNo);
    if (placed[index] != kNotPlaced) return true;
    FixedString<96> where;
    (void)where.Format("%s: PGC %d", name, srpNo);
    placed[index] = static_cast<uint32_t>(pos - at);
    uint64_t pgcEnd = 0;
    const Pgc& p = pgcs.pgc[index];
    if (!WritePgc(out, pos, p, bytes, where.c_str(), pgcEnd, st)) return false;
    if (!PutKept(out, pgcEnd, bytes, p.after)) return st.NoRoom(name);
    pos = pgcEnd + p.after.len;
    return true;
  };
  for (int k = 0; k < t.orderCount; ++k) {
    int srpNo = 1;
    while (srpNo <= t.srpCount && t.srp[srpNo - 1].pgc != t.order[k]) ++srpNo;
    if (!place(t.order[k], srpNo)) return false;
  }
  for (int i = 0; i < t.srpCount; ++i)
    if (!place(t.srp[i].pgc, i + 1)) return false;
  if (pos - at > 0xFFFFFFFFu) return st.TooLarge("%s larger than 4 GiB", name);

  bool ok = out.U16(at + kPgcitCount, static_cast<uint32_t>(t.srpCount)) &&
            out.U16(at + kPgcitReserved, t.reserved) &&
            out.U32(at + kPgcitLastByte, static_cast<uint32_t>(pos - at - 1));
  for (int i = 0; ok && i < t.srpCount; ++i) {
    uint64_t s = at + kPgcitSrps + uint64_t{kSrpBytes} * i;
    ok = out.U32(s + kSrpCategory, t.srp[i].category) &&
         out.U32(s + kSrpPgcOffset, placed[t.srp[i].pgc]);
  }
  if (!ok) return st.NoRoom(name);
  end = pos;
  return true;
}

}  // namespace vm::dvd

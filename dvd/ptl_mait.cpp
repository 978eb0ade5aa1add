#include "dvd/ptl_mait.h"

namespace vm::dvd {

bool ReadPtlMait(const IfoView& v, uint64_t at, uint64_t limit, PtlMait& t, uint64_t& end,
                 IfoStatus& st) {
  t.countryCount = 0;
  t.tableCount = 0;
  t.headGap = {};
  uint32_t countries, vtss, last;
  if (!v.U16(at + kPtlCountryCount, countries) || !v.U16(at + kPtlVtsCount, vtss) ||
      !v.U32(at + kPtlLastByte, last))
    return st.Damaged("PTL_MAIT: header past the end of the file");
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("PTL_MAIT: end past the file");
  if (countries > static_cast<uint32_t>(kMaxPtlCountries) ||
      vtss + 1 > static_cast<uint32_t>(kMaxPtlColumns))
    return st.TooLarge("PTL_MAIT: %u countries and %u title sets, more than it holds", countries,
                       vtss);
  uint64_t head = at + kPtlCountries + uint64_t{kPtlCountryBytes} * countries;
  if (head > end) return st.Damaged("PTL_MAIT: countries past its end");
  t.vtsCount = static_cast<uint16_t>(vtss);
  t.countryCount = static_cast<int>(countries);
  uint64_t tableBytes = 2ull * kPtlLevels * (vtss + 1);

  uint32_t offsetOf[kMaxPtlCountries];
  for (uint32_t i = 0; i < countries; ++i) {
    const uint8_t* c = v.Bytes(at + kPtlCountries + uint64_t{kPtlCountryBytes} * i,
                               kPtlCountryBytes);
    uint32_t offset = ReadBe16(c + kPtlMaskOffset);
    t.country[i] = {ReadBe16(c + kPtlCountryCode), ReadBe16(c + kPtlCountryReserved1),
                    ReadBe16(c + kPtlCountryReserved2), 0};
    int k = 0;
    while (k < t.tableCount && offsetOf[k] != offset) ++k;
    if (k == t.tableCount) offsetOf[t.tableCount++] = offset;
    for (int j = t.tableCount - 1; j > 0 && offsetOf[j] < offsetOf[j - 1]; --j) {
      uint32_t o = offsetOf[j];
      offsetOf[j] = offsetOf[j - 1];
      offsetOf[j - 1] = o;
    }
  }
  for (uint32_t i = 0; i < countries; ++i) {
    uint32_t offset = ReadBe16(v.Bytes(at + kPtlCountries + uint64_t{kPtlCountryBytes} * i +
                                           kPtlMaskOffset, 2));
    for (int k = 0; k < t.tableCount; ++k)
      if (offsetOf[k] == offset) t.country[i].masks = static_cast<uint8_t>(k);
  }
  uint64_t pos = head;
  for (int k = 0; k < t.tableCount; ++k) {
    uint64_t start = at + offsetOf[k];
    if (start < pos || start + tableBytes > end)
      return st.Damaged("PTL_MAIT: mask table %d outside the table", k + 1);
    if (k == 0) t.headGap = SourceRange(pos, start);
    else t.table[k - 1].after = SourceRange(pos, start);
    const uint8_t* b = v.Bytes(start, tableBytes);
    for (int l = 0; l < kPtlLevels; ++l)
      for (uint32_t c = 0; c <= vtss; ++c)
        t.table[k].mask[l][c] = ReadBe16(b + 2 * (l * (vtss + 1) + c));
    pos = start + tableBytes;
  }
  if (t.tableCount == 0) t.headGap = SourceRange(pos, end);
  else t.table[t.tableCount - 1].after = SourceRange(pos, end);
  return true;
}

bool WritePtlMait(IfoOut& out, uint64_t at, const PtlMait& t, const BytePool& bytes,
                  uint64_t& end, IfoStatus& st) {
  if (t.countryCount < 0 || t.countryCount > kMaxPtlCountries || t.tableCount < 0 ||
      t.tableCount > kMaxPtlCountries || t.vtsCount + 1 > kMaxPtlColumns)
    return st.TooLarge("PTL_MAIT: more countries or title sets than it holds");
  uint32_t placed[kMaxPtlCountries] = {};
  uint64_t pos = at + kPtlCountries + uint64_t{kPtlCountryBytes} * t.countryCount;
  bool ok = PutKept(out, pos, bytes, t.headGap);
  pos += t.headGap.len;
  for (int k = 0; ok && k < t.tableCount; ++k) {
    placed[k] = static_cast<uint32_t>(pos - at);
    for (int l = 0; ok && l < kPtlLevels; ++l)
      for (int c = 0; ok && c <= t.vtsCount; ++c, pos += 2) ok = out.U16(pos, t.table[k].mask[l][c]);
    ok = ok && PutKept(out, pos, bytes, t.table[k].after);
    pos += t.table[k].after.len;
  }
  for (int i = 0; ok && i < t.countryCount; ++i) {
    const PtlCountry& c = t.country[i];
    if (c.masks >= t.tableCount) return st.Damaged("PTL_MAIT: country %d has no masks", i + 1);
    if (placed[c.masks] > 0xFFFF) return st.TooLarge("PTL_MAIT: larger than 64 KiB");
    uint64_t e = at + kPtlCountries + uint64_t{kPtlCountryBytes} * i;
    ok = out.U16(e + kPtlCountryCode, c.code) && out.U16(e + kPtlCountryReserved1, c.reserved1) &&
         out.U16(e + kPtlMaskOffset, placed[c.masks]) &&
         out.U16(e + kPtlCountryReserved2, c.reserved2);
  }
  ok = ok && out.U16(at + kPtlCountryCount, static_cast<uint32_t>(t.countryCount)) &&
       out.U16(at + kPtlVtsCount, t.vtsCount) &&
       out.U32(at + kPtlLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom("PTL_MAIT");
  end = pos;
  return true;
}

}  // namespace vm::dvd

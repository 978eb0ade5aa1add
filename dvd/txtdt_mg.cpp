#include "dvd/txtdt_mg.h"

#include <cstring>

namespace vm::dvd {

bool ReadTxtdtMg(const IfoView& v, uint64_t at, uint64_t limit, TxtdtMg& t, uint64_t& end,
                 IfoStatus& st) {
  t.luCount = 0;
  t.body = {};
  uint32_t reserved, count, last;
  const uint8_t* name = v.Bytes(at + kTxtdtDiscName, kTxtdtNameBytes);
  if (name == nullptr || !v.U16(at + kTxtdtReserved, reserved) ||
      !v.U16(at + kTxtdtLuCount, count) || !v.U32(at + kTxtdtLastByte, last))
    return st.Damaged("TXTDT_MG: header past the end of the file");
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at)) return st.Damaged("TXTDT_MG: end past the file");
  if (count > static_cast<uint32_t>(kMaxTextLanguages))
    return st.TooLarge("TXTDT_MG: %u languages, more than %d", count, kMaxTextLanguages);
  uint64_t head = at + kTxtdtLus + uint64_t{kTxtLuBytes} * count;
  if (head > end) return st.Damaged("TXTDT_MG: language pointers past its end");
  std::memcpy(t.discName, name, kTxtdtNameBytes);
  t.reserved = static_cast<uint16_t>(reserved);
  t.luCount = static_cast<int>(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = v.Bytes(at + kTxtdtLus + uint64_t{kTxtLuBytes} * i, kTxtLuBytes);
    t.lu[i] = {ReadBe16(e + kTxtLuLanguage), e[kTxtLuReserved], e[kTxtLuCharSet],
               ReadBe32(e + kTxtLuOffset)};
  }
  t.body = SourceRange(head, end);
  return true;
}

bool WriteTxtdtMg(IfoOut& out, uint64_t at, const TxtdtMg& t, const BytePool& bytes,
                  uint64_t& end, IfoStatus& st) {
  if (t.luCount < 0 || t.luCount > kMaxTextLanguages)
    return st.TooLarge("TXTDT_MG: %d languages, more than %d", t.luCount, kMaxTextLanguages);
  uint64_t pos = at + kTxtdtLus;
  bool ok = true;
  for (int i = 0; ok && i < t.luCount; ++i, pos += kTxtLuBytes)
    ok = out.U16(pos + kTxtLuLanguage, t.lu[i].language) &&
         out.U8(pos + kTxtLuReserved, t.lu[i].reserved) &&
         out.U8(pos + kTxtLuCharSet, t.lu[i].charSet) && out.U32(pos + kTxtLuOffset, t.lu[i].offset);
  ok = ok && PutKept(out, pos, bytes, t.body);
  pos += t.body.len;
  ok = ok && out.Bytes(at + kTxtdtDiscName, t.discName, kTxtdtNameBytes) &&
       out.U16(at + kTxtdtReserved, t.reserved) &&
       out.U16(at + kTxtdtLuCount, static_cast<uint32_t>(t.luCount)) &&
       out.U32(at + kTxtdtLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom("TXTDT_MG");
  end = pos;
  return true;
}

}  // namespace vm::dvd

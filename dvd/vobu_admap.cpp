#include "dvd/vobu_admap.h"

namespace vm::dvd {

bool ReadVobuAdmap(const IfoView& v, uint64_t at, uint64_t limit, const char* name, VobuAdmap& t,
                   uint64_t& end, IfoStatus& st) {
  t.count = 0;
  t.inner = {};
  uint32_t last;
  if (!v.U32(at + kAdmapLastByte, last)) return st.Damaged("%s: header past the end of the file", name);
  end = at + uint64_t{last} + 1;
  if (end > limit || !v.Has(at, end - at) || end < at + kAdmapEntries)
    return st.Damaged("%s: end past the file", name);
  uint64_t count = (end - at - kAdmapEntries) / kAdmapEntryBytes;
  if (count > static_cast<uint64_t>(kMaxVobus))
    return st.TooLarge("%s: %llu VOBUs, more than %d", name,
                       static_cast<unsigned long long>(count), kMaxVobus);
  t.count = static_cast<int>(count);
  const uint8_t* b = v.Bytes(at + kAdmapEntries, count * kAdmapEntryBytes);
  for (uint64_t i = 0; i < count; ++i) t.sector[i] = ReadBe32(b + i * kAdmapEntryBytes);
  t.inner = SourceRange(at + kAdmapEntries + count * kAdmapEntryBytes, end);
  return true;
}

bool WriteVobuAdmap(IfoOut& out, uint64_t at, const VobuAdmap& t, const BytePool& bytes,
                    const char* name, uint64_t& end, IfoStatus& st) {
  if (t.count < 0 || t.count > kMaxVobus)
    return st.TooLarge("%s: %d VOBUs, more than %d", name, t.count, kMaxVobus);
  uint64_t pos = at + kAdmapEntries;
  bool ok = true;
  for (int i = 0; ok && i < t.count; ++i, pos += kAdmapEntryBytes) ok = out.U32(pos, t.sector[i]);
  ok = ok && PutKept(out, pos, bytes, t.inner);
  pos += t.inner.len;
  ok = ok && out.U32(at + kAdmapLastByte, static_cast<uint32_t>(pos - at - 1));
  if (!ok) return st.NoRoom(name);
  end = pos;
  return true;
}

}  // namespace vm::dvd

#include "tests/support/synth_title.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "common/scr.h"

namespace vm::testing {

namespace {

constexpr int kVmgSrptOffset = 0x800;  // TT_SRPT in sector 1
constexpr int kVmgSrptEntries = 0x808;
constexpr int kVmgSrptEntryBytes = 12;
constexpr int kPgciEntriesOffset = 8;
constexpr int kPgciEntryBytes = 8;
constexpr int kCellPositionBytes = 4;
constexpr int kPesPayloadLength = kSynthSector - 14 - 6;  // 2028

void Put(Bytes& b, size_t offset, const char* text) {
  const size_t n = std::strlen(text);
  // Reserving first keeps GCC 12 at -O2 from misreading the move of the old
  // bytes inside resize() as out of bounds (-Warray-bounds).
  b.reserve(offset + n);
  if (b.size() < offset + n) b.resize(offset + n, 0);
  std::memcpy(b.data() + offset, text, n);
}

uint8_t Bcd(int v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); }

Bytes PackHeader(uint32_t scr) {
  Bytes p(kSynthSector, 0);
  p[0] = 0; p[1] = 0; p[2] = 1; p[3] = 0xBA;
  WritePackScr(p.data(), scr, 0);
  p[10] = 0x01; p[11] = 0x89; p[12] = 0xC3; p[13] = 0xF8;  // mux rate 10.08 Mbit/s
  return p;
}

void PesStart(Bytes& p, size_t at, uint8_t streamId, int length) {
  p[at] = 0; p[at + 1] = 0; p[at + 2] = 1; p[at + 3] = streamId;
  p[at + 4] = static_cast<uint8_t>(length >> 8);
  p[at + 5] = static_cast<uint8_t>(length);
}

}  // namespace

void PutBe16(Bytes& b, size_t offset, uint32_t v) {
  if (b.size() < offset + 2) b.resize(offset + 2, 0);
  b[offset] = static_cast<uint8_t>(v >> 8);
  b[offset + 1] = static_cast<uint8_t>(v);
}

void PutBe32(Bytes& b, size_t offset, uint32_t v) {
  PutBe16(b, offset, v >> 16);
  PutBe16(b, offset + 2, v & 0xFFFF);
}

Bytes BuildVmgIfo(int titles, int angles) {
  Bytes b(3 * kSynthSector, 0);
  Put(b, 0, "DVDVIDEO-VMG");
  PutBe32(b, 0x0C, 2);     // last sector of the VMG
  PutBe32(b, 0x1C, 2);     // last sector of the VMGI
  PutBe16(b, 0x3E, 1);     // number of title sets
  PutBe32(b, 0xC4, 1);     // TT_SRPT sector
  PutBe16(b, kVmgSrptOffset, static_cast<uint32_t>(titles));
  PutBe32(b, kVmgSrptOffset + 4, 8 + kVmgSrptEntryBytes * titles - 1);
  for (int i = 0; i < titles; ++i) {
    size_t e = kVmgSrptEntries + kVmgSrptEntryBytes * i;
    if (e + kVmgSrptEntryBytes > b.size()) break;
    b[e] = 0x3C;                            // title type: one sequential PGC
    b[e + 1] = static_cast<uint8_t>(angles);
    PutBe16(b, e + 2, 1);                   // chapters
    b[e + 6] = 1;                           // title set 1
    b[e + 7] = static_cast<uint8_t>(i + 1); // title within the set
    PutBe32(b, e + 8, 3);                   // title set start sector
  }
  return b;
}

SynthPgc PgcOfCells(const std::vector<uint32_t>& cellFirstSectors) {
  SynthPgc pgc;
  for (size_t c = 0; c < cellFirstSectors.size(); ++c) {
    SynthCell cell;
    cell.firstSector = cellFirstSectors[c];
    uint32_t next = c + 1 < cellFirstSectors.size() ? cellFirstSectors[c + 1] : cell.firstSector + 1;
    cell.lastSector = next - 1;
    cell.lastVobuSector = cell.firstSector;
    pgc.cells.push_back(cell);
    pgc.programMap.push_back(static_cast<uint8_t>(c + 1));
  }
  return pgc;
}

Bytes BuildVtsIfo(const std::vector<SynthPgc>& pgcs, int pgciSector, std::vector<int>* pgcOffsets) {
  Bytes b(static_cast<size_t>(pgciSector) * kSynthSector, 0);
  Put(b, 0, "DVDVIDEO-VTS");
  PutBe32(b, 0x80, 0x3FF);  // end byte of VTSI_MAT
  PutBe32(b, kVtsiPgciSectorOffset, static_cast<uint32_t>(pgciSector));
  size_t p = static_cast<size_t>(pgciSector) * kSynthSector;
  PutBe16(b, p, static_cast<uint32_t>(pgcs.size()));
  size_t g = kPgciEntriesOffset + kPgciEntryBytes * pgcs.size();
  for (size_t i = 0; i < pgcs.size(); ++i) {
    const SynthPgc& pgc = pgcs[i];
    size_t entry = p + kPgciEntriesOffset + kPgciEntryBytes * i;
    PutBe32(b, entry, i == 0 ? 0x81000000u : 0x01000000u);  // entry PGC of title 1
    PutBe32(b, entry + 4, static_cast<uint32_t>(g));
    if (pgcOffsets) pgcOffsets->push_back(static_cast<int>(p + g));
    size_t at = p + g;
    size_t mapBytes = (pgc.programMap.size() + 1) & ~size_t{1};  // padded to even
    size_t cellTable = kPgcHeaderBytes + mapBytes;
    size_t posTable = cellTable + kCellPlaybackBytes * pgc.cells.size();
    size_t total = posTable + kCellPositionBytes * pgc.cells.size();
    if (b.size() < at + total) b.resize(at + total, 0);
    b[at + 2] = static_cast<uint8_t>(pgc.programMap.size());
    b[at + kPgcCellCountOffset] = static_cast<uint8_t>(pgc.cells.size());
    PutBe16(b, at + kPgcProgramMapOffset, pgc.programMap.empty() ? 0 : kPgcHeaderBytes);
    PutBe16(b, at + kPgcCellPlaybackOffset, pgc.cells.empty() ? 0 : static_cast<uint32_t>(cellTable));
    PutBe16(b, at + kPgcCellPositionOffset, pgc.cells.empty() ? 0 : static_cast<uint32_t>(posTable));
    for (size_t k = 0; k < pgc.programMap.size(); ++k) b[at + kPgcHeaderBytes + k] = pgc.programMap[k];
    for (size_t c = 0; c < pgc.cells.size(); ++c) {
      size_t e = at + cellTable + kCellPlaybackBytes * c;
      PutBe32(b, e + 8, pgc.cells[c].firstSector);
      PutBe32(b, e + 12, pgc.cells[c].ilvuEndSector);
      PutBe32(b, e + 16, pgc.cells[c].lastVobuSector);
      PutBe32(b, e + 20, pgc.cells[c].lastSector);
      size_t q = at + posTable + kCellPositionBytes * c;
      PutBe16(b, q, 1);
      b[q + 3] = static_cast<uint8_t>(c + 1);
    }
    g += total;
  }
  PutBe32(b, p + 4, static_cast<uint32_t>(g - 1));
  size_t sectors = (b.size() + kSynthSector - 1) / kSynthSector;
  if (sectors < 2) sectors = 2;
  b.resize(sectors * kSynthSector, 0);
  PutBe32(b, 0x1C, static_cast<uint32_t>(sectors - 1));  // last sector of the VTSI
  return b;
}

Bytes NavPack(const NavFields& f) {
  Bytes p = PackHeader(f.scr);
  static const uint8_t kSystemHeader[] = {0x00, 0x00, 0x01, 0xBB, 0x00, 0x12, 0x80, 0xC4,
                                          0xE1, 0x00, 0xE1, 0xFF, 0xB9, 0xE0, 0xE8, 0xB8,
                                          0xC0, 0x20, 0xBD, 0xE0, 0x3A, 0xBF, 0xE0, 0x02};
  std::memcpy(p.data() + 14, kSystemHeader, sizeof kSystemHeader);
  PesStart(p, 0x26, 0xBF, 0x03D4);  // PCI
  p[0x2C] = 0x00;
  PesStart(p, 0x400, 0xBF, 0x03FA);  // DSI
  p[0x406] = 0x01;
  int z = f.celtmFrames;
  uint8_t tc[4] = {Bcd(z / 108000), Bcd((z / 1800) % 60), Bcd((z / 30) % 60),
                   static_cast<uint8_t>(Bcd(z % 30) | 0xC0)};
  std::memcpy(p.data() + kNavCeltmOffset, tc, 4);
  std::memcpy(p.data() + 0x423, tc, 4);  // DSI_GI C_ELTM
  PutBe32(p, 0x407, f.scr);              // NV_PCK_SCR
  PutBe32(p, kNavVobuEaOffset, f.vobuEa);
  p[kNavCategoryOffset] = f.category;
  PutBe32(p, 0x39, f.sPtm);
  PutBe32(p, 0x3D, f.ePtm);
  return p;
}

Bytes VideoPack(uint32_t scr, bool sequenceHeader, int width, int height) {
  Bytes p = PackHeader(scr);
  PesStart(p, 14, 0xE0, kPesPayloadLength);
  p[20] = 0x81; p[21] = 0x00; p[22] = 0x00;
  if (sequenceHeader) {
    size_t s = 23;
    p[s] = 0; p[s + 1] = 0; p[s + 2] = 1; p[s + 3] = 0xB3;
    p[s + 4] = static_cast<uint8_t>(width >> 4);
    p[s + 5] = static_cast<uint8_t>(((width & 15) << 4) | (height >> 8));
    p[s + 6] = static_cast<uint8_t>(height);
    p[s + 7] = 0x24;  // 4:3, 29.97 Hz
  }
  return p;
}

Bytes PrivatePack(uint32_t scr, uint8_t substream) {
  Bytes p = PackHeader(scr);
  PesStart(p, 14, 0xBD, kPesPayloadLength);
  p[20] = 0x81; p[21] = 0x00; p[22] = 0x00;
  p[23] = substream;
  return p;
}

Bytes PaddingPack(uint32_t scr) {
  Bytes p = PackHeader(scr);
  PesStart(p, 14, 0xBE, kPesPayloadLength);
  std::memset(p.data() + 20, 0xFF, kSynthSector - 20);
  return p;
}

Bytes DamagedPack() {
  Bytes p(kSynthSector, 0x5A);
  p[0] = 0; p[1] = 0; p[2] = 1; p[3] = 0xB9;
  return p;
}

Bytes VobuBytes(const SynthVobu& v) {
  NavFields f;
  f.scr = v.scr;
  f.celtmFrames = v.celtmFrames;
  f.category = v.category;
  f.vobuEa = static_cast<uint32_t>(v.vobuEa >= 0 ? v.vobuEa : v.packs - 1);
  if (v.ptmTicks > 0) {
    f.sPtm = v.scr + 27000;
    f.ePtm = f.sPtm + v.ptmTicks;
  }
  Bytes out = NavPack(f);
  for (int k = 1; k < v.packs; ++k) {
    Bytes pack = k == 1 ? VideoPack(v.scr + 100, true) : PaddingPack(v.scr + 100 * k);
    out.insert(out.end(), pack.begin(), pack.end());
  }
  return out;
}

std::vector<SynthVobu> EvenVobus(int count, int packs, const std::vector<int>& cellStarts) {
  std::vector<SynthVobu> v(count);
  int cellFrames = 0;
  for (int i = 0; i < count; ++i) {
    bool start = false;
    for (int c : cellStarts) start = start || c == i;
    if (start) cellFrames = 0;
    v[i].scr = static_cast<uint32_t>(i) * 45000u;
    v[i].celtmFrames = cellFrames;
    v[i].packs = packs;
    cellFrames += 15;
  }
  return v;
}

SynthTitleSet::SynthTitleSet(std::string folder) : folder_(std::move(folder)) {}

bool SynthTitleSet::WriteFile(const std::string& name, const Bytes& bytes) {
  std::ofstream f(folder_ + name, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

bool SynthTitleSet::WriteIfos(const std::vector<uint32_t>& cellFirstSectors,
                              const std::string& vmgName, const std::string& vtsName) {
  return WriteFile(vmgName, BuildVmgIfo(1, 1)) &&
         WriteFile(vtsName, BuildVtsIfo({PgcOfCells(cellFirstSectors)}));
}

int64_t SynthTitleSet::WriteVob(const std::string& name, const std::vector<SynthVobu>& vobus,
                                int leadingPacks) {
  std::ofstream f(folder_ + name, std::ios::binary | std::ios::trunc);
  int64_t sectors = 0;
  for (int k = 0; k < leadingPacks; ++k, ++sectors) {
    Bytes p = k % 2 ? PrivatePack(0, 0x80) : VideoPack(0, k == 0);
    f.write(reinterpret_cast<const char*>(p.data()), kSynthSector);
  }
  for (const SynthVobu& v : vobus) {
    Bytes b = VobuBytes(v);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    sectors += static_cast<int64_t>(b.size()) / kSynthSector;
  }
  return f ? sectors : -1;
}

bool SynthTitleSet::WriteSparse(const std::string& name, int64_t bytes) {
  int fd = open((folder_ + name).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ftruncate(fd, bytes) == 0;
  close(fd);
  return ok;
}

bool SynthTitleSet::WriteAt(const std::string& name, int64_t sector, const Bytes& sectors) {
  int fd = open((folder_ + name).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t n = pwrite(fd, sectors.data(), sectors.size(), sector * kSynthSector);
  close(fd);
  return n == static_cast<ssize_t>(sectors.size());
}

}  // namespace vm::testing

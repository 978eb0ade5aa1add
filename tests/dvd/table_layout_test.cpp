// Each table written from hand-filled fields, compared with bytes laid out
// by hand from the table's offsets (so two fields written in each other's
// place are caught), then read back and written again unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dvd/ifo_model.h"
#include "dvd/nav_pack.h"
#include "dvd/vts_pgcit.h"

namespace vm {
namespace {

using namespace dvd;

using Bytes = std::vector<uint8_t>;

void B8(Bytes& b, size_t at, uint32_t v) {
  if (b.size() < at + 1) b.resize(at + 1);
  b[at] = static_cast<uint8_t>(v);
}
void B16(Bytes& b, size_t at, uint32_t v) {
  B8(b, at, v >> 8);
  B8(b, at + 1, v);
}
void B32(Bytes& b, size_t at, uint32_t v) {
  B16(b, at, v >> 16);
  B16(b, at + 2, v);
}

// One table: write it, compare, read the expected bytes back, write again.
struct TableCase {
  const char* name;
  std::function<bool(IfoOut&, uint64_t&, IfoStatus&)> write;
  std::function<bool(const IfoView&, uint64_t&, IfoStatus&)> read;  // into the same object
  Bytes expected;
};

struct Objects {
  TtSrpt tt{};
  Cadt cadt{};
  VobuAdmap admap{};
  VtsPttSrpt ptt{};
  VtsTmapt tmapt{};
  PgcPool pgcs{};
  Pgcit pgcit{};
  PgciUt ut{};
  VtsAtrt atrt{};
  PtlMait ptl{};
  TxtdtMg txt{};
  BytePool pool{};
};

void FillPgc(Pgc& p) {
  ClearPgc(p);
  p.programCount = 2;
  p.cellCount = 2;
  const uint8_t time[4] = {0x00, 0x00, 0x04, 0xC0};
  std::memcpy(p.playbackTime, time, 4);
  p.prohibitedOps = 0x01020304;
  p.audioControl[0] = 0x8000;
  p.subpControl[1] = 0x81000000;
  p.nextPgcn = 2;
  p.prevPgcn = 3;
  p.goUpPgcn = 4;
  p.playbackMode = 0x00;
  p.stillTime = 0x05;
  p.palette[15] = 0x00108080;
  for (int k = 0; k < kPgcParts; ++k) p.has[k] = true;
  p.preCount = 1;
  const uint8_t cmd[8] = {0x30, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  std::memcpy(p.commands[0].bytes, cmd, 8);
  p.programMap[0] = 1;
  p.programMap[1] = 2;
  for (int c = 0; c < 2; ++c) {
    CellPlayback& cell = p.cells[c];
    cell.category[0] = kCellSeamless;
    cell.category[1] = 0;
    cell.stillTime = c == 1 ? 0xFF : 0;
    cell.commandNr = 0;
    cell.playbackTime[2] = 0x02;
    cell.playbackTime[3] = 0xC0;
    cell.firstSector = 100u * c;
    cell.firstIlvuEndSector = 0;
    cell.lastVobuStartSector = 100u * c + 90;
    cell.lastSector = 100u * c + 99;
    p.positions[c] = {1, 0, static_cast<uint8_t>(c + 1)};
  }
}

// The chain FillPgc makes, at `at` in `b`, tables in their usual order.
void ExpectedPgc(Bytes& b, size_t at) {
  B8(b, at + 0x02, 2);
  B8(b, at + 0x03, 2);
  B8(b, at + 0x06, 0x04);
  B8(b, at + 0x07, 0xC0);
  B32(b, at + 0x08, 0x01020304);
  B16(b, at + 0x0C, 0x8000);
  B32(b, at + 0x1C + 4, 0x81000000);
  B16(b, at + 0x9C, 2);
  B16(b, at + 0x9E, 3);
  B16(b, at + 0xA0, 4);
  B8(b, at + 0xA3, 5);
  B32(b, at + 0xA4 + 15 * 4, 0x00108080);
  B16(b, at + 0xE4, 0xEC);   // commands
  B16(b, at + 0xE6, 0xFC);   // program map: after 8 + 8 bytes of commands
  B16(b, at + 0xE8, 0xFE);   // cells: after two program entries
  B16(b, at + 0xEA, 0x12E);  // positions: after 2 x 24 bytes
  B16(b, at + 0xEC, 1);      // one pre command
  B16(b, at + 0xF2, 15);     // last byte of the command table
  const uint8_t cmd[8] = {0x30, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  for (int i = 0; i < 8; ++i) B8(b, at + 0xF4 + i, cmd[i]);
  B8(b, at + 0xFC, 1);
  B8(b, at + 0xFD, 2);
  for (int c = 0; c < 2; ++c) {
    size_t e = at + 0xFE + 24 * c;
    B8(b, e + 0, 0x08);
    B8(b, e + 2, c == 1 ? 0xFF : 0);
    B8(b, e + 6, 0x02);
    B8(b, e + 7, 0xC0);
    B32(b, e + 8, 100 * c);
    B32(b, e + 16, 100 * c + 90);
    B32(b, e + 20, 100 * c + 99);
    size_t q = at + 0x12E + 4 * c;
    B16(b, q, 1);
    B8(b, q + 3, c + 1);
  }
}

std::vector<TableCase> Cases(Objects& o) {
  std::vector<TableCase> cases;
  BytePool& pool = o.pool;

  {
    Bytes e;
    B16(e, 0, 2);
    B32(e, 4, 8 + 2 * 12 - 1);
    B8(e, 8, 0x3C); B8(e, 9, 1); B16(e, 10, 3); B16(e, 12, 0x00FE); B8(e, 14, 1); B8(e, 15, 1);
    B32(e, 16, 0x123);
    B8(e, 20, 0x3C); B8(e, 21, 2); B16(e, 22, 5); B8(e, 26, 2); B8(e, 27, 1); B32(e, 28, 0x456);
    o.tt.count = 2;
    o.tt.title[0] = {0x3C, 1, 3, 0x00FE, 1, 1, 0x123};
    o.tt.title[1] = {0x3C, 2, 5, 0, 2, 1, 0x456};
    cases.push_back({"TT_SRPT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteTtSrpt(out, 0, o.tt, o.pool, end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadTtSrpt(v, 0, v.size(), o.tt, end, st);
                     },
                     e});
  }
  {
    Bytes e;
    B16(e, 0, 1);
    B32(e, 4, 8 + 2 * 12 - 1);
    B16(e, 8, 1); B8(e, 10, 1); B32(e, 12, 0); B32(e, 16, 99);
    B16(e, 20, 1); B8(e, 22, 2); B32(e, 24, 100); B32(e, 28, 250);
    o.cadt.vobCount = 1;
    o.cadt.count = 2;
    o.cadt.entry[0] = {1, 1, 0, 0, 99};
    o.cadt.entry[1] = {1, 2, 0, 100, 250};
    cases.push_back({"VTS_C_ADT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteCadt(out, 0, o.cadt, o.pool, "VTS_C_ADT", end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadCadt(v, 0, v.size(), "VTS_C_ADT", o.cadt, end, st);
                     },
                     e});
  }
  {
    Bytes e;
    B32(e, 0, 4 + 3 * 4 - 1);
    B32(e, 4, 0); B32(e, 8, 17); B32(e, 12, 40);
    o.admap.count = 3;
    o.admap.sector[0] = 0;
    o.admap.sector[1] = 17;
    o.admap.sector[2] = 40;
    cases.push_back({"VTS_VOBU_ADMAP",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteVobuAdmap(out, 0, o.admap, o.pool, "VTS_VOBU_ADMAP", end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadVobuAdmap(v, 0, v.size(), "VTS_VOBU_ADMAP", o.admap, end, st);
                     },
                     e});
  }
  {
    Bytes e;
    B16(e, 0, 2);
    B32(e, 4, 27);
    B32(e, 8, 16); B32(e, 12, 24);  // offsets of the two titles' entries
    B16(e, 16, 1); B16(e, 18, 1); B16(e, 20, 1); B16(e, 22, 2);
    B16(e, 24, 2); B16(e, 26, 1);
    o.ptt.count = 2;
    o.ptt.ttu[0].count = 2;
    o.ptt.ttu[0].ptt[0] = {1, 1};
    o.ptt.ttu[0].ptt[1] = {1, 2};
    o.ptt.ttu[1].count = 1;
    o.ptt.ttu[1].ptt[0] = {2, 1};
    cases.push_back({"VTS_PTT_SRPT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteVtsPttSrpt(out, 0, o.ptt, o.pool, end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadVtsPttSrpt(v, 0, v.size(), o.ptt, end, st);
                     },
                     e});
  }
  {
    // The third pointer names the second, empty, map again.
    Bytes e;
    B16(e, 0, 3);
    B32(e, 4, 35);
    B32(e, 8, 20); B32(e, 12, 32); B32(e, 16, 32);
    B8(e, 20, 10); B16(e, 22, 2); B32(e, 24, 0); B32(e, 28, 0x80000033);
    B8(e, 32, 1);  B16(e, 34, 0);
    o.tmapt.count = 3;
    o.tmapt.entryCount = 2;
    o.tmapt.entry[0] = 0;
    o.tmapt.entry[1] = 0x80000033;
    o.tmapt.map[0] = {10, 0, 0, 2, {}, 0};
    o.tmapt.map[1] = {1, 0, 2, 0, {}, 0};
    o.tmapt.map[2] = {1, 0, 2, 0, {}, 2};
    cases.push_back({"VTS_TMAPT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteVtsTmapt(out, 0, o.tmapt, o.pool, end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadVtsTmapt(v, 0, v.size(), o.tmapt, end, st) &&
                              o.tmapt.map[2].sharedWith == 2;
                     },
                     e});
  }
  {
    Bytes e;
    ExpectedPgc(e, 0);
    o.pgcs.count = 1;
    FillPgc(o.pgcs.pgc[0]);
    cases.push_back({"PGC",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WritePgc(out, 0, o.pgcs.pgc[0], o.pool, "PGC", end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadPgc(v, 0, v.size(), "PGC", o.pgcs.pgc[0], end, st);
                     },
                     e});
  }
  {
    // Two search pointers naming one chain: it is written once.
    Bytes e;
    B16(e, 0, 2);
    B32(e, 8, 0x81000000); B32(e, 12, 24);
    B32(e, 16, 0x00000000); B32(e, 20, 24);
    ExpectedPgc(e, 24);
    B32(e, 4, static_cast<uint32_t>(e.size() - 1));
    cases.push_back({"VTS_PGCIT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       o.pgcs.count = 1;
                       FillPgc(o.pgcs.pgc[0]);
                       std::memset(static_cast<void*>(&o.pgcit), 0, sizeof o.pgcit);
                       o.pgcit.srpCount = 2;
                       o.pgcit.srp[0] = {0x81000000, 0};
                       o.pgcit.srp[1] = {0, 0};
                       o.pgcit.orderCount = 1;
                       return WritePgcit(out, 0, o.pgcit, o.pgcs, o.pool, "VTS_PGCIT", end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       o.pgcs.count = 0;
                       return ReadPgcit(v, 0, v.size(), "VTS_PGCIT", o.pgcs, o.pgcit, end, st) &&
                              o.pgcs.count == 1;
                     },
                     e});
  }
  {
    Bytes e;
    B16(e, 0, 1);
    B8(e, 8, 'e'); B8(e, 9, 'n'); B8(e, 11, 0x80); B32(e, 12, 16);
    // The unit: one chain.
    B16(e, 16, 1);
    B32(e, 16 + 8, 0x83000000); B32(e, 16 + 12, 16);
    ExpectedPgc(e, 32);
    B32(e, 16 + 4, static_cast<uint32_t>(e.size() - 16 - 1));
    B32(e, 4, static_cast<uint32_t>(e.size() - 1));
    cases.push_back({"VTSM_PGCI_UT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       o.pgcs.count = 1;
                       FillPgc(o.pgcs.pgc[0]);
                       std::memset(static_cast<void*>(&o.ut), 0, sizeof o.ut);
                       o.ut.luCount = 1;
                       o.ut.lu[0] = {('e' << 8) | 'n', 0, 0x80, 0};
                       o.ut.unitCount = 1;
                       o.ut.unit[0].srpCount = 1;
                       o.ut.unit[0].srp[0] = {0x83000000, 0};
                       o.ut.unit[0].orderCount = 1;
                       return WritePgciUt(out, 0, o.ut, o.pgcs, o.pool, "VTSM_PGCI_UT", end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       o.pgcs.count = 0;
                       return ReadPgciUt(v, 0, v.size(), "VTSM_PGCI_UT", o.pgcs, o.ut, end, st);
                     },
                     e});
  }
  {
    Bytes e;
    B16(e, 0, 1);
    B32(e, 8, 12);
    B32(e, 12, 8 + kAtrAttributeBytes - 1);
    B32(e, 16, 0x0001C000);
    B16(e, 20, 0x4F00);  // menu video attributes first
    B8(e, 20 + 0x103, 1);
    B8(e, 20 + kAtrAttributeBytes - 1, 0);
    B32(e, 4, static_cast<uint32_t>(e.size() - 1));
    o.atrt.count = 1;
    o.atrt.vts[0].category = 0x0001C000;
    o.atrt.vts[0].attributeCount = kAtrAttributeBytes;
    o.atrt.vts[0].attributes[0] = 0x4F;
    o.atrt.vts[0].attributes[0x103] = 1;
    cases.push_back({"VTS_ATRT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteVtsAtrt(out, 0, o.atrt, o.pool, end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadVtsAtrt(v, 0, v.size(), o.atrt, end, st);
                     },
                     e});
  }
  {
    // Two countries sharing one table of masks for the volume and one set.
    Bytes e;
    B16(e, 0, 2);
    B16(e, 2, 1);
    B16(e, 8, ('U' << 8) | 'S'); B16(e, 12, 24);
    B16(e, 16, ('J' << 8) | 'P'); B16(e, 20, 24);
    for (int l = 0; l < 8; ++l) {
      B16(e, 24 + 4 * l, 0xFFFF >> l);
      B16(e, 24 + 4 * l + 2, 0x00FF >> l);
    }
    B32(e, 4, static_cast<uint32_t>(e.size() - 1));
    o.ptl.vtsCount = 1;
    o.ptl.countryCount = 2;
    o.ptl.country[0] = {('U' << 8) | 'S', 0, 0, 0};
    o.ptl.country[1] = {('J' << 8) | 'P', 0, 0, 0};
    o.ptl.tableCount = 1;
    for (int l = 0; l < 8; ++l) {
      o.ptl.table[0].mask[l][0] = static_cast<uint16_t>(0xFFFF >> l);
      o.ptl.table[0].mask[l][1] = static_cast<uint16_t>(0x00FF >> l);
    }
    cases.push_back({"PTL_MAIT",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WritePtlMait(out, 0, o.ptl, o.pool, end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       return ReadPtlMait(v, 0, v.size(), o.ptl, end, st) && o.ptl.tableCount == 1;
                     },
                     e});
  }
  {
    // The text after the pointers is kept as it is.
    Bytes e;
    const char name[] = "MENUS DISC  ";
    for (int i = 0; i < 12; ++i) B8(e, i, name[i]);
    B16(e, 0x0E, 1);
    B16(e, 0x14, ('e' << 8) | 'n'); B8(e, 0x17, 0x11); B32(e, 0x18, 0x1C);
    const uint8_t text[4] = {'A', 'B', 'C', 0};
    for (int i = 0; i < 4; ++i) B8(e, 0x1C + i, text[i]);
    B32(e, 0x10, static_cast<uint32_t>(e.size() - 1));
    std::memcpy(o.txt.discName, name, 12);
    o.txt.luCount = 1;
    o.txt.lu[0] = {('e' << 8) | 'n', 0, 0x11, 0x1C};
    (void)pool.Add(text, 4, o.txt.body);
    cases.push_back({"TXTDT_MG",
                     [&o](IfoOut& out, uint64_t& end, IfoStatus& st) {
                       return WriteTxtdtMg(out, 0, o.txt, o.pool, end, st);
                     },
                     [&o](const IfoView& v, uint64_t& end, IfoStatus& st) {
                       // Kept ranges of a read refer to the source, which is
                       // the start of the pool.
                       std::memcpy(o.pool.bytes, v.Bytes(0, v.size()), v.size());
                       return ReadTxtdtMg(v, 0, v.size(), o.txt, end, st);
                     },
                     e});
  }
  return cases;
}

TEST(TableLayout, EachTableIsWrittenAtItsOffsetsAndReadBack) {
  auto objects = std::make_unique<Objects>();
  for (TableCase& c : Cases(*objects)) {
    std::vector<uint8_t> out(1 << 16, 0xEE);
    IfoOut o(out.data(), out.size());
    // The writers leave no byte unwritten: start from a filled buffer.
    uint64_t end = 0;
    IfoStatus st;
    ASSERT_TRUE(c.write(o, end, st)) << c.name << ": " << st.cause.c_str();
    ASSERT_EQ(end, c.expected.size()) << c.name;
    for (size_t i = 0; i < end; ++i)
      ASSERT_EQ(out[i], c.expected[i]) << c.name << " byte 0x" << std::hex << i;

    std::vector<uint8_t> source = c.expected;
    IfoView v(source.data(), source.size());
    uint64_t readEnd = 0;
    ASSERT_TRUE(c.read(v, readEnd, st)) << c.name << ": " << st.cause.c_str();
    EXPECT_EQ(readEnd, source.size()) << c.name;
    std::vector<uint8_t> again(1 << 16, 0xEE);
    IfoOut o2(again.data(), again.size());
    ASSERT_TRUE(c.write(o2, end, st)) << c.name;
    EXPECT_TRUE(std::equal(source.begin(), source.end(), again.begin())) << c.name;
  }
}

TEST(TableLayout, WriterStopsAtTheBufferEnd) {
  auto objects = std::make_unique<Objects>();
  for (TableCase& c : Cases(*objects)) {
    std::vector<uint8_t> out(c.expected.size() - 1);
    IfoOut o(out.data(), out.size());
    uint64_t end = 0;
    IfoStatus st;
    EXPECT_FALSE(c.write(o, end, st)) << c.name;
    EXPECT_EQ(st.code, IfoCode::kNoRoom) << c.name;
  }
}

TEST(NavPackLayout, PciAndDsiFieldsLieAtTheirOffsets) {
  uint8_t pack[kPackBytes];
  std::memset(pack, 0xAA, sizeof pack);
  PciGi pci{};
  pci.lbn = 0x11223344;
  pci.vobuCategory = 0x5566;
  pci.uopCtl = 0x778899AA;
  pci.startPtm = 0x01;
  pci.endPtm = 0x02;
  pci.sequenceEndPtm = 0x03;
  const uint8_t eltm[4] = {0x00, 0x01, 0x02, 0xC3};
  std::memcpy(pci.eltm, eltm, 4);
  DsiGi dsi{};
  dsi.scr = 0x0A0B0C0D;
  dsi.lbn = 0x11223344;
  dsi.vobuEa = 0x55;
  dsi.refEa[0] = 1;
  dsi.refEa[1] = 2;
  dsi.refEa[2] = 3;
  dsi.vobId = 0x0102;
  dsi.cellId = 7;
  std::memcpy(dsi.cellEltm, eltm, 4);
  WritePciGi(pack, pci);
  WriteDsiGi(pack, dsi);

  struct Field {
    int at;
    std::vector<uint8_t> bytes;
  };
  const Field fields[] = {
      {0x2D, {0x11, 0x22, 0x33, 0x44}}, {0x31, {0x55, 0x66}},
      {0x35, {0x77, 0x88, 0x99, 0xAA}}, {0x39, {0, 0, 0, 1}},
      {0x3D, {0, 0, 0, 2}},             {0x41, {0, 0, 0, 3}},
      {0x45, {0x00, 0x01, 0x02, 0xC3}}, {0x407, {0x0A, 0x0B, 0x0C, 0x0D}},
      {0x40B, {0x11, 0x22, 0x33, 0x44}}, {0x40F, {0, 0, 0, 0x55}},
      {0x413, {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3}},
      {0x41F, {0x01, 0x02, 0x00, 0x07}}, {0x423, {0x00, 0x01, 0x02, 0xC3}},
      {0x427, {0xAA}},  // SML_PBI is not DSI_GI's
      {0x69, {0xAA}},   // nor NSML_AGLI PCI_GI's
  };
  for (const Field& f : fields)
    for (size_t i = 0; i < f.bytes.size(); ++i)
      EXPECT_EQ(pack[f.at + i], f.bytes[i]) << "offset 0x" << std::hex << f.at + i;

  PciGi pciBack{};
  DsiGi dsiBack{};
  ReadPciGi(pack, pciBack);
  ReadDsiGi(pack, dsiBack);
  EXPECT_EQ(std::memcmp(&pciBack.eltm, pci.eltm, 4), 0);
  EXPECT_EQ(pciBack.uopCtl, pci.uopCtl);
  EXPECT_EQ(dsiBack.refEa[2], 3u);
  EXPECT_EQ(dsiBack.vobId, 0x0102);
}

// A model built afresh: the head's table pointers follow the tables laid
// out one after another from sector 1, and the last sector is the file's.
TEST(IfoModelLayout, FreshTitleSetPointsAtItsTables) {
  auto m = std::make_unique<IfoModel>();
  m->kind = IfoKind::kVts;
  std::memcpy(m->vtsi.id, "DVDVIDEO-VTS", 12);
  m->vtsi.titleVobs = 7;  // a fresh model's VOB sectors are the caller's
  m->firstPlay = -1;
  m->tableCount = 3;
  m->tables[0] = {IfoTable::kVtsPttSrpt, {}};
  m->tables[1] = {IfoTable::kVtsPgcit, {}};
  m->tables[2] = {IfoTable::kVtsCadt, {}};
  m->pttSrpt.count = 1;
  m->pttSrpt.ttu[0].count = 1;
  m->pttSrpt.ttu[0].ptt[0] = {1, 1};
  m->pgcs.count = 1;
  FillPgc(m->pgcs.pgc[0]);
  m->pgcit.srpCount = 1;
  m->pgcit.srp[0] = {0x81000000, 0};
  m->pgcit.orderCount = 1;
  m->titleCadt.count = 1;
  m->titleCadt.entry[0] = {1, 1, 0, 0, 99};

  std::vector<uint8_t> out(1 << 16);
  size_t size = 0;
  IfoStatus st;
  ASSERT_TRUE(WriteIfo(*m, out.data(), out.size(), size, st)) << st.cause.c_str();
  EXPECT_EQ(size, 4u * 2048);
  const uint8_t* b = out.data();
  EXPECT_EQ(std::memcmp(b, "DVDVIDEO-VTS", 12), 0);
  EXPECT_EQ(ReadBe32(b + 0x1C), 3u);   // last sector of the file
  EXPECT_EQ(ReadBe32(b + 0xC4), 7u);   // title VOBs as given
  EXPECT_EQ(ReadBe32(b + 0xC8), 1u);   // VTS_PTT_SRPT
  EXPECT_EQ(ReadBe32(b + 0xCC), 2u);   // VTS_PGCIT
  EXPECT_EQ(ReadBe32(b + 0xD0), 0u);   // no menus
  EXPECT_EQ(ReadBe32(b + 0xE0), 3u);   // VTS_C_ADT
  EXPECT_EQ(ReadBe16(b + 2048), 1u);   // one title
  EXPECT_EQ(ReadBe16(b + 2 * 2048), 1u);  // one chain
  EXPECT_EQ(ReadBe32(b + 3 * 2048 + 4), 8u + 12 - 1);

  auto back = std::make_unique<IfoModel>();
  ASSERT_TRUE(ReadIfo(out.data(), size, *back, st)) << st.cause.c_str();
  EXPECT_EQ(back->pgcs.pgc[back->pgcit.srp[0].pgc].cellCount, 2);
  ASSERT_EQ(back->tableCount, 3);
  EXPECT_EQ(back->tables[2].table, IfoTable::kVtsCadt);
}

// The heads' fields at their offsets, over a sector of other bytes that
// stay as they were.
TEST(IfoHeadLayout, VmgiAndVtsiFieldsLieAtTheirOffsets) {
  std::vector<uint8_t> sector(2048, 0x5A);
  IfoOut out(sector.data(), sector.size());
  VmgiMat vmgi{};
  std::memcpy(vmgi.id, "DVDVIDEO-VMG", 12);
  vmgi.lastSector = 0x01020304;
  vmgi.ifoLastSector = 0x05060708;
  vmgi.version = 0x11;
  vmgi.category = 0x00FE0000;
  vmgi.titleSets = 3;
  vmgi.firstPlayPgc = 0x400;
  vmgi.menuVobs = 9;
  vmgi.ttSrpt = 1;
  vmgi.menuVobuAdmap = 8;
  vmgi.menuAudioCount = 1;
  ASSERT_TRUE(WriteVmgiMat(out, vmgi));
  struct Field {
    uint32_t at;
    std::vector<uint8_t> bytes;
  };
  const Field vmgFields[] = {
      {0x000, {'D', 'V', 'D', 'V', 'I', 'D', 'E', 'O', '-', 'V', 'M', 'G'}},
      {0x00C, {1, 2, 3, 4}}, {0x01C, {5, 6, 7, 8}}, {0x020, {0x5A, 0x11}},
      {0x022, {0x00, 0xFE, 0, 0}}, {0x03E, {0, 3}}, {0x084, {0, 0, 4, 0}},
      {0x0C0, {0, 0, 0, 9}}, {0x0C4, {0, 0, 0, 1}}, {0x0DC, {0, 0, 0, 8}},
      {0x0E0, {0x5A}}, {0x103, {1}}, {0x1FF, {0x5A}},
  };
  for (const Field& f : vmgFields)
    for (size_t i = 0; i < f.bytes.size(); ++i)
      EXPECT_EQ(sector[f.at + i], f.bytes[i]) << "VMGI_MAT 0x" << std::hex << f.at + i;

  std::fill(sector.begin(), sector.end(), 0x5A);
  VtsiMat vtsi{};
  std::memcpy(vtsi.id, "DVDVIDEO-VTS", 12);
  vtsi.titleVobs = 0x30;
  vtsi.pgcit = 2;
  vtsi.titleVobuAdmap = 7;
  vtsi.video = 0x4F01;
  vtsi.audioCount = 2;
  vtsi.audio[1][2] = 'f';
  vtsi.subpCount = 1;
  vtsi.subp[0][2] = 'e';
  vtsi.multichannel[7][23] = 0x77;
  IfoOut out2(sector.data(), sector.size());
  ASSERT_TRUE(WriteVtsiMat(out2, vtsi));
  const Field vtsFields[] = {
      {0x0C4, {0, 0, 0, 0x30}}, {0x0CC, {0, 0, 0, 2}}, {0x0E4, {0, 0, 0, 7}},
      {0x200, {0x4F, 0x01}},    {0x202, {0x5A, 2}},    {0x204 + 8 + 2, {'f'}},
      {0x255, {1}},             {0x256 + 2, {'e'}},    {0x3D7, {0x77}},
      {0x3D8, {0x5A}},
  };
  for (const Field& f : vtsFields)
    for (size_t i = 0; i < f.bytes.size(); ++i)
      EXPECT_EQ(sector[f.at + i], f.bytes[i]) << "VTSI_MAT 0x" << std::hex << f.at + i;

  VtsiMat back{};
  ASSERT_TRUE(ReadVtsiMat(IfoView(sector.data(), sector.size()), back));
  EXPECT_EQ(back.audio[1][2], 'f');
  EXPECT_EQ(back.titleVobuAdmap, 7u);
  EXPECT_FALSE(ReadVtsiMat(IfoView(sector.data(), kVtsiFieldsEnd - 1), back));
}

// A chain laid out unlike a fresh one: cell positions first, then the cell
// table, the program map and the commands last, with bytes between them
// and a command table whose end covers two bytes after its commands.
Bytes OddChain() {
  Bytes b(0xEC, 0);
  B8(b, 0x02, 1);             // one program
  B8(b, 0x03, 1);             // one cell
  B16(b, 0xEA, 0xEC);         // positions at once
  B16(b, 0xEC, 1);            // VOB 1
  B8(b, 0xEF, 1);             // cell 1
  B8(b, 0xF0, 0x77);          // a kept byte between tables
  B16(b, 0xE8, 0xF1);         // the cell table, at an odd offset
  B32(b, 0xF1 + 8, 5);
  B32(b, 0xF1 + 20, 9);
  B16(b, 0xE6, 0xF1 + 24);    // the program map
  B8(b, 0xF1 + 24, 1);
  B8(b, 0xF1 + 25, 0x55);     // padding after the map
  B16(b, 0xE4, 0xF1 + 26);    // the commands
  const size_t c = 0xF1 + 26;
  B16(b, c + 2, 1);           // one post command
  B16(b, c + 6, 8 + 8 + 2 - 1);
  B8(b, c + 8, 0x30);
  B8(b, c + 16, 0xAB);        // two bytes the table's end covers
  B8(b, c + 17, 0xCD);
  return b;
}

TEST(TableLayout, ChainInAnotherOrderComesBackAndGrowsInThatOrder) {
  auto pool = std::make_unique<BytePool>();
  Bytes src = OddChain();
  std::memcpy(pool->bytes, src.data(), src.size());
  pool->used = static_cast<uint32_t>(src.size());
  auto p = std::make_unique<Pgc>();
  IfoView v(pool->bytes, src.size());
  uint64_t end = 0;
  IfoStatus st;
  ASSERT_TRUE(ReadPgc(v, 0, src.size(), "PGC", *p, end, st)) << st.cause.c_str();
  EXPECT_EQ(end, src.size());
  EXPECT_EQ(p->postCount, 1);
  EXPECT_EQ(p->commandTail.len, 2u);
  EXPECT_EQ(p->cells[0].firstSector, 5u);

  std::vector<uint8_t> out(4096, 0xEE);
  IfoOut o(out.data(), out.size());
  ASSERT_TRUE(WritePgc(o, 0, *p, *pool, "PGC", end, st)) << st.cause.c_str();
  ASSERT_EQ(end, src.size());
  EXPECT_TRUE(std::equal(src.begin(), src.end(), out.begin()));

  // A second cell: the tables after the positions move by 4 and 28 bytes,
  // the kept bytes move with them.
  p->cellCount = 2;
  p->cells[1] = p->cells[0];
  p->positions[1] = {1, 0, 2};
  IfoOut o2(out.data(), out.size());
  ASSERT_TRUE(WritePgc(o2, 0, *p, *pool, "PGC", end, st)) << st.cause.c_str();
  EXPECT_EQ(end, src.size() + 4 + 24);
  EXPECT_EQ(ReadBe16(&out[0xEA]), 0xECu);
  EXPECT_EQ(out[0xF4], 0x77);
  EXPECT_EQ(ReadBe16(&out[0xE8]), 0xF5u);
  EXPECT_EQ(ReadBe16(&out[0xE6]), 0xF5u + 48);
  EXPECT_EQ(out[0xF5 + 48 + 1], 0x55);
  EXPECT_EQ(ReadBe16(&out[0xE4]), 0xF5u + 50);
  EXPECT_EQ(ReadBe16(&out[0xF5 + 50 + 6]), 17u);
  EXPECT_EQ(out[0xF5 + 50 + 16], 0xAB);
}

// The lenient walk over a program chain table: a chain of two cells at 0x20
// and one of one cell at 0x200, then the same table cut or bent. Every cell
// that lies wholly in the bytes is visited, the walk says whether all did.
TEST(CellPlaybackWalk, VisitsWhatCanBeReachedAndSaysWhetherThatWasAll) {
  const auto table = [] {
    Bytes b;
    B16(b, kPgcitCount, 2);
    B32(b, kPgcitSrps + kSrpPgcOffset, 0x20);
    B32(b, kPgcitSrps + kSrpBytes + kSrpPgcOffset, 0x200);
    for (uint32_t pgc : {0x20u, 0x200u}) {
      B8(b, pgc + kPgcCellCount, pgc == 0x20 ? 2 : 1);
      B16(b, pgc + kPgcCellPlayback, kPgcGiBytes);
    }
    B32(b, 0x20 + kPgcGiBytes + kCellLastSector, 11);
    B32(b, 0x20 + kPgcGiBytes + kCellPlaybackBytes + kCellLastSector, 22);
    B32(b, 0x200 + kPgcGiBytes + kCellLastSector, 33);
    return b;
  };
  const struct {
    const char* what;
    std::function<void(Bytes&)> bend;
    bool whole;
    std::vector<uint32_t> seen;  // the cells' last sectors, in the walk's order
  } cases[] = {
      {"whole", [](Bytes&) {}, true, {11, 22, 33}},
      {"last cell cut short", [](Bytes& b) { b.resize(b.size() - 1); }, false, {11, 22}},
      {"first chain past the end", [](Bytes& b) { B32(b, kPgcitSrps + kSrpPgcOffset, 0xFFFF0000u); },
       false, {33}},
      {"cell table past the end", [](Bytes& b) { B16(b, 0x200 + kPgcCellPlayback, 0xF000); }, false,
       {11, 22}},
      {"chain count past the pointers", [](Bytes& b) { B16(b, kPgcitCount, 0x4000); }, false,
       {11, 22, 33}},
      {"no table", [](Bytes& b) { b.resize(1); }, false, {}},
  };
  for (const auto& c : cases) {
    Bytes b = table();
    c.bend(b);
    const IfoView v(b.data(), b.size());
    std::vector<uint32_t> seen;
    const bool whole = ForEachCellPlayback(v, 0, [&](uint64_t cell) {
      uint32_t last = 0;
      ASSERT_TRUE(v.U32(cell + kCellLastSector, last));
      seen.push_back(last);
    });
    EXPECT_EQ(whole, c.whole) << c.what;
    EXPECT_EQ(seen, c.seen) << c.what;
  }
}

}  // namespace
}  // namespace vm

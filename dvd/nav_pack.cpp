#include "dvd/nav_pack.h"

#include <cstring>

#include "common/be.h"

namespace vm::dvd {

void ReadPciGi(const uint8_t* p, PciGi& g) {
  g.lbn = ReadBe32(p + kNavPciLbn);
  g.vobuCategory = ReadBe16(p + kNavVobuCategory);
  g.reserved = ReadBe16(p + kNavPciReserved);
  g.uopCtl = ReadBe32(p + kNavVobuUopCtl);
  g.startPtm = ReadBe32(p + kNavVobuSPtm);
  g.endPtm = ReadBe32(p + kNavVobuEPtm);
  g.sequenceEndPtm = ReadBe32(p + kNavVobuSeEPtm);
  std::memcpy(g.eltm, p + kNavPciEltm, 4);
  std::memcpy(g.isrc, p + kNavVobuIsrc, kNavIsrcBytes);
}

void WritePciGi(uint8_t* p, const PciGi& g) {
  WriteBe32(p + kNavPciLbn, g.lbn);
  WriteBe16(p + kNavVobuCategory, g.vobuCategory);
  WriteBe16(p + kNavPciReserved, g.reserved);
  WriteBe32(p + kNavVobuUopCtl, g.uopCtl);
  WriteBe32(p + kNavVobuSPtm, g.startPtm);
  WriteBe32(p + kNavVobuEPtm, g.endPtm);
  WriteBe32(p + kNavVobuSeEPtm, g.sequenceEndPtm);
  std::memcpy(p + kNavPciEltm, g.eltm, 4);
  std::memcpy(p + kNavVobuIsrc, g.isrc, kNavIsrcBytes);
}

void ReadDsiGi(const uint8_t* p, DsiGi& g) {
  g.scr = ReadBe32(p + kNavDsiScr);
  g.lbn = ReadBe32(p + kNavDsiLbn);
  g.vobuEa = ReadBe32(p + kNavVobuEa);
  for (int i = 0; i < 3; ++i) g.refEa[i] = ReadBe32(p + kNavRefEa + 4 * i);
  g.vobId = ReadBe16(p + kNavVobIdn);
  g.cellIdHigh = p[kNavCellIdnHigh];
  g.cellId = p[kNavCellIdn];
  std::memcpy(g.cellEltm, p + kNavDsiCEltm, 4);
}

void WriteDsiGi(uint8_t* p, const DsiGi& g) {
  WriteBe32(p + kNavDsiScr, g.scr);
  WriteBe32(p + kNavDsiLbn, g.lbn);
  WriteBe32(p + kNavVobuEa, g.vobuEa);
  for (int i = 0; i < 3; ++i) WriteBe32(p + kNavRefEa + 4 * i, g.refEa[i]);
  WriteBe16(p + kNavVobIdn, g.vobId);
  p[kNavCellIdnHigh] = g.cellIdHigh;
  p[kNavCellIdn] = g.cellId;
  std::memcpy(p + kNavDsiCEltm, g.cellEltm, 4);
}

}  // namespace vm::dvd

// A test-only writer of synthetic DVD-Video title sets, byte by byte, so
// that tests can hold the reader and the writers against hand-made input.
//
// What it offers:
//  - VIDEO_TS.IFO with a title count and per-title angle counts;
//  - VTS_01_0.IFO with the PGCs, program maps and cells asked for (first
//    VOBU sector, ILVU end sector, last sector), and the named offsets
//    below so that a test can break any table offset afterwards;
//  - packs: NAV packs (SCR, C_ELTM, VOBU_EA, VOBU category), video packs
//    (00 00 01 E0, optionally opening with a sequence header), private
//    stream 1 packs with a substream number (audio 0x80+n, subpicture
//    0x20+n), padding packs, damaged pack headers;
//  - VOB files written VOBU by VOBU, optionally with data packs before the
//    first NAV pack, under any file name (lower case, two digits, many);
//  - sparse files (ftruncate) with a few real sectors at chosen places, for
//    the size limits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vm::testing {

constexpr int kSynthSector = 2048;
using Bytes = std::vector<uint8_t>;

// Field offsets of the information files, from the DVD-Video layout.
constexpr int kVtsiPgciSectorOffset = 0xCC;   // VTSI_MAT: VTS_PGCI start sector
constexpr int kPgcCellCountOffset = 3;
constexpr int kPgcProgramMapOffset = 0xE6;
constexpr int kPgcCellPlaybackOffset = 0xE8;
constexpr int kPgcCellPositionOffset = 0xEA;
constexpr int kPgcHeaderBytes = 0xEC;
constexpr int kCellPlaybackBytes = 24;

// NAV pack fields.
constexpr int kNavCeltmOffset = 0x45;     // PCI_GI C_ELTM
constexpr int kNavVobuEaOffset = 0x40F;   // DSI_GI VOBU_EA
constexpr int kNavCategoryOffset = 0x427; // SML_PBI VOBU category
constexpr uint8_t kCatInterleaved = 0x40, kCatUnitStart = 0x20, kCatUnitEnd = 0x10;

struct SynthCell {
  uint32_t firstSector = 0;    // first VOBU start sector
  uint32_t ilvuEndSector = 0;  // non-zero: interleaved
  uint32_t lastVobuSector = 0;
  uint32_t lastSector = 0;
};

struct SynthPgc {
  std::vector<uint8_t> programMap;  // entry cell number of each program (1-based)
  std::vector<SynthCell> cells;
};

// VIDEO_TS.IFO of `titles` titles, each with `angles` angles (3 sectors).
Bytes BuildVmgIfo(int titles, int angles);
// VTS_01_0.IFO with its VTS_PGCI at `pgciSector` holding the PGCs in order.
// Returns the bytes; `pgcOffsets` (if given) receives each PGC's byte
// offset in the file.
Bytes BuildVtsIfo(const std::vector<SynthPgc>& pgcs, int pgciSector = 1,
                  std::vector<int>* pgcOffsets = nullptr);
// One PGC whose programs are its cells 1..n, cells starting at the sectors.
SynthPgc PgcOfCells(const std::vector<uint32_t>& cellFirstSectors);

// Big-endian patching for tests that break a table; the buffer grows with
// zeros when the field lies past its end.
void PutBe16(Bytes& b, size_t offset, uint32_t v);
void PutBe32(Bytes& b, size_t offset, uint32_t v);

// Packs, each one sector with the pack header and the given 32-bit SCR.
struct NavFields {
  uint32_t scr = 0;
  int celtmFrames = 0;     // cell elapsed time (30 frames/s), 0 = cell start
  uint32_t vobuEa = 0;     // sectors after the NAV pack to the VOBU's last pack
  uint8_t category = 0;    // first byte of the VOBU category
  uint32_t sPtm = 0, ePtm = 0;  // PCI VOBU_S_PTM, VOBU_E_PTM (90 kHz)
};
Bytes NavPack(const NavFields& f);
Bytes VideoPack(uint32_t scr, bool sequenceHeader = false, int width = 720, int height = 480);
Bytes PrivatePack(uint32_t scr, uint8_t substream);
Bytes PaddingPack(uint32_t scr);
Bytes DamagedPack();  // a sector without the pack start code

// A VOBU of `packs` packs (NAV pack first, then one video pack with a
// sequence header, then padding), VOBU_EA = packs − 1 unless given.
struct SynthVobu {
  uint32_t scr = 0;
  int celtmFrames = 0;
  uint8_t category = 0;
  int packs = 4;
  int64_t vobuEa = -1;  // -1: packs - 1
  // Presentation time of the VOBU, from 0.3 s after its SCR; 0 leaves
  // both PTM fields 0 (damaged).
  uint32_t ptmTicks = 45000;
};
Bytes VobuBytes(const SynthVobu& v);

// VOBUs of `packs` packs with SCRs 0.5 s apart, each presenting 0.5 s, and
// cell starts where asked.
std::vector<SynthVobu> EvenVobus(int count, int packs, const std::vector<int>& cellStarts = {0});

// A title set folder: the files given by name and content.
class SynthTitleSet {
 public:
  explicit SynthTitleSet(std::string folder);  // ends in '/', must exist
  const std::string& folder() const { return folder_; }

  // The usual pair of information files: one title, one angle, one PGC
  // whose cells start at the given sectors.
  bool WriteIfos(const std::vector<uint32_t>& cellFirstSectors,
                 const std::string& vmgName = "VIDEO_TS.IFO",
                 const std::string& vtsName = "VTS_01_0.IFO");
  bool WriteFile(const std::string& name, const Bytes& bytes);
  // Writes the VOBUs after `leadingPacks` padding packs; returns sectors.
  int64_t WriteVob(const std::string& name, const std::vector<SynthVobu>& vobus,
                   int leadingPacks = 0);
  // A sparse file of `bytes` bytes (holes read as zeros).
  bool WriteSparse(const std::string& name, int64_t bytes);
  // Writes sectors at a sector position of an existing file.
  bool WriteAt(const std::string& name, int64_t sector, const Bytes& sectors);

 private:
  std::string folder_;
};

}  // namespace vm::testing

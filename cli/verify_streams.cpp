// The streams a title set and each program chain declare against the packs
// of the chain's cells: a declared stream that no pack carries is a fault.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

namespace vm::verify {

std::vector<uint8_t> Checker::ReadMat(int v) {
  std::vector<uint8_t> mat(dvd::kPackBytes);
  File ifo(DVDOpenFile(reader_.get(), v, DVD_READ_INFO_FILE));
  const ssize_t got = ifo ? DVDReadBytes(ifo.get(), mat.data(), mat.size()) : 0;
  mat.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return mat;
}

void Checker::CheckDeclaredStreams(const ifo_handle_t& vts, const std::string& ifoName, int number,
                                   const pgc_t& pgc, const std::vector<uint8_t>& mat) {
  if (pgc.cell_position == nullptr) return;
  PackStreams carried;
  for (int c = 0; c < pgc.nr_of_cells; ++c) {
    const cell_position_t& pos = pgc.cell_position[c];
    const cell_adr_t* a = FindCell(vts, pos.vob_id_nr, pos.cell_nr);
    if (a == nullptr) continue;
    auto [lo, hi] = NavsIn(a->start_sector, a->last_sector);
    for (size_t i = lo; i < hi && i < vobuStreams_.size(); ++i) carried.Add(vobuStreams_[i]);
  }
  // Copied out of the packed structure, element by element.
  uint16_t audio[8];
  uint32_t subpic[32];
  for (int k = 0; k < 8; ++k) audio[k] = pgc.audio_control[k];
  for (int k = 0; k < 32; ++k) subpic[k] = pgc.subp_control[k];
  for (const std::string& what :
       DeclaredStreamsWithoutPacks(mat.data(), mat.size(), audio, subpic, carried))
    Fault(ifoName + Format(" PGC %d", number), what);
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

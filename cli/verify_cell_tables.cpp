// A title set's VOBU address map and cell address table against the
// navigation packs.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

#include <algorithm>

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

void Checker::CheckAdmap(const ifo_handle_t& vts, const std::string& ifoName) {
  const vobu_admap_t* map = vts.vts_vobu_admap;
  if (map == nullptr) {
    Fault(ifoName + " VOBU_ADMAP", "missing");
    return;
  }
  const size_t entries = map->last_byte + 1 >= VOBU_ADMAP_SIZE
                             ? (map->last_byte + 1 - VOBU_ADMAP_SIZE) / 4
                             : 0;
  if (entries != navs_.size())
    Fault(ifoName + " VOBU_ADMAP",
          Format("%zu entries, the title VOBs hold %zu NAV packs", entries, navs_.size()));
  for (size_t k = 0; k < std::min(entries, navs_.size()); ++k) {
    if (map->vobu_start_sectors[k] != navs_[k].sector) {
      Fault(ifoName + Format(" VOBU_ADMAP entry %zu", k + 1),
            Format("sector %u, VOBU %zu starts at %u", map->vobu_start_sectors[k], k + 1,
                   navs_[k].sector));
      break;
    }
  }
}

// The NAV packs from `first` to `last`, as indices [a, b).
std::pair<size_t, size_t> Checker::NavsIn(uint32_t first, uint32_t last) const {
  auto lo = std::lower_bound(navs_.begin(), navs_.end(), first,
                             [](const Nav& n, uint32_t s) { return n.sector < s; });
  auto hi = std::upper_bound(navs_.begin(), navs_.end(), last,
                             [](uint32_t s, const Nav& n) { return s < n.sector; });
  return {static_cast<size_t>(lo - navs_.begin()), static_cast<size_t>(hi - navs_.begin())};
}

void Checker::CheckCadt(const ifo_handle_t& vts, const std::string& ifoName, uint32_t sectors) {
  const c_adt_t* c = vts.vts_c_adt;
  if (c == nullptr) {
    Fault(ifoName + " C_ADT", "missing");
    return;
  }
  const size_t n = c->last_byte + 1 >= C_ADT_SIZE
                       ? (c->last_byte + 1 - C_ADT_SIZE) / sizeof(cell_adr_t)
                       : 0;
  uint64_t expect = 0;
  for (size_t k = 0; k < n; ++k) {
    const cell_adr_t& a = c->cell_adr_table[k];
    const std::string place =
        ifoName + Format(" C_ADT entry %zu (VOB %u cell %u)", k + 1, a.vob_id, a.cell_id);
    if (a.start_sector != expect)
      Fault(place, Format("starts at sector %u, the entry before ends at %llu", a.start_sector,
                          static_cast<unsigned long long>(expect) - 1));
    if (a.last_sector < a.start_sector || a.last_sector >= sectors) {
      Fault(place, Format("sectors %u to %u, the title VOBs hold %u", a.start_sector,
                          a.last_sector, sectors));
    } else {
      auto [lo, hi] = NavsIn(a.start_sector, a.last_sector);
      if (lo == hi || navs_[lo].sector != a.start_sector)
        Fault(place, Format("sector %u is no NAV pack", a.start_sector));
      for (size_t i = lo; i < hi; ++i) {
        if (navs_[i].vobIdn != a.vob_id || navs_[i].cellIdn != a.cell_id) {
          Fault(place, Format("the NAV pack at sector %u says VOB %u cell %u", navs_[i].sector,
                              navs_[i].vobIdn, navs_[i].cellIdn));
          break;
        }
      }
    }
    expect = static_cast<uint64_t>(a.last_sector) + 1;
  }
  if (expect != sectors)
    Fault(ifoName + " C_ADT",
          Format("the cells end at sector %llu, the title VOBs at %u",
                 static_cast<unsigned long long>(expect) - 1, sectors - 1));
}

const cell_adr_t* Checker::FindCell(const ifo_handle_t& vts, uint16_t vob, uint8_t cell) const {
  const c_adt_t* c = vts.vts_c_adt;
  if (c == nullptr) return nullptr;
  const size_t n = c->last_byte + 1 >= C_ADT_SIZE
                       ? (c->last_byte + 1 - C_ADT_SIZE) / sizeof(cell_adr_t)
                       : 0;
  for (size_t k = 0; k < n; ++k)
    if (c->cell_adr_table[k].vob_id == vob && c->cell_adr_table[k].cell_id == cell)
      return &c->cell_adr_table[k];
  return nullptr;
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

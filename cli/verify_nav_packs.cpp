// The navigation packs of a title set's title VOBs: their addresses, VOBU
// ends and search pointers.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

#include <algorithm>
#include <cstring>

#include "common/be.h"
#include "dvd/scrambling.h"

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

// Reads every navigation pack of the title VOBs.
bool Checker::ScanNavPacks(int v, const std::string& where, uint32_t& sectors) {
  File f(DVDOpenFile(reader_.get(), v, DVD_READ_TITLE_VOBS));
  if (!f) {
    Fault(where, "the title VOB files cannot be opened");
    return false;
  }
  dvd_stat_t st{};
  if (DVDFileStat(reader_.get(), v, DVD_READ_TITLE_VOBS, &st) == 0) {
    for (int p = 0; p < st.nr_parts && p < 9; ++p)
      if (st.parts_size[p] % kPackBytes != 0)
        Fault(Format("VTS_%02d_%d.VOB", v, p + 1),
              Format("%lld bytes, not a whole number of sectors",
                     static_cast<long long>(st.parts_size[p])));
  }
  const ssize_t size = DVDFileSize(f.get());
  sectors = size > 0 ? static_cast<uint32_t>(size) : 0;
  totalSectors_ += sectors;
  navs_.clear();
  vobuStreams_.clear();
  haveSequence_ = false;
  std::vector<uint8_t> buf(static_cast<size_t>(kReadChunkSectors) * kPackBytes);
  uint32_t scrambled = 0, firstScrambled = 0;
  // Said however the scan ends.
  auto sayScrambled = [&] {
    if (scrambled > 0)
      Fault(where, Format("encrypted: %u CSS-scrambled packs, the first at sector %u; the title "
                          "must be decrypted",
                          scrambled, firstScrambled));
  };
  for (uint32_t s = 0; s < sectors; s += kReadChunkSectors) {
    const uint32_t want = std::min<uint32_t>(kReadChunkSectors, sectors - s);
    if (DVDReadBlocks(f.get(), static_cast<int>(s), want, buf.data()) !=
        static_cast<ssize_t>(want)) {
      Fault(Format("%s sector %u", where.c_str(), s), "cannot be read");
      sectors = s;
      break;
    }
    for (uint32_t k = 0; k < want; ++k) {
      const uint8_t* p = buf.data() + static_cast<size_t>(k) * kPackBytes;
      if (IsScrambledPack(p) && scrambled++ == 0) firstScrambled = s + k;
      if (!haveSequence_) haveSequence_ = FindSequenceHeader(p, sequence_);
      if (!IsNavPack(p)) {
        if (!vobuStreams_.empty()) vobuStreams_.back().Note(p);
        continue;
      }
      if (navs_.size() == kMaxNavPacks) {
        Fault(where, Format("more than %zu NAV packs; the check goes no further", kMaxNavPacks));
        sectors = s + k;
        sayScrambled();
        return true;
      }
      Nav n{};
      n.sector = s + k;
      n.pciLbn = ReadBe32(p + kNavPciLbn);
      n.dsiLbn = ReadBe32(p + kNavDsiLbn);
      n.vobuEa = ReadBe32(p + kNavVobuEa);
      n.vobIdn = ReadBe16(p + kNavVobIdn);
      n.cellIdn = p[kNavCellIdn];
      std::memcpy(n.cEltm, p + kNavDsiCEltm, sizeof n.cEltm);
      std::memcpy(n.pciEltm, p + kNavPciEltm, sizeof n.pciEltm);
      n.sPtm = ReadBe32(p + kNavVobuSPtm);
      n.ePtm = ReadBe32(p + kNavVobuEPtm);
      for (int e = 0; e < kSriEntries; ++e) n.sri[e] = ReadBe32(p + kSriNextVideo + 4 * e);
      navs_.push_back(n);
      vobuStreams_.emplace_back();
    }
  }
  sayScrambled();
  FlushLog(where);
  return true;
}

// The navigation pack at `sector`, or nullptr.
const Nav* Checker::NavAt(uint64_t sector) const {
  auto it = std::lower_bound(navs_.begin(), navs_.end(), sector,
                             [](const Nav& n, uint64_t s) { return n.sector < s; });
  return it != navs_.end() && it->sector == sector ? &*it : nullptr;
}

void Checker::CheckNavPacks(const std::string& where, uint32_t sectors) {
  for (size_t i = 0; i < navs_.size(); ++i) {
    const Nav& n = navs_[i];
    const std::string place = Format("%s sector %u", where.c_str(), n.sector);
    if (n.dsiLbn != n.sector) Fault(place, Format("DSI NV_PCK_LBN is %u", n.dsiLbn));
    if (n.pciLbn != n.sector) Fault(place, Format("PCI NV_PCK_LBN is %u", n.pciLbn));
    const uint32_t end = i + 1 < navs_.size() ? navs_[i + 1].sector : sectors;
    if (static_cast<uint64_t>(n.sector) + n.vobuEa + 1 != end)
      Fault(place, Format("VOBU_EA %u ends the VOBU at sector %llu, the next VOBU starts at %u",
                          n.vobuEa, static_cast<unsigned long long>(n.sector) + n.vobuEa, end));
    for (int e = 0; e < kSriEntries; ++e) {
      const uint32_t off = n.sri[e] & kSriOffsetMask;
      if (off == kSriNone) continue;
      const int64_t target = e < kSriForwardEntries ? static_cast<int64_t>(n.sector) + off
                                                    : static_cast<int64_t>(n.sector) - off;
      const Nav* t = target >= 0 ? NavAt(static_cast<uint64_t>(target)) : nullptr;
      if (t == nullptr) {
        Fault(place, Format("VOBU_SRI entry %d (%08X) points at sector %lld, no NAV pack", e,
                            n.sri[e], static_cast<long long>(target)));
      } else if (t->vobIdn != n.vobIdn || t->cellIdn != n.cellIdn) {
        Fault(place, Format("VOBU_SRI entry %d (%08X) points into VOB %u cell %u, this VOBU "
                            "is in VOB %u cell %u",
                            e, n.sri[e], t->vobIdn, t->cellIdn, n.vobIdn, n.cellIdn));
      }
    }
  }
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

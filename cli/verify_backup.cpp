// Each information file against its backup, in pieces.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

#include <algorithm>

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

// Compares the two files in pieces, so that no size read from the volume
// sizes a buffer.
void Checker::CompareBackup(int n, const std::string& stem) {
  const std::string ifoName = stem + ".IFO", bupName = stem + ".BUP";
  dvd_stat_t ifoStat{}, bupStat{};
  const bool haveIfo = DVDFileStat(reader_.get(), n, DVD_READ_INFO_FILE, &ifoStat) == 0;
  const bool haveBup = DVDFileStat(reader_.get(), n, DVD_READ_INFO_BACKUP_FILE, &bupStat) == 0;
  File ifo(haveIfo ? DVDOpenFile(reader_.get(), n, DVD_READ_INFO_FILE) : nullptr);
  File bup(haveBup ? DVDOpenFile(reader_.get(), n, DVD_READ_INFO_BACKUP_FILE) : nullptr);
  if (!ifo) Fault(ifoName, "cannot be opened");
  if (!bup) Fault(bupName, "cannot be opened");
  if (!ifo || !bup) return;
  if (ifoStat.size != bupStat.size) {
    Fault(bupName, Format("%lld bytes, %s has %lld", static_cast<long long>(bupStat.size),
                          ifoName.c_str(), static_cast<long long>(ifoStat.size)));
    return;
  }
  std::vector<uint8_t> a(kComparePieceBytes), b(kComparePieceBytes);
  for (int64_t done = 0; done < ifoStat.size;) {
    const size_t want =
        static_cast<size_t>(std::min<int64_t>(kComparePieceBytes, ifoStat.size - done));
    if (DVDReadBytes(ifo.get(), a.data(), want) != static_cast<ssize_t>(want)) {
      Fault(ifoName, Format("cannot be read at byte %lld", static_cast<long long>(done)));
      return;
    }
    if (DVDReadBytes(bup.get(), b.data(), want) != static_cast<ssize_t>(want)) {
      Fault(bupName, Format("cannot be read at byte %lld", static_cast<long long>(done)));
      return;
    }
    const auto end = a.begin() + static_cast<std::ptrdiff_t>(want);
    const auto diff = std::mismatch(a.begin(), end, b.begin());
    if (diff.first != end) {
      Fault(bupName, Format("differs from %s at byte %lld", ifoName.c_str(),
                            static_cast<long long>(done + (diff.first - a.begin()))));
      return;
    }
    done += static_cast<int64_t>(want);
  }
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

// Each information file read through the format layer's model, the way
// re-authoring reads it: a table the model refuses (an offset or count that
// leads outside it, more than the format allows) is a fault of that file.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

namespace vm::verify {

void Checker::CheckIfoTables(int n, const std::string& ifoName) {
  dvd_stat_t st{};
  if (DVDFileStat(reader_.get(), n, DVD_READ_INFO_FILE, &st) != 0) return;  // the backup check says so
  if (st.size > static_cast<int64_t>(dvd::kMaxIfoBytes)) {
    Fault(ifoName, Format("%lld bytes, more than an information file may hold",
                          static_cast<long long>(st.size)));
    return;
  }
  File f(DVDOpenFile(reader_.get(), n, DVD_READ_INFO_FILE));
  if (!f) return;
  std::vector<uint8_t> bytes(static_cast<size_t>(st.size));
  if (DVDReadBytes(f.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    Fault(ifoName, "cannot be read");
    return;
  }
  if (!model_) model_ = std::make_unique<dvd::IfoModel>();
  dvd::IfoStatus status;
  if (!dvd::ReadIfo(bytes.data(), bytes.size(), *model_, status)) {
    Fault(ifoName, status.cause.c_str());
    return;
  }
  CheckPlacement(n, *model_);
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

// A title set's video attributes against the first sequence header of its
// title VOBs.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

// The attribute bytes as the file holds them: libdvdread's bit fields
// of them depend on how the compiler lays bit fields out.
void Checker::CheckVideoAttributes(int v, const std::string& ifoName) {
  const std::string place = ifoName + " VTS_V_ATR";
  if (!haveSequence_) {
    Fault(place, "the title VOBs hold no sequence header to check it with");
    return;
  }
  File ifo(DVDOpenFile(reader_.get(), v, DVD_READ_INFO_FILE));
  uint8_t head[kVtsVideoAttributes + 2];
  if (!ifo || DVDReadBytes(ifo.get(), head, sizeof head) != static_cast<ssize_t>(sizeof head)) {
    Fault(place, "cannot be read");
    return;
  }
  const std::string differs = CompareVideoAttributes(head + kVtsVideoAttributes, sequence_);
  if (!differs.empty()) Fault(place, differs);
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

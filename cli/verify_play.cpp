// Each title played through with libdvdnav, to its end.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

void Checker::PlayTitle(const std::string& path, int title, int vts, int parts) {
  const std::string place = Format("title %d (VTS_%02d)", title, vts);
  dvdnav_t* raw = nullptr;
  // libdvdnav's notes (device names, regions) are left unsaid; what goes
  // wrong in playing shows in its status.
  dvdnav_logger_cb quiet = {[](void*, dvdnav_logger_level_t, const char*, va_list) {}};
  if (dvdnav_open2(&raw, nullptr, &quiet, path.c_str()) != DVDNAV_STATUS_OK) {
    if (raw != nullptr) dvdnav_close(raw);
    Fault(place, "libdvdnav cannot open the volume");
    return;
  }
  std::unique_ptr<dvdnav_t, dvdnav_status_t (*)(dvdnav_t*)> nav(raw, dvdnav_close);
  if (dvdnav_title_play(nav.get(), title) != DVDNAV_STATUS_OK) {
    Fault(place, Format("libdvdnav cannot play it: %s", dvdnav_err_to_string(nav.get())));
    return;
  }
  uint8_t buf[kPackBytes];
  int32_t lastPart = 0;
  int partsSeen = 0;
  int64_t blocks = 0;
  bool ended = false;
  // Every sector of the volume a few times over: a volume whose commands
  // loop ends here.
  const int64_t events = 4 * totalSectors_ + 100000;
  for (int64_t i = 0; i < events; ++i) {
    int ev = 0, len = 0;
    if (dvdnav_get_next_block(nav.get(), buf, &ev, &len) != DVDNAV_STATUS_OK) {
      Fault(place, Format("libdvdnav stopped playing: %s", dvdnav_err_to_string(nav.get())));
      return;
    }
    if (ev == DVDNAV_BLOCK_OK || ev == DVDNAV_NAV_PACKET) ++blocks;
    if (ev == DVDNAV_CELL_CHANGE) {
      int32_t t = 0, part = 0;
      if (dvdnav_current_title_info(nav.get(), &t, &part) == DVDNAV_STATUS_OK) {
        if (t != title) {  // played past the title's end into another
          ended = true;
          break;
        }
        if (part != lastPart) {
          ++partsSeen;
          lastPart = part;
        }
      }
    }
    if (ev == DVDNAV_STILL_FRAME) dvdnav_still_skip(nav.get());
    if (ev == DVDNAV_WAIT) dvdnav_wait_skip(nav.get());
    if (ev == DVDNAV_STOP) {
      ended = true;
      break;
    }
  }
  if (!ended) Fault(place, "libdvdnav did not come to the title's end");
  if (partsSeen != parts)
    Fault(place, Format("libdvdnav played %d of its %d chapters", partsSeen, parts));
  const size_t k = static_cast<size_t>(title - 1);
  if (ended && k < titleBlocks_.size() && titleBlocks_[k] >= 0 && blocks != titleBlocks_[k])
    Fault(place, Format("libdvdnav played %lld sectors, its cells hold %lld",
                        static_cast<long long>(blocks), static_cast<long long>(titleBlocks_[k])));
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY

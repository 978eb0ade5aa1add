// The time checks of the volume check: a program chain's cell playback
// times, the cell elapsed time in each navigation pack and the chain's
// playback time against the presentation time the navigation packs carry
// (VOBU_E_PTM - VOBU_S_PTM of each VOBU), and the time codes' frame-rate
// bits against the title set's video standard. Free of libdvdread: the
// check hands over what it read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vm {

struct TimeFinding {
  bool fault;  // false: a warning
  std::string place;
  std::string what;
};

// One navigation pack as the time checks see it.
struct TimedNav {
  uint32_t sector;
  uint8_t cEltm[4];    // DSI C_ELTM
  uint8_t pciEltm[4];  // PCI C_ELTM: players read this copy too
  uint32_t sPtm, ePtm;
};

class TimeChecker {
 public:
  // `pal`: the title set's video attributes say 625/50.
  TimeChecker(bool pal, std::vector<TimeFinding>& out) : pal_(pal), out_(out) {}

  // A cell of the chain, its navigation packs in order; `where` names the
  // cell ("VTS_01_0.IFO PGC 1 cell 2"), `vobs` the title VOBs ("VTS_01").
  void Cell(const std::string& where, const std::string& vobs, const uint8_t playback[4],
            const TimedNav* navs, size_t count);

  // After its cells: the chain's playback time.
  void Chain(const std::string& where, const uint8_t playback[4]);

 private:
  void Rate(const std::string& place, const char* field, const uint8_t tc[4]);
  // A time code against a presentation time: a fault past half a second, a
  // warning past a frame.
  void Compare(const std::string& place, const char* field, const uint8_t tc[4], int64_t ticks,
               const char* against);

  bool pal_;
  std::vector<TimeFinding>& out_;
  int64_t chainTicks_ = 0;
  bool chainKnown_ = true;  // no VOBU of the chain had damaged PTMs
  bool rateSaid_ = false;   // one rate finding per chain is enough
};

}  // namespace vm

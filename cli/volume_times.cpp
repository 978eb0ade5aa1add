#include "cli/volume_times.h"

#include <cstdio>
#include <cstdlib>

#include "common/timecode.h"

namespace vm {

namespace {

constexpr int64_t kFaultMs = 500;
constexpr int64_t kTicksPerMs = 90;
constexpr uint8_t kRateBits25 = 1, kRateBits2997 = 3;

// "12.345 s"
std::string Seconds(double ms) {
  char text[40];
  std::snprintf(text, sizeof text, "%.3f s", ms / 1000.0);
  return text;
}

std::string Sector(const std::string& vobs, uint32_t sector) {
  return vobs + " sector " + std::to_string(sector);
}

}  // namespace

void TimeChecker::Rate(const std::string& place, const char* field, const uint8_t tc[4]) {
  if (rateSaid_) return;
  const int bits = tc[3] >> 6;
  const int want = pal_ ? kRateBits25 : kRateBits2997;
  if (bits == want) return;
  rateSaid_ = true;
  out_.push_back({true, place,
                  std::string(field) + " frame-rate bits " + std::to_string(bits >> 1) +
                      std::to_string(bits & 1) + ", the video attributes say " +
                      (pal_ ? "625/50 (01, 25 frames/s)" : "525/60 (11, 29.97 frames/s)")});
}

void TimeChecker::Compare(const std::string& place, const char* field, const uint8_t tc[4],
                          int64_t ticks, const char* against) {
  const double frameMs = pal_ ? 40.0 : 1001.0 / 30.0;
  const int64_t ms = TimeCodeMs(tc);
  const double presented = static_cast<double>(ticks) / kTicksPerMs;
  const double off = static_cast<double>(ms) - presented;
  // A code is rounded to a frame, and read back in whole milliseconds.
  if (std::abs(off) <= frameMs + 1) return;
  const bool fault = std::abs(off) > kFaultMs;
  out_.push_back({fault, place,
                  std::string(field) + " " + Seconds(static_cast<double>(ms)) + ", " + against +
                      " " + Seconds(presented) + " (" + (off > 0 ? "+" : "") +
                      Seconds(off) + ")"});
}

void TimeChecker::Cell(const std::string& where, const std::string& vobs,
                       const uint8_t playback[4], const TimedNav* navs, size_t count) {
  Rate(where, "playback time", playback);
  int64_t ticks = 0;
  // The DSI's cell elapsed time and the PCI's copy of it, each checked on
  // its own: either going back within the cell is a fault.
  struct Copy {
    const char* field;
    const uint8_t* (*of)(const TimedNav&);
    int64_t last;
  } copies[] = {
      {"C_ELTM", [](const TimedNav& n) -> const uint8_t* { return n.cEltm; }, -1},
      {"PCI C_ELTM", [](const TimedNav& n) -> const uint8_t* { return n.pciEltm; }, -1},
  };
  bool known = true;
  for (size_t i = 0; i < count; ++i) {
    const TimedNav& n = navs[i];
    const std::string place = Sector(vobs, n.sector);
    for (Copy& c : copies) {
      const uint8_t* tc = c.of(n);
      Rate(place, c.field, tc);
      const int64_t eltm = TimeCodeMs(tc);
      if (eltm < c.last) {
        out_.push_back({true, place,
                        std::string(c.field) + " " + Seconds(static_cast<double>(eltm)) +
                            " goes back from " + Seconds(static_cast<double>(c.last)) +
                            " within " + where});
      } else if (known) {
        Compare(place, c.field, tc, ticks, "the cell's VOBUs before present");
      }
      c.last = eltm;
    }
    if (n.ePtm > n.sPtm) {
      ticks += n.ePtm - n.sPtm;
    } else if (known) {
      known = false;
      out_.push_back({false, place,
                      "VOBU_S_PTM and VOBU_E_PTM give no presentation time; the times from "
                      "here to the end of " + where + " are not checked"});
    }
  }
  if (known) Compare(where, "playback time", playback, ticks, "its VOBUs present");
  chainTicks_ += ticks;
  chainKnown_ = chainKnown_ && known;
}

void TimeChecker::Chain(const std::string& where, const uint8_t playback[4]) {
  Rate(where, "playback time", playback);
  if (chainKnown_) Compare(where, "playback time", playback, chainTicks_, "its VOBUs present");
}

}  // namespace vm

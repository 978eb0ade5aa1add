// DVD-Video BCD time codes (hh mm ss ff, frame-rate code in the top two bits
// of the frame byte) converted to and from a frame count at 30 frames/s.
#pragma once

#include <cstdint>

namespace vm {

constexpr int kFramesPerHour = 108000;
constexpr int kFramesPerMinute = 1800;
constexpr int kFramesPerSecond = 30;
constexpr uint8_t kFrameRate30 = 0xC0;  // frame-rate code 11

inline int BcdValue(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }
inline uint8_t ToBcd(int v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); }

// Only the low digit of the hours counts; the tens digit and the frame-rate
// bits are ignored, as players count cell time within one hour digit.
inline int TimeCodeToFrames(const uint8_t tc[4]) {
  int frames = ((tc[3] >> 4) & 3) * 10 + (tc[3] & 0x0F);
  return (tc[0] & 0x0F) * kFramesPerHour + BcdValue(tc[1]) * kFramesPerMinute +
         BcdValue(tc[2]) * kFramesPerSecond + frames;
}

// The hours byte is written as a plain number, the rest as BCD.
inline void FramesToTimeCode(int frames, uint8_t tc[4]) {
  tc[0] = static_cast<uint8_t>(frames / kFramesPerHour);
  tc[1] = ToBcd((frames / kFramesPerMinute) % 60);
  tc[2] = ToBcd((frames / kFramesPerSecond) % 60);
  tc[3] = static_cast<uint8_t>(ToBcd(frames % kFramesPerSecond) + kFrameRate30);
}

// A 25 frames/s code (frame-rate code 01) counts its frame digits in 25ths.
constexpr uint8_t kFrameRateMask = 0xC0;
constexpr uint8_t kFrameRate25 = 0x40;
constexpr int kFramesPerSecond25 = 25;

// A 30-a-second count of a 25 frames/s code as a count of 25ths: the count
// splits back into the code's own digits, since its frames stay below 25.
inline int FramesAt25(int count30) {
  const int seconds = count30 / kFramesPerSecond;
  return seconds * kFramesPerSecond25 + count30 % kFramesPerSecond;
}

// A count of 25ths as a 25 frames/s code; hours as a plain number.
inline void Frames25ToTimeCode(int frames, uint8_t tc[4]) {
  const int seconds = frames / kFramesPerSecond25;
  tc[0] = static_cast<uint8_t>(seconds / 3600);
  tc[1] = ToBcd((seconds / 60) % 60);
  tc[2] = ToBcd(seconds % 60);
  tc[3] = static_cast<uint8_t>(ToBcd(frames % kFramesPerSecond25) + kFrameRate25);
}

// Presentation time (90 kHz ticks) as a time code at a title's own rate:
// hours, minutes and seconds of the clock and the frames of the second's
// rest, 25 a second with rate code 01 or 30000/1001 a second with 11,
// rounded to the nearest frame (a rest that rounds to a whole second
// carries into it).
constexpr int64_t kTicksPerSecond = 90000;
constexpr int64_t kTicksPerFrame25 = 3600;
constexpr int64_t kTicksPerFrame30 = 3003;
constexpr uint8_t kFrameRate2997 = 0xC0;  // frame-rate code 11

inline int64_t TicksPerFrame(bool pal) { return pal ? kTicksPerFrame25 : kTicksPerFrame30; }

inline void TicksToTimeCode(int64_t ticks, bool pal, uint8_t tc[4]) {
  if (ticks < 0) ticks = 0;
  const int64_t perFrame = TicksPerFrame(pal);
  const int fps = pal ? kFramesPerSecond25 : kFramesPerSecond;
  int64_t seconds = ticks / kTicksPerSecond;
  int64_t frames = (ticks % kTicksPerSecond + perFrame / 2) / perFrame;
  if (frames >= fps) {
    seconds += 1;
    frames = 0;
  }
  const int64_t hours = seconds / 3600 > 99 ? 99 : seconds / 3600;
  tc[0] = ToBcd(static_cast<int>(hours));
  tc[1] = ToBcd(static_cast<int>(seconds / 60 % 60));
  tc[2] = ToBcd(static_cast<int>(seconds % 60));
  tc[3] = static_cast<uint8_t>(ToBcd(static_cast<int>(frames)) +
                               (pal ? kFrameRate25 : kFrameRate2997));
}

// A time code in whole milliseconds as players add cell times up: the
// clock part exactly, the frames at the code's rate, the sum truncated.
inline int64_t TimeCodeMs(const uint8_t tc[4]) {
  const int64_t seconds = (BcdValue(tc[0]) * 60 + BcdValue(tc[1])) * 60 + BcdValue(tc[2]);
  const int64_t frames = BcdValue(tc[3] & 0x3F);
  const bool pal = (tc[3] & kFrameRateMask) == kFrameRate25;
  return seconds * 1000 + (pal ? frames * 40 : frames * 1001 / 30);
}

// Frames of a time code counted at its own rate (25 a second with rate code
// 01, else 30), every hour digit included: cell times cut into pieces and
// elapsed times made relative to a piece are sums and differences of these.
inline int CodeFrames(const uint8_t tc[4]) {
  const int fps = (tc[3] & kFrameRateMask) == kFrameRate25 ? kFramesPerSecond25 : kFramesPerSecond;
  const int seconds = (BcdValue(tc[0]) * 60 + BcdValue(tc[1])) * 60 + BcdValue(tc[2]);
  return seconds * fps + BcdValue(tc[3] & 0x3F);
}

// The inverse, with the rate code `rate` (the top two bits of the frame
// byte); a negative count is 0, hours stop at 99.
inline void CodeFromFrames(int frames, uint8_t rate, uint8_t tc[4]) {
  const int fps = (rate & kFrameRateMask) == kFrameRate25 ? kFramesPerSecond25 : kFramesPerSecond;
  if (frames < 0) frames = 0;
  const int seconds = frames / fps;
  const int hours = seconds / 3600 > 99 ? 99 : seconds / 3600;
  tc[0] = ToBcd(hours);
  tc[1] = ToBcd(seconds / 60 % 60);
  tc[2] = ToBcd(seconds % 60);
  tc[3] = static_cast<uint8_t>(ToBcd(frames % fps) | (rate & kFrameRateMask));
}

}  // namespace vm

#include "cli/video_attributes_check.h"

#include <cstdio>

#include "common/be.h"
#include "dvd/nav_pack.h"

namespace vm {

namespace {

using dvd::kPackBytes;
constexpr int kPackHeaderBytes = 14;  // MPEG-2 pack header before its stuffing
constexpr int kPackStuffingByte = 13;
constexpr uint8_t kVideoStream = 0xE0;
constexpr int kPesLengthOffset = 4;
constexpr int kPesHeaderDataLengthOffset = 8;
constexpr uint8_t kSequenceHeaderCode = 0xB3;
constexpr int kSequenceHeaderFieldBytes = 4;  // after the start code: sizes, aspect, rate

// VTS_V_ATR: coding mode, standard, aspect in the first byte, picture size
// in the second.
constexpr int kCodingModeShift = 6;
constexpr int kStandardShift = 4;
constexpr int kAspectShift = 2;
constexpr int kPictureSizeShift = 3;
constexpr int kMpeg2 = 1;
constexpr int kPal = 1;
constexpr int kAspect4x3 = 0;
constexpr int kAspect16x9 = 3;

// aspect_ratio_information and frame_rate_code of MPEG-2.
constexpr int kDisplay4x3 = 2;
constexpr int kDisplay16x9 = 3;
constexpr int kRate25 = 3;
constexpr int kRate2997 = 4;

const char* RateText(int code) {
  static const char* const kRates[] = {"forbidden", "23.976", "24", "25", "29.97",
                                       "30",        "50",     "59.94", "60"};
  return code >= 0 && code < 9 ? kRates[code] : "reserved";
}

const char* AspectText(int code) {
  switch (code) {
    case 1: return "square samples";
    case kDisplay4x3: return "4:3";
    case kDisplay16x9: return "16:9";
    case 4: return "2.21:1";
    default: return "reserved";
  }
}

}  // namespace

bool FindSequenceHeader(const uint8_t* p, SequenceHeader& header) {
  if (p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] != 0xBA) return false;
  const int pes = kPackHeaderBytes + (p[kPackStuffingByte] & 0x07);
  if (pes + kPesHeaderDataLengthOffset + 1 > kPackBytes) return false;
  const uint8_t* q = p + pes;
  if (q[0] != 0 || q[1] != 0 || q[2] != 1 || q[3] != kVideoStream) return false;
  const int end = pes + 6 + ReadBe16(q + kPesLengthOffset);
  const int payload = pes + kPesHeaderDataLengthOffset + 1 + q[kPesHeaderDataLengthOffset];
  const int last = (end < kPackBytes ? end : kPackBytes) - 4 - kSequenceHeaderFieldBytes;
  for (int i = payload; i <= last; ++i) {
    if (p[i] != 0 || p[i + 1] != 0 || p[i + 2] != 1 || p[i + 3] != kSequenceHeaderCode) continue;
    const uint8_t* f = p + i + 4;
    header.width = (f[0] << 4) | (f[1] >> 4);
    header.height = ((f[1] & 0x0F) << 8) | f[2];
    header.aspectCode = f[3] >> 4;
    header.frameRateCode = f[3] & 0x0F;
    return true;
  }
  return false;
}

std::string CompareVideoAttributes(const uint8_t attributes[2], const SequenceHeader& h) {
  const int coding = attributes[0] >> kCodingModeShift;
  const int standard = (attributes[0] >> kStandardShift) & 0x03;
  const int aspect = (attributes[0] >> kAspectShift) & 0x03;
  const int size = (attributes[1] >> kPictureSizeShift) & 0x07;
  const bool pal = standard == kPal;
  static const int kWidths[] = {720, 704, 352, 352};
  const int width = size < 4 ? kWidths[size] : 0;
  const int height = size == 3 ? (pal ? 288 : 240) : (pal ? 576 : 480);
  const int rate = pal ? kRate25 : kRate2997;
  // The aspect field means a display ratio for MPEG-2 only.
  const bool checkAspect = coding == kMpeg2;
  const int display = aspect == kAspect16x9 ? kDisplay16x9 : kDisplay4x3;
  const bool aspectKnown = aspect == kAspect4x3 || aspect == kAspect16x9;

  if (width == h.width && height == h.height && rate == h.frameRateCode &&
      (!checkAspect || (aspectKnown && display == h.aspectCode)))
    return {};
  char text[200];
  std::snprintf(text, sizeof text,
                "%s %dx%d %s at %s frames/s, the sequence header has %dx%d %s at %s frames/s",
                pal ? "PAL" : "NTSC", width, height,
                !checkAspect ? "(MPEG-1)" : aspectKnown ? AspectText(display) : "reserved aspect",
                RateText(rate), h.width, h.height, AspectText(h.aspectCode),
                RateText(h.frameRateCode));
  return text;
}

}  // namespace vm

// The title set's video attributes (VTSI_MAT) held against the MPEG
// sequence header that the title's video stream begins with: picture size,
// frame rate and display aspect ratio must agree, or a player sets up the
// wrong display for the pictures it decodes.
#pragma once

#include <cstdint>
#include <string>

namespace vm {

struct SequenceHeader {
  int width = 0;
  int height = 0;
  int aspectCode = 0;     // aspect_ratio_information
  int frameRateCode = 0;  // frame_rate_code
};

// The first sequence header carried by a video pack (stream 0xE0) of 2048
// bytes; false when the pack is no video pack or holds none whole.
bool FindSequenceHeader(const uint8_t* pack, SequenceHeader& header);

// The two bytes of a video attribute field (VTS_V_ATR at VTSI_MAT 0x200)
// against the header: empty when they agree, else what differs, in words.
std::string CompareVideoAttributes(const uint8_t attributes[2], const SequenceHeader& header);

}  // namespace vm

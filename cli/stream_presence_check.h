// The streams a title set declares held against the packs its title
// carries: a stream that the attribute tables and the program chain's
// stream control offer but no pack carries makes rippers and players offer
// an empty track, or refuse the title.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vm {

// The audio and subpicture streams a run of packs carries, by stream number.
struct PackStreams {
  uint8_t ac3 = 0, dts = 0, lpcm = 0, mpeg = 0;  // bit n: stream n of that coding
  uint32_t subpic = 0;                           // bit n: subpicture stream n

  // Notes the stream of one 2048-byte pack (nothing for other packs).
  void Note(const uint8_t* pack);
  void Add(const PackStreams& other);
};

// The declared streams of one program chain that no pack carries, one text
// each. `vtsiMat` holds the title set's information file from its start,
// `matBytes` long (the attribute tables end at 0x316; a shorter file
// declares nothing past its end); the control words are the program
// chain's, as libdvdread gives them (audio: bit 15 available, bits 10-8 the
// stream number; subpicture: bit 31 available, four 5-bit stream numbers).
std::vector<std::string> DeclaredStreamsWithoutPacks(const uint8_t* vtsiMat, size_t matBytes,
                                                     const uint16_t audioControl[8],
                                                     const uint32_t subpicControl[32],
                                                     const PackStreams& packs);

}  // namespace vm

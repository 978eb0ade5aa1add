// The title set information management table (VTSI_MAT): the head of
// VTS_nn_0.IFO, with the sectors of the set's VOBs and tables and the
// stream attributes of its menus and titles. The bytes of its sector that
// no field here names are kept by the model and written back under the
// fields.
#pragma once

#include <cstdint>

#include "dvd/ifo_view.h"
#include "dvd/vmgi_mat.h"

namespace vm::dvd {

constexpr uint32_t kVtsiId = 0x000;               // "DVDVIDEO-VTS"
constexpr uint32_t kVtsiLastSector = 0x00C;       // last sector of the title set
constexpr uint32_t kVtsiIfoLastSector = 0x01C;    // last sector of VTS_nn_0.IFO
constexpr uint32_t kVtsiVersion = 0x021;
constexpr uint32_t kVtsiCategory = 0x022;
constexpr uint32_t kVtsiMatLastByte = 0x080;
constexpr uint32_t kVtsiMenuVobs = 0x0C0;         // sectors from the start of the set, 0 none
constexpr uint32_t kVtsiTitleVobs = 0x0C4;
constexpr uint32_t kVtsiPttSrpt = 0x0C8;
constexpr uint32_t kVtsiPgcit = 0x0CC;
constexpr uint32_t kVtsiMenuPgciUt = 0x0D0;
constexpr uint32_t kVtsiTmapt = 0x0D4;
constexpr uint32_t kVtsiMenuCadt = 0x0D8;
constexpr uint32_t kVtsiMenuVobuAdmap = 0x0DC;
constexpr uint32_t kVtsiTitleCadt = 0x0E0;
constexpr uint32_t kVtsiTitleVobuAdmap = 0x0E4;
constexpr uint32_t kVtsiMenuVideo = 0x100;        // 2 bytes
constexpr uint32_t kVtsiMenuAudioCount = 0x103;
constexpr uint32_t kVtsiMenuAudio = 0x104;        // 8 x 8 bytes
constexpr uint32_t kVtsiMenuSubpCount = 0x155;
constexpr uint32_t kVtsiMenuSubp = 0x156;         // 6 bytes
constexpr uint32_t kVtsiVideo = 0x200;            // 2 bytes
constexpr uint32_t kVtsiAudioCount = 0x203;
constexpr uint32_t kVtsiAudio = 0x204;            // 8 x 8 bytes
constexpr uint32_t kVtsiSubpCount = 0x255;
constexpr uint32_t kVtsiSubp = 0x256;             // 32 x 6 bytes
constexpr uint32_t kVtsiMultichannel = 0x318;     // 8 x 24 bytes
constexpr uint32_t kVtsiFieldsEnd = 0x3D8;
constexpr int kMaxAudioStreams = 8;
constexpr int kMaxSubpStreams = 32;
constexpr uint32_t kMultichannelBytes = 24;
static_assert(kVtsiAudio + kMaxAudioStreams * kAudioAttrBytes + 17 == kVtsiSubpCount);
static_assert(kVtsiSubp + kMaxSubpStreams * kSubpAttrBytes + 2 == kVtsiMultichannel);
static_assert(kVtsiFieldsEnd == kVtsiMultichannel + kMaxAudioStreams * kMultichannelBytes);

struct VtsiMat {
  uint8_t id[kIdBytes];
  uint32_t lastSector;
  uint32_t ifoLastSector;
  uint8_t version;
  uint32_t category;
  uint32_t matLastByte;
  uint32_t menuVobs, titleVobs;
  uint32_t pttSrpt, pgcit, menuPgciUt, tmapt, menuCadt, menuVobuAdmap, titleCadt,
      titleVobuAdmap;
  uint16_t menuVideo;
  uint8_t menuAudioCount;
  uint8_t menuAudio[kMaxAudioStreams][kAudioAttrBytes];
  uint8_t menuSubpCount;
  uint8_t menuSubp[kSubpAttrBytes];
  uint16_t video;
  uint8_t audioCount;
  uint8_t audio[kMaxAudioStreams][kAudioAttrBytes];
  uint8_t subpCount;
  uint8_t subp[kMaxSubpStreams][kSubpAttrBytes];
  uint8_t multichannel[kMaxAudioStreams][kMultichannelBytes];
};

bool ReadVtsiMat(const IfoView& v, VtsiMat& m);
bool WriteVtsiMat(IfoOut& out, const VtsiMat& m);

}  // namespace vm::dvd

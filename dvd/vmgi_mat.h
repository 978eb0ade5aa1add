// The volume manager information management table (VMGI_MAT): the head of
// VIDEO_TS.IFO, with the volume's identity, the sectors of its tables and
// the menu stream attributes. The bytes of its sector that no field here
// names are kept by the model and written back under the fields.
#pragma once

#include <cstdint>

#include "dvd/ifo_view.h"

namespace vm::dvd {

constexpr uint32_t kVmgiId = 0x000;               // "DVDVIDEO-VMG"
constexpr uint32_t kVmgiLastSector = 0x00C;       // last sector of VMGI, menu VOBs and BUP
constexpr uint32_t kVmgiIfoLastSector = 0x01C;    // last sector of VIDEO_TS.IFO
constexpr uint32_t kVmgiVersion = 0x021;
constexpr uint32_t kVmgiCategory = 0x022;         // second byte: region mask
constexpr uint32_t kVmgiVolumes = 0x026;
constexpr uint32_t kVmgiVolumeNumber = 0x028;
constexpr uint32_t kVmgiSide = 0x02A;
constexpr uint32_t kVmgiTitleSets = 0x03E;
constexpr uint32_t kVmgiProviderId = 0x040;       // 32 bytes
constexpr uint32_t kVmgiPosCode = 0x060;          // 8 bytes
constexpr uint32_t kVmgiMatLastByte = 0x080;
constexpr uint32_t kVmgiFirstPlayPgc = 0x084;     // byte offset of the first-play PGC, 0 none
constexpr uint32_t kVmgiMenuVobs = 0x0C0;         // sectors from the start of the file, 0 none
constexpr uint32_t kVmgiTtSrpt = 0x0C4;
constexpr uint32_t kVmgiMenuPgciUt = 0x0C8;
constexpr uint32_t kVmgiPtlMait = 0x0CC;
constexpr uint32_t kVmgiVtsAtrt = 0x0D0;
constexpr uint32_t kVmgiTxtdtMg = 0x0D4;
constexpr uint32_t kVmgiMenuCadt = 0x0D8;
constexpr uint32_t kVmgiMenuVobuAdmap = 0x0DC;
constexpr uint32_t kVmgiMenuVideo = 0x100;        // 2 bytes
constexpr uint32_t kVmgiMenuAudioCount = 0x103;
constexpr uint32_t kVmgiMenuAudio = 0x104;        // 8 bytes
constexpr uint32_t kVmgiMenuSubpCount = 0x155;
constexpr uint32_t kVmgiMenuSubp = 0x156;         // 6 bytes
constexpr uint32_t kVmgiFieldsEnd = 0x15C;
constexpr uint32_t kIdBytes = 12;
constexpr uint32_t kProviderIdBytes = 32;
constexpr uint32_t kPosCodeBytes = 8;
constexpr uint32_t kAudioAttrBytes = 8;
constexpr uint32_t kSubpAttrBytes = 6;
static_assert(kVmgiPosCode == kVmgiProviderId + kProviderIdBytes);
static_assert(kVmgiFieldsEnd == kVmgiMenuSubp + kSubpAttrBytes);

struct VmgiMat {
  uint8_t id[kIdBytes];
  uint32_t lastSector;
  uint32_t ifoLastSector;
  uint8_t version;
  uint32_t category;
  uint16_t volumes;
  uint16_t volumeNumber;
  uint8_t side;
  uint16_t titleSets;
  uint8_t providerId[kProviderIdBytes];
  uint8_t posCode[kPosCodeBytes];
  uint32_t matLastByte;
  uint32_t firstPlayPgc;
  uint32_t menuVobs;
  uint32_t ttSrpt, menuPgciUt, ptlMait, vtsAtrt, txtdtMg, menuCadt, menuVobuAdmap;
  uint16_t menuVideo;
  uint8_t menuAudioCount;
  uint8_t menuAudio[kAudioAttrBytes];
  uint8_t menuSubpCount;
  uint8_t menuSubp[kSubpAttrBytes];
};

// The fields from the head of the file; false when it is shorter than them.
bool ReadVmgiMat(const IfoView& v, VmgiMat& m);
// Writes the fields over the head already in `out` (the kept sector).
bool WriteVmgiMat(IfoOut& out, const VmgiMat& m);

}  // namespace vm::dvd

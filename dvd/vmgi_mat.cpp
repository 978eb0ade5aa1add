#include "dvd/vmgi_mat.h"

#include <cstring>

namespace vm::dvd {

bool ReadVmgiMat(const IfoView& v, VmgiMat& m) {
  const uint8_t* b = v.Bytes(0, kVmgiFieldsEnd);
  if (b == nullptr) return false;
  std::memcpy(m.id, b + kVmgiId, kIdBytes);
  m.lastSector = ReadBe32(b + kVmgiLastSector);
  m.ifoLastSector = ReadBe32(b + kVmgiIfoLastSector);
  m.version = b[kVmgiVersion];
  m.category = ReadBe32(b + kVmgiCategory);
  m.volumes = ReadBe16(b + kVmgiVolumes);
  m.volumeNumber = ReadBe16(b + kVmgiVolumeNumber);
  m.side = b[kVmgiSide];
  m.titleSets = ReadBe16(b + kVmgiTitleSets);
  std::memcpy(m.providerId, b + kVmgiProviderId, kProviderIdBytes);
  std::memcpy(m.posCode, b + kVmgiPosCode, kPosCodeBytes);
  m.matLastByte = ReadBe32(b + kVmgiMatLastByte);
  m.firstPlayPgc = ReadBe32(b + kVmgiFirstPlayPgc);
  m.menuVobs = ReadBe32(b + kVmgiMenuVobs);
  m.ttSrpt = ReadBe32(b + kVmgiTtSrpt);
  m.menuPgciUt = ReadBe32(b + kVmgiMenuPgciUt);
  m.ptlMait = ReadBe32(b + kVmgiPtlMait);
  m.vtsAtrt = ReadBe32(b + kVmgiVtsAtrt);
  m.txtdtMg = ReadBe32(b + kVmgiTxtdtMg);
  m.menuCadt = ReadBe32(b + kVmgiMenuCadt);
  m.menuVobuAdmap = ReadBe32(b + kVmgiMenuVobuAdmap);
  m.menuVideo = ReadBe16(b + kVmgiMenuVideo);
  m.menuAudioCount = b[kVmgiMenuAudioCount];
  std::memcpy(m.menuAudio, b + kVmgiMenuAudio, kAudioAttrBytes);
  m.menuSubpCount = b[kVmgiMenuSubpCount];
  std::memcpy(m.menuSubp, b + kVmgiMenuSubp, kSubpAttrBytes);
  return true;
}

bool WriteVmgiMat(IfoOut& out, const VmgiMat& m) {
  return out.Bytes(kVmgiId, m.id, kIdBytes) && out.U32(kVmgiLastSector, m.lastSector) &&
         out.U32(kVmgiIfoLastSector, m.ifoLastSector) && out.U8(kVmgiVersion, m.version) &&
         out.U32(kVmgiCategory, m.category) && out.U16(kVmgiVolumes, m.volumes) &&
         out.U16(kVmgiVolumeNumber, m.volumeNumber) && out.U8(kVmgiSide, m.side) &&
         out.U16(kVmgiTitleSets, m.titleSets) &&
         out.Bytes(kVmgiProviderId, m.providerId, kProviderIdBytes) &&
         out.Bytes(kVmgiPosCode, m.posCode, kPosCodeBytes) &&
         out.U32(kVmgiMatLastByte, m.matLastByte) && out.U32(kVmgiFirstPlayPgc, m.firstPlayPgc) &&
         out.U32(kVmgiMenuVobs, m.menuVobs) && out.U32(kVmgiTtSrpt, m.ttSrpt) &&
         out.U32(kVmgiMenuPgciUt, m.menuPgciUt) && out.U32(kVmgiPtlMait, m.ptlMait) &&
         out.U32(kVmgiVtsAtrt, m.vtsAtrt) && out.U32(kVmgiTxtdtMg, m.txtdtMg) &&
         out.U32(kVmgiMenuCadt, m.menuCadt) && out.U32(kVmgiMenuVobuAdmap, m.menuVobuAdmap) &&
         out.U16(kVmgiMenuVideo, m.menuVideo) && out.U8(kVmgiMenuAudioCount, m.menuAudioCount) &&
         out.Bytes(kVmgiMenuAudio, m.menuAudio, kAudioAttrBytes) &&
         out.U8(kVmgiMenuSubpCount, m.menuSubpCount) &&
         out.Bytes(kVmgiMenuSubp, m.menuSubp, kSubpAttrBytes);
}

}  // namespace vm::dvd

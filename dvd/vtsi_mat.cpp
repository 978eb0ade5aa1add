#include "dvd/vtsi_mat.h"

#include <cstring>

namespace vm::dvd {

bool ReadVtsiMat(const IfoView& v, VtsiMat& m) {
  const uint8_t* b = v.Bytes(0, kVtsiFieldsEnd);
  if (b == nullptr) return false;
  std::memcpy(m.id, b + kVtsiId, kIdBytes);
  m.lastSector = ReadBe32(b + kVtsiLastSector);
  m.ifoLastSector = ReadBe32(b + kVtsiIfoLastSector);
  m.version = b[kVtsiVersion];
  m.category = ReadBe32(b + kVtsiCategory);
  m.matLastByte = ReadBe32(b + kVtsiMatLastByte);
  m.menuVobs = ReadBe32(b + kVtsiMenuVobs);
  m.titleVobs = ReadBe32(b + kVtsiTitleVobs);
  m.pttSrpt = ReadBe32(b + kVtsiPttSrpt);
  m.pgcit = ReadBe32(b + kVtsiPgcit);
  m.menuPgciUt = ReadBe32(b + kVtsiMenuPgciUt);
  m.tmapt = ReadBe32(b + kVtsiTmapt);
  m.menuCadt = ReadBe32(b + kVtsiMenuCadt);
  m.menuVobuAdmap = ReadBe32(b + kVtsiMenuVobuAdmap);
  m.titleCadt = ReadBe32(b + kVtsiTitleCadt);
  m.titleVobuAdmap = ReadBe32(b + kVtsiTitleVobuAdmap);
  m.menuVideo = ReadBe16(b + kVtsiMenuVideo);
  m.menuAudioCount = b[kVtsiMenuAudioCount];
  std::memcpy(m.menuAudio, b + kVtsiMenuAudio, sizeof m.menuAudio);
  m.menuSubpCount = b[kVtsiMenuSubpCount];
  std::memcpy(m.menuSubp, b + kVtsiMenuSubp, sizeof m.menuSubp);
  m.video = ReadBe16(b + kVtsiVideo);
  m.audioCount = b[kVtsiAudioCount];
  std::memcpy(m.audio, b + kVtsiAudio, sizeof m.audio);
  m.subpCount = b[kVtsiSubpCount];
  std::memcpy(m.subp, b + kVtsiSubp, sizeof m.subp);
  std::memcpy(m.multichannel, b + kVtsiMultichannel, sizeof m.multichannel);
  return true;
}

bool WriteVtsiMat(IfoOut& out, const VtsiMat& m) {
  return out.Bytes(kVtsiId, m.id, kIdBytes) && out.U32(kVtsiLastSector, m.lastSector) &&
         out.U32(kVtsiIfoLastSector, m.ifoLastSector) && out.U8(kVtsiVersion, m.version) &&
         out.U32(kVtsiCategory, m.category) && out.U32(kVtsiMatLastByte, m.matLastByte) &&
         out.U32(kVtsiMenuVobs, m.menuVobs) && out.U32(kVtsiTitleVobs, m.titleVobs) &&
         out.U32(kVtsiPttSrpt, m.pttSrpt) && out.U32(kVtsiPgcit, m.pgcit) &&
         out.U32(kVtsiMenuPgciUt, m.menuPgciUt) && out.U32(kVtsiTmapt, m.tmapt) &&
         out.U32(kVtsiMenuCadt, m.menuCadt) && out.U32(kVtsiMenuVobuAdmap, m.menuVobuAdmap) &&
         out.U32(kVtsiTitleCadt, m.titleCadt) &&
         out.U32(kVtsiTitleVobuAdmap, m.titleVobuAdmap) &&
         out.U16(kVtsiMenuVideo, m.menuVideo) && out.U8(kVtsiMenuAudioCount, m.menuAudioCount) &&
         out.Bytes(kVtsiMenuAudio, m.menuAudio[0], sizeof m.menuAudio) &&
         out.U8(kVtsiMenuSubpCount, m.menuSubpCount) &&
         out.Bytes(kVtsiMenuSubp, m.menuSubp, sizeof m.menuSubp) && out.U16(kVtsiVideo, m.video) &&
         out.U8(kVtsiAudioCount, m.audioCount) &&
         out.Bytes(kVtsiAudio, m.audio[0], sizeof m.audio) &&
         out.U8(kVtsiSubpCount, m.subpCount) && out.Bytes(kVtsiSubp, m.subp[0], sizeof m.subp) &&
         out.Bytes(kVtsiMultichannel, m.multichannel[0], sizeof m.multichannel);
}

}  // namespace vm::dvd

// Fuzzes the preview decoder. The first byte chooses the input form: odd,
// the rest is a VOB as it stands; even, the rest is a video elementary
// stream that is wrapped into video packs here, so that the fuzzer reaches
// the picture syntax without having to find the pack layout first. Its bits
// 1 to 4 put 64 packs of another stream per unit among those packs, after
// 8 of them per unit of bits 5 to 7, so that the video is spread over
// several 1 MiB reads. Each input is decoded twice: for the preview, and
// for a VOBU signature (the DC-only path, with the navigation pack's end of
// the first reference picture when the input gives one).

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/silent_ui.h"
#include "play/preview_decoder.h"
#include "play/vobu_signature.h"

namespace {

std::vector<uint8_t> WrapIntoPacks(const uint8_t* es, size_t size) {
  std::vector<uint8_t> out;
  constexpr size_t kPayload = 2025;
  for (size_t off = 0; off < size; off += kPayload) {
    const size_t n = size - off < kPayload ? size - off : kPayload;
    uint8_t pack[2048] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8,
                          0, 0, 1, 0xE0};
    pack[18] = static_cast<uint8_t>((n + 3) >> 8);
    pack[19] = static_cast<uint8_t>(n + 3);
    pack[20] = 0x81;
    std::memcpy(pack + 23, es + off, n);
    out.insert(out.end(), pack, pack + sizeof pack);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vm::SilentUi ui(vm::Answer::No);
  static uint8_t image[vm::kPreviewImageBytes];
  static int fd = memfd_create("vob", 0);
  static char path[64];
  if (fd < 0 || size == 0) return 0;
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  std::vector<uint8_t> vob = (data[0] & 1) ? std::vector<uint8_t>(data + 1, data + size)
                                           : WrapIntoPacks(data + 1, size - 1);
  const size_t fillers = size_t{64} * ((data[0] >> 1) & 15);
  const size_t after = std::min(vob.size(), size_t{2048} * 8 * (data[0] >> 5));
  if (fillers > 0) {
    uint8_t pack[2048] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8,
                          0, 0, 1, 0xBD, 0x07, 0xEC};
    std::vector<uint8_t> other;
    for (size_t i = 0; i < fillers; ++i) other.insert(other.end(), pack, pack + sizeof pack);
    vob.insert(vob.begin() + static_cast<long>(after), other.begin(), other.end());
  }
  if (ftruncate(fd, 0) != 0 || pwrite(fd, vob.data(), vob.size(), 0) != static_cast<ssize_t>(vob.size()))
    return 0;
  vm::SetPreviewImage(image);
  char continuation[4] = "";
  vm::DecodePreviewPicture(ui, path, continuation, 0);
  static vm::VobuSignature signature;
  vm::DecodeVobuSignature(ui, path, continuation, 0, signature);
  return 0;
}

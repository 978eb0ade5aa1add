// Fuzzes the information file model: any bytes the reader takes are written
// back; a file of whole sectors comes back byte for byte, and what is
// written reads again into the same bytes.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dvd/ifo_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto* model = new vm::dvd::IfoModel();
  static auto* again = new vm::dvd::IfoModel();
  static constexpr size_t kCapacity = vm::dvd::kMaxIfoBytes + (1u << 20);
  static auto* out = new uint8_t[kCapacity];
  static auto* out2 = new uint8_t[kCapacity];

  vm::dvd::IfoStatus st;
  if (!vm::dvd::ReadIfo(data, size, *model, st)) {
    if (st.ok() || st.cause.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  size_t written = 0;
  if (!vm::dvd::WriteIfo(*model, out, kCapacity, written, st)) std::abort();
  if (size % 2048 == 0 && (written != size || std::memcmp(out, data, size) != 0)) std::abort();
  if (!vm::dvd::ReadIfo(out, written, *again, st)) std::abort();
  size_t written2 = 0;
  if (!vm::dvd::WriteIfo(*again, out2, kCapacity, written2, st)) std::abort();
  if (written2 != written || std::memcmp(out, out2, written) != 0) std::abort();
  return 0;
}

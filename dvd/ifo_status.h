// The outcome of reading or writing an information file's tables: a small
// code and a terse cause naming the table and the place ("VTS_PGCIT: PGC 3
// cell table past its end"), for the debug output and the refusal message.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "common/fixed_string.h"

namespace vm::dvd {

enum class IfoCode : uint8_t {
  kOk = 0,
  kDamaged,   // a table is not readable: an offset or count leads outside it
  kTooLarge,  // a table holds more than the model's capacity
  kNoRoom,    // the output buffer is too small for the tables
};

struct IfoStatus {
  IfoCode code = IfoCode::kOk;
  FixedString<192> cause;

  bool ok() const { return code == IfoCode::kOk; }

  // Each returns false so that a failing check reads `return st.Damaged(...)`.
  bool Damaged(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list ap;
    va_start(ap, fmt);
    Set(IfoCode::kDamaged, fmt, ap);
    va_end(ap);
    return false;
  }
  bool TooLarge(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list ap;
    va_start(ap, fmt);
    Set(IfoCode::kTooLarge, fmt, ap);
    va_end(ap);
    return false;
  }
  bool NoRoom(const char* what) {
    code = IfoCode::kNoRoom;
    (void)cause.Format("%s: output buffer full", what);
    return false;
  }

 private:
  void Set(IfoCode c, const char* fmt, va_list ap) {
    // The first failure is the cause; later ones follow from it.
    if (code != IfoCode::kOk) return;
    code = c;
    std::vsnprintf(cause.data(), cause.kCapacity, fmt, ap);
  }
};

}  // namespace vm::dvd

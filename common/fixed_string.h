// A NUL-terminated string in a fixed array: the path and message buffers of
// the core. Every write is bounded; a text that does not fit is refused
// (Set/Append return false and leave the string as it was).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace vm {

template <size_t N>
struct FixedString {
  static_assert(N >= 2);
  static constexpr size_t kCapacity = N;  // bytes, terminator included
  char s[N] = {};

  const char* c_str() const { return s; }
  char* data() { return s; }
  size_t size() const { return std::strlen(s); }
  bool empty() const { return s[0] == '\0'; }
  void clear() { s[0] = '\0'; }

  bool Set(const char* text) {
    size_t n = std::strlen(text);
    if (n >= N) return false;
    std::memmove(s, text, n + 1);
    return true;
  }
  bool Append(const char* text) {
    size_t have = size();
    size_t n = std::strlen(text);
    if (have + n >= N) return false;
    std::memcpy(s + have, text, n + 1);
    return true;
  }
  // printf into the buffer; false (and the buffer cleared) when it does not fit.
  bool Format(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(s, N, fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<size_t>(n) >= N) {
      s[0] = '\0';
      return false;
    }
    return true;
  }
  bool operator==(const char* other) const { return std::strcmp(s, other) == 0; }
};

// Longest path the program accepts: 259 bytes plus the terminator.
constexpr size_t kPathBytes = 260;
constexpr size_t kMaxPathChars = kPathBytes - 1;
using Path = FixedString<kPathBytes>;

// Message texts: long enough for every fixed sentence with a full path in it.
using MessageText = FixedString<1024>;

// Copies text into a raw char[N] field (the table layouts keep plain arrays).
template <size_t N>
bool CopyField(char (&dst)[N], const char* src) {
  size_t n = std::strlen(src);
  if (n >= N) return false;
  std::memmove(dst, src, n + 1);
  return true;
}

}  // namespace vm

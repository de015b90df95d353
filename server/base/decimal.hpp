// Reading a long decimal integer in chunks of six digits, shared by the
// string parsers of both coefficient types.  The text is only read: callers
// may pass string literals and buffers they still use.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

struct DecimalDigits {
  bool negative = false;
  const char* digits = nullptr;  // first digit
  uint32_t count = 0;            // digits up to the first non-digit
};

// Skips leading blanks and minus signs (any minus makes the number negative).
inline DecimalDigits scan_decimal(const char* s) {
  DecimalDigits d;
  while (*s == ' ' || *s == '\t' || *s == '-') {
    if (*s == '-') d.negative = true;
    ++s;
  }
  d.digits = s;
  while (s[d.count] >= '0' && s[d.count] <= '9') ++d.count;
  return d;
}

// Calls f(chunk) from the most significant chunk on: first the leading
// 1..5 digits when the count is not a multiple of six, then six at a time.
// So v := v * 10^6 + chunk rebuilds the number modulo anything.
template <class F>
void for_each_chunk(const DecimalDigits& d, F&& f) {
  uint32_t pos = 0;
  uint32_t first = d.count % 6;
  uint32_t len = first ? first : 6;
  while (pos < d.count) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < len; ++i) v = v * 10 + static_cast<uint32_t>(d.digits[pos + i] - '0');
    f(v);
    pos += len;
    len = 6;
  }
}

}  // namespace orv::ORV_BUILD

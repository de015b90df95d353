// Reading a decimal integer of any length in chunks of six digits, shared by
// the string parsers of both coefficient types.  The text is only read: callers
// may pass string literals and buffers they still use.
#pragma once

#include <cstdint>

#include "server/base/orv_variant.hpp"
#include "server/base/runtime.hpp"

namespace orv::ORV_BUILD {

struct DecimalDigits {
  bool negative = false;
  const char* digits = nullptr;  // first digit
  uint32_t count = 0;            // digits up to the first non-digit
};

// The integer that s holds: leading blanks and signs (any minus among them
// makes it negative), the digits, trailing blanks.  Text without a digit, or
// with anything else after the digits, is fatal with a message naming it:
// reading "12abc" as 12 would be a wrong coefficient, not a refusal.
inline DecimalDigits scan_decimal(const char* s, const char* who) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  DecimalDigits d;
  const char* p = s;
  while (blank(*p) || *p == '-' || *p == '+') {
    if (*p == '-') d.negative = true;
    ++p;
  }
  d.digits = p;
  while (p[d.count] >= '0' && p[d.count] <= '9') ++d.count;
  const char* rest = p + d.count;
  while (blank(*rest)) ++rest;
  if (d.count == 0 || *rest != '\0') Fatal("%s: \"%.64s\" is not a decimal integer\n", who, s);
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

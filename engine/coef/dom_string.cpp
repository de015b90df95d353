// Decimal numbers to residues, and printing residues.
#include "engine/coef/dom_string.hpp"

#include <cstring>

#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mem/zone.hpp"
#ifdef ZEL_VARIANT_INT
#include "engine/coef/lift_print.hpp"
#endif

namespace zel::ZEL_BUILD {

#ifdef ZEL_VARIANT_INT
bool (*display_lift)(const uint32_t* v, uint32_t n) = display_lifted_value;
#else
bool (*display_lift)(const uint32_t* v, uint32_t n) = nullptr;
#endif

namespace {

// The digits of s[0 .. len): sets [*first, len) and the sign.
uint32_t skip_sign(const char* s, uint32_t len, bool& negative) {
  uint32_t i = 0;
  negative = false;
  while (i < len && (s[i] == ' ' || s[i] == '\t' || s[i] == '-')) {
    if (s[i] == '-') negative = true;
    i++;
  }
  return i;
}

void check_digits(const char* s, uint32_t from, uint32_t len) {
  if (from >= len) Fatal("Not a number: \"%.*s\"\n", int(len), s);
  for (uint32_t i = from; i < len; i++)
    if (s[i] < '0' || s[i] > '9') Fatal("Not a number: \"%.*s\"\n", int(len), s);
}

// The number in s[from .. len) modulo p, six digits at a time from the right,
// weighted by powers of m6 = 10^6 mod p.
uint32_t digits_mod(const char* s, uint32_t from, uint32_t len, uint64_t p, uint64_t m6) {
  uint64_t sum = 0, factor = 1;
  uint32_t end = len;
  while (end > from) {
    uint32_t start = end >= from + 6 ? end - 6 : from;
    uint64_t group = 0;
    for (uint32_t i = start; i < end; i++) group = group * 10 + uint64_t(s[i] - '0');
    sum = (sum + group % p * factor) % p;
    factor = factor * m6 % p;
    end = start;
  }
  return uint32_t(sum);
}

}  // namespace

void String_to_Dom_length(const char* s, uint32_t* v) {
  const uint32_t len = uint32_t(std::strlen(s));
  bool negative;
  uint32_t from = skip_sign(s, len, negative);
  check_digits(s, from, len);
  for (uint32_t l = 0; l < ZEL_C(vectorize); l++) {
    uint32_t p = ZEL_C(Primes)[l];
    uint32_t r = digits_mod(s, from, len, p, modulo6[l]);
    v[l] = (negative && r != 0) ? p - r : r;
  }
}

void String_Float_to_Dom_length() { Fatal("Pas fait String_Float_to_Dom_length\n"); }

Dom complex_String_to_Dom(const char* s, uint32_t len, uint32_t l) {
  bool negative;
  uint32_t from = skip_sign(s, len, negative);
  check_digits(s, from, len);
  const uint32_t p = ZEL_C(Primes)[l];
  uint32_t r = digits_mod(s, from, len, p, modulo6[l]);
  return Dom((negative && r != 0) ? p - r : r);
}

int see_Dom(Dom c) {
  if (!ZEL_C(want_raw_output) && c == 1) return 0;
  Output("%u", unsigned(c));
  return 1;
}

void display_tab_Dom(const uint32_t* v, uint32_t n) {
  if (ZEL_C(want_raw_output)) {
    Output("<");
    for (uint32_t i = 0; i < n; i++) Output("%lu ", (unsigned long)v[i]);
    Output(">");
    return;
  }
  if constexpr (kIntegerBuild) {
    ZoneScope scope;
    if (display_lift == nullptr || !display_lift(v, n)) Output("NYA");
  }
}

}  // namespace zel::ZEL_BUILD

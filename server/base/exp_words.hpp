// Kernels shared by the server's exponent vectors (BigDexp, BigLexp,
// DRLDRL).
//
// A vector is an array of 64-bit words holding fixed-width unsigned fields
// (16 or 8 bits).  Field f lies in bits Bits*(f % per) .. of word f / per,
// so on a little-endian machine field f is the f-th field in memory.  Fields
// are read with shifts, never through punned pointers.
//
// The word-wise kernels (sum, difference, equality, divisibility) are exact
// while every field stays below half its range (2^15, or 2^7): then no
// carry or borrow crosses a field boundary except when the answer is
// already decided.
#pragma once

#include <cstdint>
#include <type_traits>

#include "server/base/orv_variant.hpp"

namespace orv::ORV_BUILD {

template <unsigned Bits>
struct Fields {
  static_assert(Bits == 8 || Bits == 16, "8- or 16-bit fields");
  static constexpr unsigned kPerWord = 64 / Bits;
  static constexpr uint64_t kMask = (uint64_t(1) << Bits) - 1;
  // The top bit of every field: a field of a - b with it set went negative.
  static constexpr uint64_t kTopBits = ~uint64_t(0) / kMask * (uint64_t(1) << (Bits - 1));

  static unsigned get(const uint64_t* e, unsigned f) {
    return unsigned((e[f / kPerWord] >> (Bits * (f % kPerWord))) & kMask);
  }
  // Stores v truncated to the field's width.
  static void put(uint64_t* e, unsigned f, unsigned v) {
    unsigned s = Bits * (f % kPerWord);
    uint64_t& w = e[f / kPerWord];
    w = (w & ~(kMask << s)) | ((uint64_t(v) & kMask) << s);
  }
  // The bits of word k that belong to fields [f0, f1).
  static uint64_t range_mask(unsigned k, unsigned f0, unsigned f1) {
    uint64_t m = 0;
    for (unsigned i = 0; i < kPerWord; ++i) {
      unsigned f = k * kPerWord + i;
      if (f >= f0 && f < f1) m |= kMask << (Bits * i);
    }
    return m;
  }

  // b divides a: no field of a - b went negative, checked a word at a time
  // from the last word down.
  static bool divides(const uint64_t* a, const uint64_t* b, unsigned words) {
    for (unsigned k = words; k-- > 0;)
      if ((a[k] - b[k]) & kTopBits) return false;
    return true;
  }
  // Every field of a is at least b's.
  static bool all_ge(const uint64_t* a, const uint64_t* b, unsigned fields) {
    for (unsigned f = 0; f < fields; ++f)
      if (get(a, f) < get(b, f)) return false;
    return true;
  }
  static void scale(unsigned s, uint64_t* e, unsigned fields) {
    for (unsigned f = 0; f < fields; ++f) put(e, f, get(e, f) * s);
  }
  // Horner over the fields from the last down, base 2^Bits, modulo m, in
  // wrapping 32-bit arithmetic.
  static uint32_t horner(const uint64_t* e, unsigned fields, uint32_t m) {
    if (fields == 0) return 0;
    uint32_t h = get(e, fields - 1);
    for (unsigned f = fields - 1; f-- > 0;) h = (uint32_t(h << Bits) + get(e, f)) % m;
    return h;
  }
  // The same over the field sums of a and b: the hash of the product.
  static uint32_t horner(const uint64_t* a, const uint64_t* b, unsigned fields, uint32_t m) {
    if (fields == 0) return 0;
    uint32_t h = get(a, fields - 1) + get(b, fields - 1);
    for (unsigned f = fields - 1; f-- > 0;) h = (uint32_t(h << Bits) + get(a, f) + get(b, f)) % m;
    return h;
  }
  // The one non-zero field among fields [f0, f1) other than `skip`: its
  // index, its value in `value`; -1 when there is none or more than one.
  static int single_field(const uint64_t* e, unsigned f0, unsigned f1, unsigned skip,
                          unsigned& value) {
    int found = -1;
    for (unsigned k = f0 / kPerWord; k * kPerWord < f1; ++k) {
      uint64_t w = e[k] & range_mask(k, f0, f1);
      if (skip / kPerWord == k) w &= ~(kMask << (Bits * (skip % kPerWord)));
      if (w == 0) continue;
      if (found >= 0) return -1;
      unsigned i = unsigned(__builtin_ctzll(w)) / Bits;
      if (w & ~(kMask << (Bits * i))) return -1;
      found = int(k * kPerWord + i);
      value = unsigned((w >> (Bits * i)) & kMask);
    }
    return found;
  }
};

// --- Whole-word operations: no field boundaries involved ---

inline void words_add(const uint64_t* a, const uint64_t* b, uint64_t* out, unsigned words) {
  for (unsigned k = 0; k < words; ++k) out[k] = a[k] + b[k];
}
inline void words_sub(const uint64_t* a, const uint64_t* b, uint64_t* out, unsigned words) {
  for (unsigned k = 0; k < words; ++k) out[k] = a[k] - b[k];
}
inline void words_copy(uint64_t* dst, const uint64_t* src, unsigned words) {
  for (unsigned k = 0; k < words; ++k) dst[k] = src[k];
}
inline void words_zero(uint64_t* e, unsigned words) {
  for (unsigned k = 0; k < words; ++k) e[k] = 0;
}
inline bool words_null(const uint64_t* e, unsigned words) {
  for (unsigned k = 0; k < words; ++k)
    if (e[k]) return false;
  return true;
}
inline bool words_eq(const uint64_t* a, const uint64_t* b, unsigned words) {
  for (unsigned k = 0; k < words; ++k)
    if (a[k] != b[k]) return false;
  return true;
}
// a = b + c, word by word.
inline bool words_eq_sum(const uint64_t* a, const uint64_t* b, const uint64_t* c, unsigned words) {
  for (unsigned k = 0; k < words; ++k)
    if (a[k] != b[k] + c[k]) return false;
  return true;
}
// a + b = c + d, word by word.
inline bool words_eq_sums(const uint64_t* a, const uint64_t* b, const uint64_t* c,
                          const uint64_t* d, unsigned words) {
  for (unsigned k = 0; k < words; ++k)
    if (a[k] + b[k] != c[k] + d[k]) return false;
  return true;
}

// h := seed, then h += (word mod 16777213) for each word from the last down;
// the result is h mod 16777213.  Words are taken unsigned.
inline uint32_t words_Hash(const uint64_t* e, unsigned words, uint32_t seed) {
  uint32_t h = seed;
  for (unsigned k = words; k-- > 0;) h += uint32_t(e[k] % 16777213u);
  return h % 16777213u;
}

// Word k of a vector seen as signed words of SW's width: 64-bit words as
// they are, 32-bit word k as half k % 2 of 64-bit word k / 2.
template <class SW>
inline SW word_at(const uint64_t* e, unsigned k) {
  if constexpr (sizeof(SW) == 8)
    return SW(e[k]);
  else
    return SW(uint32_t(e[k / 2] >> (32 * (k % 2))));
}

// Signed comparison of the words [from, to) of a with those of b (or with
// the wrapping sums b + c): at the first difference the result is 1 when
// a's word is the smaller and `smaller_wins` is set, or the larger and it is
// not; -1 otherwise; 0 when all are equal.
template <class SW>
inline int compare_words(const uint64_t* a, const uint64_t* b, unsigned from, unsigned to,
                         bool smaller_wins) {
  for (unsigned k = from; k < to; ++k) {
    SW x = word_at<SW>(a, k), y = word_at<SW>(b, k);
    if (x != y) return (x < y) == smaller_wins ? 1 : -1;
  }
  return 0;
}

template <class SW>
inline int compare_words(const uint64_t* a, const uint64_t* b, const uint64_t* c, unsigned from,
                         unsigned to, bool smaller_wins) {
  using UW = typename std::make_unsigned<SW>::type;
  for (unsigned k = from; k < to; ++k) {
    SW x = word_at<SW>(a, k);
    SW y = SW(UW(word_at<SW>(b, k)) + UW(word_at<SW>(c, k)));
    if (x != y) return (x < y) == smaller_wins ? 1 : -1;
  }
  return 0;
}

}  // namespace orv::ORV_BUILD

// The three monomial orders of the engine, on word-form monomials.
//
// Result 1 means a > b (a comes first in the decreasing order), -1 means
// a < b, 0 means equal.  Variables 0 .. s-1 (s = `var_second_block`) form the
// first block, s .. n the second; the homogenising variable n is the last
// variable of the second block, so it is the first compared there.  Within a
// block the reverse lexicographic rule applies: the monomial with more of the
// last differing variable is the smaller one.  Spare fields are never
// compared.
//
//   comp_Expos  : first block by degree reverse lexicographic order, then the
//                 second block by reverse lexicographic order without degree;
//   comp4_Expos : the same order (the name symbolic preprocessing, the
//                 staircase and the readers use);
//   comp5_Expos : degree reverse lexicographic on each block in turn.
//
// The orders read `var_second_block` and `nb_of_variables` at every call and
// only read their arguments, so threads may call them concurrently.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"

namespace zel::ZEL_BUILD {

// Fields 0,2 and 1,3 of a word added into two 32-bit lanes; lanes of many
// words can be summed before one final horizontal add (no lane overflows
// below 2^16 words).
inline uint64_t word_lanes(uint64_t x) {
  return (x & 0x0000FFFF0000FFFFULL) + ((x >> 16) & 0x0000FFFF0000FFFFULL);
}
inline uint32_t lanes_sum(uint64_t acc) { return uint32_t(acc) + uint32_t(acc >> 32); }

// Sum of fields lo .. hi-1 (lo < hi).
inline uint32_t range_degree(const ExposW* w, uint32_t lo, uint32_t hi) {
  const uint32_t klo = lo >> 2, khi = (hi - 1) >> 2;
  const uint64_t lo_mask = ~low_fields_mask(lo & 3);
  const uint64_t hi_mask = low_fields_mask(((hi - 1) & 3) + 1);
  if (klo == khi) return word_degree(get_word(w, klo) & lo_mask & hi_mask);
  uint64_t acc = word_lanes(get_word(w, klo) & lo_mask) + word_lanes(get_word(w, khi) & hi_mask);
  for (uint32_t k = klo + 1; k < khi; ++k) acc += word_lanes(get_word(w, k));
  return lanes_sum(acc);
}

// Reverse lexicographic comparison of fields lo .. hi-1 (lo < hi): the highest
// differing field decides, and the larger exponent there makes the smaller
// monomial.  Finds that field with one XOR and a count of leading zeros per
// word.
inline int32_t revlex_range(const ExposW* a, const ExposW* b, uint32_t lo, uint32_t hi) {
  const uint32_t klo = lo >> 2, khi = (hi - 1) >> 2;
  uint64_t mask = low_fields_mask(((hi - 1) & 3) + 1);
  for (uint32_t k = khi;; --k) {
    if (k == klo) mask &= ~low_fields_mask(lo & 3);
    const uint64_t wa = get_word(a, k), wb = get_word(b, k);
    const uint64_t x = (wa ^ wb) & mask;
    if (x) {
      const uint32_t sh = uint32_t(63 - __builtin_clzll(x)) & ~15u;
      return ((wa >> sh) & 0xFFFF) > ((wb >> sh) & 0xFFFF) ? -1 : 1;
    }
    if (k == klo) return 0;
    mask = ~uint64_t(0);
  }
}

// First block, degree then reverse lexicographic.  s is already clamped to N.
inline int32_t compare_first_block(const ExposW* a, const ExposW* b, uint32_t s) {
  const uint32_t da = range_degree(a, 0, s), db = range_degree(b, 0, s);
  if (da != db) return da > db ? 1 : -1;
  return revlex_range(a, b, 0, s);
}

inline int32_t comp_Expos(const ExposW* a, const ExposW* b) {
  const uint32_t N = nb_of_variables;
  // A first block reaching past the last variable covers only spare fields
  // (always 0) beyond it, so clamping changes no result.
  const uint32_t s = var_second_block < N ? var_second_block : N;
  if (s >= 1) {
    if (const int32_t r = compare_first_block(a, b, s)) return r;
  }
  return s < N ? revlex_range(a, b, s, N) : 0;
}

// comp_Expos for two monomials of the same total degree (all fields summed),
// such as the lcms of two pairs of one degree.  The two blocks' degrees then
// differ by opposite amounts, so the shorter block's sum decides the first
// block's degree: with many variables the first block is the long one, and
// summing it on every comparison is what sorting pairs costs.
inline int32_t comp_Expos_same_degree(const ExposW* a, const ExposW* b) {
  const uint32_t N = nb_of_variables;
  const uint32_t s = var_second_block < N ? var_second_block : N;
  if (s < 1 || 2 * s <= N) return comp_Expos(a, b);
  if (s < N) {
    const uint32_t ea = range_degree(a, s, N), eb = range_degree(b, s, N);
    if (ea != eb) return ea < eb ? 1 : -1;
  }
  if (const int32_t r = revlex_range(a, b, 0, s)) return r;
  return s < N ? revlex_range(a, b, s, N) : 0;
}

inline int32_t comp4_Expos(const ExposW* a, const ExposW* b) { return comp_Expos(a, b); }

inline int32_t comp5_Expos(const ExposW* a, const ExposW* b) {
  const uint32_t N = nb_of_variables;
  const uint32_t s = var_second_block < N ? var_second_block : N;
  if (s >= 1) {
    if (const int32_t r = compare_first_block(a, b, s)) return r;
  }
  if (s >= N) return 0;
  const uint32_t ea = range_degree(a, s, N), eb = range_degree(b, s, N);
  if (ea != eb) return ea > eb ? 1 : -1;
  return revlex_range(a, b, s, N);
}

}  // namespace zel::ZEL_BUILD

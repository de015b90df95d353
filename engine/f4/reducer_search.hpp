// The reducer search of symbolic preprocessing: for a column's monomial, the
// first reducer, in table order, whose leading monomial divides it.
//
// Each reducer's leading monomial gets a divisor mask (one bit per variable
// with a positive exponent, variables folded modulo 64): a reducer whose mask
// has a bit the column's mask lacks cannot divide, so most candidates are
// passed over with one AND; the word-subtraction test decides the rest.  The
// filter only skips reducers that do not divide, and in the table's
// lexicographic order a divisor never comes before the monomial, so the
// first divisor found is the one a plain scan finds.
#pragma once

#include <cstdint>

#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Divisor mask of a word-form monomial; the field `left_out`, when given,
// counts as 0.
inline uint64_t divmask(const ExposW* m, uint32_t left_out = ~0u) {
  uint64_t mask = 0;
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) {
    uint64_t x = get_word(m, k);
    if (k == left_out >> 2) x &= ~(uint64_t(0xFFFF) << (16 * (left_out & 3)));
    // Top bit of each field set when the field is non-zero (fields < 2^15).
    const uint64_t nz = (((x & 0x7FFF7FFF7FFF7FFFULL) + 0x7FFF7FFF7FFF7FFFULL) | x) & kFieldTopBits;
    const uint64_t nib = ((nz >> 15) & 1) | ((nz >> 30) & 2) | ((nz >> 45) & 4) | ((nz >> 60) & 8);
    mask |= nib << ((4 * k) & 63);
  }
  return mask;
}

// Leading monomials and masks of the reducers, in table order.
struct ReducerIndex {
  const ExposW** lead = nullptr;
  uint64_t* mask = nullptr;
  uint32_t n = 0;
  // The leading monomials descend in the lexicographic order of the table
  // (resort_Dpol): then a search may skip those above the monomial.
  bool lex_sorted = false;
};

// Fills idx for reducers[0 .. n-1] (arrays from zmalloc); release_reducer_index
// gives them back.
void build_reducer_index(ReducerIndex& idx, Dpol* const* reducers, uint32_t n);
void release_reducer_index(ReducerIndex& idx);

// The first i in [from, n) whose mask has no bit in `outside`, or n.  Wide
// vector loads where the processor has them.
uint32_t next_mask_candidate(const uint64_t* mask, uint32_t from, uint32_t n, uint64_t outside);

// The first i whose leading monomial is at most m in the table's
// lexicographic order (idx.lex_sorted): no earlier one can divide m.
uint32_t first_not_above(const ReducerIndex& idx, const ExposW* m);

// Index of the first reducer whose leading monomial divides m, or -1.  Only
// reads; safe in threads.
inline int32_t first_divisor(const ReducerIndex& idx, const ExposW* m) {
  const uint64_t outside = ~divmask(m);
  const uint32_t B = nb_of_blocks_of_variables;
  for (uint32_t i = idx.lex_sorted ? first_not_above(idx, m) : 0;; ++i) {
    i = next_mask_candidate(idx.mask, i, idx.n, outside);
    if (i == idx.n) return -1;
    const ExposW* L = idx.lead[i];
    uint32_t k = 0;
    while (k < B && !((get_word(m, k) - get_word(L, k)) & kFieldTopBits)) ++k;
    if (k == B) return int32_t(i);
  }
}

}  // namespace zel::ZEL_BUILD

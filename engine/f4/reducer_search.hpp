// The reducer search of symbolic preprocessing: for a column's monomial, the
// reducer with the fewest terms whose leading monomial divides it, the first
// in table order of those as short.  The table holds the rows of earlier
// steps beside the basis: the one of the same leading monomial is the most
// reduced, but a row of a high degree can carry thousands of terms where a
// multiple of a small basis polynomial does the same work with a hundred
// (dense inputs of a high degree over a low-degree ideal).
//
// Each reducer's leading monomial gets a divisor mask (one bit per variable
// with a positive exponent, variables folded modulo 64): a reducer whose mask
// has a bit the column's mask lacks cannot divide, so most candidates are
// passed over with one AND; the word-subtraction test decides the rest.  In
// the table's lexicographic order a divisor never comes before the
// monomial, so the search starts there.
#pragma once

#include <algorithm>
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

// Leading monomials, masks and term counts of the reducers, in table order.
struct ReducerIndex {
  const ExposW** lead = nullptr;
  uint64_t* mask = nullptr;
  uint32_t* terms = nullptr;
  // fewest_from[i]: the fewest terms of reducers i .. n-1.
  uint32_t* fewest_from = nullptr;
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

// Index of the reducer with the fewest terms whose leading monomial divides
// m (the first in table order of those as short), or -1.  Only reads; safe
// in threads.
inline int32_t cheapest_divisor(const ReducerIndex& idx, const ExposW* m) {
  const uint64_t outside = ~divmask(m);
  const uint32_t B = nb_of_blocks_of_variables;
  int32_t best = -1;
  uint32_t best_terms = ~0u;
  // The search stops where no reducer left is shorter than the best one
  // (fewest_from does not decrease).
  uint32_t end = idx.n;
  for (uint32_t i = idx.lex_sorted ? first_not_above(idx, m) : 0;; ++i) {
    i = next_mask_candidate(idx.mask, i, end, outside);
    if (i == end) return best;
    if (idx.terms[i] >= best_terms) continue;
    const ExposW* L = idx.lead[i];
    uint32_t k = 0;
    while (k < B && !((get_word(m, k) - get_word(L, k)) & kFieldTopBits)) ++k;
    if (k < B) continue;
    best = int32_t(i);
    best_terms = idx.terms[i];
    end = uint32_t(std::partition_point(idx.fewest_from + i + 1, idx.fewest_from + end,
                                        [&](uint32_t f) { return f < best_terms; }) -
                   idx.fewest_from);
  }
}

}  // namespace zel::ZEL_BUILD

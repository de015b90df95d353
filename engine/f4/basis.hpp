// Upkeep of what the F4 main loop keeps between steps: the basis array G,
// the sorted list D of pending pairs and the reducer table.
//
//   G        Dpol pointers in order of entry, compacted when entries leave;
//            at most kMaxBasis entries.
//   reducers every polynomial the run has produced or started from (also
//            those that left G), sorted by resort_Dpol; it only grows.
//   D        a Crit list sorted by comp_Crit.
// Polynomials dropped from G stay alive: they remain reducers.
#pragma once

#include <cstdint>

#include "engine/f4/pairs.hpp"

namespace zel::ZEL_BUILD {

// Capacity of a basis array.
inline constexpr uint32_t kMaxBasis = 100000;

// f enters G[0 .. n-1], whose leading monomial is m (word form; unused when
// n = 0): every G[i] whose leading monomial is a multiple of m (m itself
// included) leaves, the others are packed to the front in order, and f goes
// after them.  Returns the new count.  Fatal when the basis would overflow.
uint32_t updatF(const ExposW* m, Dpol* f, Dpol** G, uint32_t n);

// Appends the k polynomials of `fresh` to table[0 .. *r-1] and re-sorts the
// whole table with resort_Dpol; *r grows by k.  `fresh` may be table + *r
// (where an F4 step leaves its new polynomials).  Fatal when *r + k reaches
// `capacity` (the last entry is never used).
void reductors(Dpol** table, uint32_t* r, Dpol* const* fresh, uint32_t k,
               uint32_t capacity);

// Merges two sorted pair lists; on a tie the pair of b comes first.  The
// main loop passes the new pairs as a and the filtered old pairs as b.
Crit* updatD(Crit* a, Crit* b);

// Removes (and gives back) every pair of L of degree >= d whose lcm is a
// multiple of l; returns the rest in order.
Crit* critBackonD1(uint32_t d, const ExposW* l, Crit* L);

// Gives c's monomials and c itself back to their pools; returns c's next.
Crit* kill_deep_Crit(Crit* c);

// Gives back every pair of L for which drop(c) holds; returns the rest in order.
template <class Drop>
Crit* kill_Crit_if(Crit* L, Drop drop) {
  Crit head{};
  head.next = L;
  Crit* prev = &head;
  for (Crit* c = L; c;) {
    if (drop(c)) {
      c = kill_deep_Crit(c);
      prev->next = c;
    } else {
      prev = c;
      c = c->next;
    }
  }
  return head.next;
}

// Keeps, packed to the front in order, the G[i] free of the first block of
// variables (every term with exponent 0 in variables 0 .. var_second_block-1);
// reports the count unless quiet and returns it.
uint32_t restriction(Dpol** G, uint32_t n);

}  // namespace zel::ZEL_BUILD

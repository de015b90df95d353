// Critical pairs: the record, its pool, making the pairs of a new polynomial
// and the order of pair lists.
//
// A pair (p, q) stands for the S-polynomial of two basis polynomials, held as
// the two products an F4 step puts into its matrix: p times lcm/LM(p) and q
// times lcm/LM(q).  Pair lists are singly linked, null-terminated and, except
// transiently, sorted by comp_Crit: by degree, then larger lcm first.
//
// For every polynomial that enters the basis the main loop runs:
//   P  = trier_Crit(ZEL_C(generate_Crit)(f, G, n));   // new pairs, sorted
//   D' = crit2onLPC(m, D);                             // old pairs filtered
//   D  = updatD(critBackEtrangeronLPC(P), D');          // new pairs filtered, merged
//   n  = updatF(m, f, G, n);                            // f enters the basis
// (criteria.hpp, basis.hpp).
#pragma once

#include <cstdint>

#include "engine/mem/pool.hpp"
#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

struct Crit {
  uint32_t degree;  // total degree of lcm (all fields, homogenising included)
  ExposW* mult1;    // lcm / LM(p1), null when equal
  ExposW* mult2;    // lcm / LM(p2), null when equal
  ExposW* lcm;      // lcm(LM(p1), LM(p2))
  Dpol* p1;         // the polynomial with the smaller serial number
  Dpol* p2;
  Crit* next;
};
static_assert(sizeof(Crit) == 56, "pair records are 56 bytes");

// The three monomials of a pair are pool blocks used as word form from their
// first byte; give them back with ZEL_C(kill_Expos)(pool_block_of(w)).

// Degree window: a pair exists only when Dlim_min < degree <= Dlim.
extern uint32_t Dlim;      // 1,000,000,000 unless the compute entry sets it
extern uint32_t Dlim_min;  // 0

// Pair records come from Crit_pool (pool.hpp), refilled 10000 at a time in
// zone 3, and only ever go back to it.
// A record from the pool; fields not cleared.
inline Crit* ZEL_C(new_Crit)() { return static_cast<Crit*>(pool_take(Crit_pool)); }
// Gives a record back to the pool (its monomials are not touched).
inline void free_Crit(Crit* c) { pool_give(Crit_pool, c); }

// The pair (p, q) if its degree lies in the window, else null (the lcm goes
// straight back to the pool).  `next` is not set.
Crit* ZEL_C(make_Crit1)(Dpol* p, Dpol* q);

// The pairs of f with G[0 .. n-1] that lie in the window, the one with the
// smaller serial number first in each pair, listed in the reverse order of G.
// Null when n < 1.
Crit* ZEL_C(generate_Crit)(Dpol* f, Dpol* const* G, int32_t n);

// Order of pair lists: -1 when a comes first.  Smaller degree first; within a
// degree the larger lcm first; within an lcm the larger first multiplier
// first, and a pair with a first multiplier before one without.
int32_t comp_Crit(const Crit* a, const Crit* b);
// comp_Crit, writing the "#" mark only when `report` is set.
int32_t compare_pairs(const Crit* a, const Crit* b, bool report);

// Sorts a list by comp_Crit (bottom-up merge sort on the links; when two
// pairs compare equal the one from the later run comes first).
Crit* trier_Crit(Crit* list);

// Merges two lists sorted by comp_Crit; on a tie the pair of b goes first.
// When tail is given, stores the merged list's last pair there.
Crit* merge_Crit(Crit* a, Crit* b, Crit** tail = nullptr);

}  // namespace zel::ZEL_BUILD

// The pairs a polynomial brings when it enters the basis, after the
// new-pair criteria, made without a record for the pairs that go.
//
// Of the pairs of f with the basis most go at once: their lcm is a proper
// multiple of the lcm of a pair of lower degree.  Building, sorting and
// walking all of them (generate_Crit, trier_Crit, critBackEtrangeronLPC) is
// what a new polynomial cost.  Here the lcms are formed in a scratch array,
// the pairs of each degree are screened against the pruning lcms of the
// lower degrees, and only the pairs left get a record; those are sorted and
// walked as before.
//
// Why the result is the same list, in the same order:
//  - the walk prunes with the lcm of a run of equal lcms when it reaches the
//    run's last pair (a coprime pair discards its follower and the walk goes
//    on after both, so it may pass a run by), and it prunes the pairs of
//    higher degree whose lcm is a multiple; a pruned run's divisor divides
//    every multiple of the run's lcm as well, so a pair goes exactly when
//    the lcm of a pruning run of lower degree divides its own;
//  - pairs with equal lcms share their fate, so each degree's runs are
//    made of the same pairs as in the full list;
//  - the bottom-up merge sort puts pairs that compare equal in the reverse
//    order of its input, which lists the pairs in the reverse order of G:
//    a stable sort in the order of G gives the same list.
// The sort compares without writing the "#" marks of comp_Crit, so the main
// loop takes this path only when it is quiet.
#pragma once

#include <cstdint>

#include "engine/f4/pairs.hpp"

namespace zel::ZEL_BUILD {

// critBackEtrangeronLPC(trier_Crit(ZEL_C(generate_Crit)(f, G, n))), without
// the "#" marks.  With many variables (monomials of more than 16 words) it
// is computed that way: the screening would cost as much as the records.
Crit* new_pairs(Dpol* f, Dpol* const* G, int32_t n);

}  // namespace zel::ZEL_BUILD

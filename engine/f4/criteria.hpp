// The criteria that discard useless critical pairs (Gebauer-Moeller).
//
// Old pairs are tested against the leading monomial m of each new basis
// polynomial (crit2onLPC); the new pairs of that polynomial are pruned among
// themselves (critBackEtrangeronLPC): coprime leading monomials, equal lcms
// and lcms that are proper multiples of an earlier lcm.  Every discarded pair
// goes back to its pool with its monomials (kill_deep_Crit, basis.hpp).
// The tests work word by word on the packed monomials and allocate nothing.
#pragma once

#include <cstdint>

#include "engine/f4/pairs.hpp"

namespace zel::ZEL_BUILD {

// 1 when an old pair with this lcm and these leading monomials L1, L2 is made
// useless by a new polynomial with leading monomial m: m divides the lcm, and
// lcm(m, L1) and lcm(m, L2) both differ from it.
int crit2(const ExposW* m, const ExposW* lcm, const ExposW* L1, const ExposW* L2);

// Removes (and gives back) every pair of D for which crit2 is 1; keeps the
// order of the others.
Crit* crit2onLPC(const ExposW* m, Crit* D);

// 1 when the two leading monomials of c are coprime, the homogenising
// variable excepted.
int Disjoint(const Crit* c);

// Applies the new-pair criteria to the new pairs P of one polynomial, sorted
// by comp_Crit.  Of each run of pairs with equal lcm the last survives (a
// coprime pair discards its follower instead and stays); a pair whose lcm is
// a proper multiple of an earlier lcm goes; a coprime pair at the end of its
// run goes.  Returns the survivors in order.
Crit* critBackEtrangeronLPC(Crit* P);

}  // namespace zel::ZEL_BUILD

// The rational parametrisation of a lexicographic basis in shape form: f(t)
// of degree d in the last variable t and x_j + R_j(t) for the other
// variables become f and x_j + (R_j f'/d mod f).
#pragma once

#include <cstdint>

#include "engine/poly/dpol.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// Rewrites basis[0 .. n-1] in place (f stays where it is).  Fatal, with the
// array unchanged, when n = 0 or no polynomial is univariate in the last
// variable ("Cannot find the univariate polynomial !"), or when another
// polynomial is not x_j + R_j(t) with deg R_j < d (not in shape position).
// For d = 0 nothing changes.  In every lane the new terms are the union of
// the lanes' non-zero positions.
void apply_rr(Dpol** basis, uint32_t n);

// basis[0 .. n-1] is one polynomial in the last variable alone.
bool lone_univariate(Dpol* const* basis, uint32_t n);

// out[0 .. d-1] = (R * Dm) mod (t^d + F[d-1] t^(d-1) + ... + F[0]) modulo
// the prime of lane k (F[d] is not read).
void ZEL_C(Pprime)(uint32_t k, const uint32_t* F, const uint32_t* Dm, const uint32_t* R,
                   uint32_t* out, uint32_t d);

}  // namespace zel::ZEL_BUILD

// Univariate polynomials modulo a prime p given by the caller (any p from 2
// to 2^32), on plain vectors: products, division, gcd and lcm, and the
// square-free part, which in characteristic p must also take p-th roots
// (f' vanishes on f = g(t)^p, so f / gcd(f, f') alone loses such factors).
// The checked change of order of the solving modes works with these.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

// The multiply-adds of the products and divisions below since the process
// started: a count of their work that gives the same figure on every run.
extern uint64_t univariate_products;

// Coefficients in [0, p), lowest degree first, no zero on top; empty for 0.
using ModPoly = std::vector<uint64_t>;

ModPoly trimmed(ModPoly a);
ModPoly monic(ModPoly a, uint64_t p);
ModPoly poly_mul(const ModPoly& a, const ModPoly& b, uint64_t p);
// a mod b and a div b; b is not zero.
ModPoly poly_rem(ModPoly a, const ModPoly& b, uint64_t p);
ModPoly poly_quo(ModPoly a, const ModPoly& b, uint64_t p);
// Monic gcd (0 for a = b = 0) and monic lcm of non-zero a and b.
ModPoly poly_gcd(ModPoly a, ModPoly b, uint64_t p);
ModPoly poly_lcm(const ModPoly& a, const ModPoly& b, uint64_t p);
// The monic product of the distinct irreducible factors of f (f not 0).
ModPoly squarefree_part(const ModPoly& f, uint64_t p);

}  // namespace zel::ZEL_BUILD

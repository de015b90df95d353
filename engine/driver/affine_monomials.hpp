// Plain views of engine polynomials for the solving modes: the exponents of
// the caller's variables as a vector, monomials made back from them, and
// homogenised copies for another run of the main loop.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/mono/expos_array.hpp"
#include "engine/mono/expos_hash.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "engine/mono/expos_words.hpp"
#include "engine/poly/dpol.hpp"

namespace zel::ZEL_BUILD {

using Exps = std::vector<uint32_t>;  // one exponent per caller variable

// The exponents of variables 0 .. n-1 of m (header form).
inline Exps affine_exps(const Expos* m, uint32_t n) {
  Exps e(n);
  for (uint32_t v = 0; v < n; ++v) e[v] = get_field(words_of(m), v);
  return e;
}

// A fresh monomial (header form, hash set) with the exponents e and every
// other field 0.
inline Expos* expos_from(const Exps& e) {
  Expos* m = ZEL_C(new_heap_Expos)();
  ExposW* w = words_of(m);
  for (uint32_t k = 0; k < nb_of_blocks_of_variables; ++k) set_word(w, k, 0);
  for (uint32_t v = 0; v < e.size(); ++v) set_field(w, v, e[v]);
  put_hash(m, hash_Expos(w));
  return m;
}

// Homogenises a polynomial made by the solving steps for another run of
// the main loop.
inline void rehomogenise(Dpol* p) {
  homogenous_Dpol(p->n, p->mono);
  set_hash(p->n, p->mono);
}

// A homogenised copy on fresh monomials: a basis may share its monomials
// with other polynomials, and homogenising rewrites them in place.
inline Dpol* homogeneous_copy(const Dpol* p) {
  const uint32_t nv = nb_of_affine_variables, V = ZEL_C(vectorize);
  Dpol* q = new_Dpol(p->n);
  for (uint32_t t = 0; t < p->n; ++t) {
    q->mono[t] = expos_from(affine_exps(p->mono[t], nv));
    for (uint32_t l = 0; l < V; ++l) lanes(q)[l][t] = lanes(p)[l][t];
  }
  rehomogenise(q);
  return q;
}

inline bool divides(const Exps& a, const Exps& b) {
  for (size_t v = 0; v < a.size(); ++v)
    if (a[v] > b[v]) return false;
  return true;
}

inline uint32_t exps_degree(const Exps& e) {
  uint32_t d = 0;
  for (uint32_t x : e) d += x;
  return d;
}

inline uint64_t mul_mod(uint64_t a, uint64_t b, uint64_t p) { return a * b % p; }
inline uint64_t pow_mod(uint64_t a, uint64_t e, uint64_t p) {
  uint64_t r = 1;
  for (a %= p; e; e >>= 1, a = a * a % p)
    if (e & 1) r = r * a % p;
  return r;
}
inline uint64_t inv_mod(uint64_t a, uint64_t p) { return pow_mod(a, p - 2, p); }

}  // namespace zel::ZEL_BUILD

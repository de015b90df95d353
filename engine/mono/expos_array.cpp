// Tests and rewrites on the monomial array of a polynomial.
#include "engine/mono/expos_array.hpp"

#include "engine/mem/messages.hpp"
#include "engine/poly/dpol.hpp"

namespace zel::ZEL_BUILD {

uint32_t homogenous_Dpol(uint32_t count, Expos** monomials) {
  const uint32_t h = nb_of_affine_variables;
  uint32_t D = 0;
  // Largest value of (homogenising exponent - degree) over the monomials: the
  // new homogenising exponent of each is D + that difference.
  int64_t lift = INT64_MIN;
  for (uint32_t i = 0; i < count; ++i) {
    if (!monomials[i]) continue;
    const ExposW* w = words_of(monomials[i]);
    const uint32_t d = total_degree(w);
    if (d > D) D = d;
    const int64_t diff = int64_t(get_field(w, h)) - int64_t(d);
    if (diff > lift) lift = diff;
  }
  if (lift != INT64_MIN && int64_t(D) + lift > int64_t(kMaxExponent))
    ZEL_C(Fatal)
    ("Homogenisation raises the exponent of the homogenising variable to %lld (at most %u)\n",
     static_cast<long long>(int64_t(D) + lift), kMaxExponent);
  for (uint32_t i = 0; i < count; ++i) {
    if (!monomials[i]) continue;
    ExposW* w = words_of(monomials[i]);
    const uint32_t d = total_degree(w);
    if (d < D) set_field(w, h, get_field(w, h) + (D - d));
  }
  return D;
}

int is_eliminated(uint32_t count, Expos* const* monomials, uint32_t k) {
  if (k == 0) return 1;
  const uint32_t full = k >> 2;
  const uint64_t part = low_fields_mask(k & 3);
  for (uint32_t i = 0; i < count; ++i) {
    if (!monomials[i]) continue;
    const ExposW* w = words_of(monomials[i]);
    for (uint32_t j = 0; j < full; ++j)
      if (get_word(w, j)) return 0;
    if (part && (get_word(w, full) & part)) return 0;
  }
  return 1;
}

int is_reducible(Expos* const* monomials_of_f, Dpol* const* G, uint32_t count) {
  const ExposW* f = words_of(monomials_of_f[0]);
  const uint32_t h = nb_of_affine_variables;
  const uint32_t kh = h >> 2;
  const uint64_t drop_h = ~(uint64_t(0xFFFF) << (16 * (h & 3)));
  const uint32_t B = nb_of_blocks_of_variables;
  for (uint32_t i = 0; i < count; ++i) {
    const ExposW* g = words_of(G[i]->mono[0]);
    bool divides = true;
    for (uint32_t k = B; k-- > 0;) {
      uint64_t gk = get_word(g, k);
      if (k == kh) gk &= drop_h;
      if ((get_word(f, k) - gk) & kFieldTopBits) {
        divides = false;
        break;
      }
    }
    if (divides) return 1;
  }
  return 0;
}

int is_pure_power_i(Expos* const* monomials, uint32_t i) {
  const ExposW* w = words_of(monomials[0]);
  uint32_t positive = 0;
  for (uint32_t v = 0; v < var_second_block && v < nb_of_variables; ++v)
    if (get_field(w, v) && ++positive >= 2) return 0;
  return get_field(w, i) ? 1 : 0;
}

}  // namespace zel::ZEL_BUILD

// Polynomial-array orderings, input homogenisation and small searches.
#include "engine/f4/dpol_sort.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/api/entry_guard.hpp"
#include "engine/api/handles.hpp"
#include "engine/call_zel.h"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mono/expos_order.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Shell sort with gaps n/2, n/4 .. 1: element j+gap moves down past element
// j only while before(v[j+gap], v[j]); equal elements are never swapped.
template <class T, class Before>
void shell_sort(T* v, int32_t n, Before before) {
  for (int32_t gap = n / 2; gap > 0; gap /= 2)
    for (int32_t i = 0; i + gap < n; ++i)
      for (int32_t j = i; j >= 0 && before(v[j + gap], v[j]); j -= gap)
        std::swap(v[j], v[j + gap]);
}

// A word with its four 16-bit fields in reverse order, so that comparing two
// such words as integers compares their fields lexicographically, lowest
// field first.
inline uint64_t fields_reversed(uint64_t x) {
  x = (x >> 32) | (x << 32);
  return ((x & 0xFFFF0000FFFF0000ULL) >> 16) | ((x & 0x0000FFFF0000FFFFULL) << 16);
}

// Lexicographic comparison of exponent vectors, variable 0 most significant.
// Spare fields are 0 in every monomial, so whole words can be compared.
inline bool lex_greater(const ExposW* a, const ExposW* b) {
  for (uint32_t k = 0, B = nb_of_blocks_of_variables; k < B; ++k) {
    const uint64_t wa = get_word(a, k), wb = get_word(b, k);
    if (wa != wb) return fields_reversed(wa) > fields_reversed(wb);
  }
  return false;
}

inline const ExposW* leading(const Dpol* p) { return words_of(p->mono[0]); }

}  // namespace

void resort_Dpol(Dpol** v, int32_t n) {
  shell_sort(v, n, [](const Dpol* a, const Dpol* b) { return lex_greater(leading(a), leading(b)); });
}

void sort_totaldeg_Dpol(Dpol** v, int32_t n) {
  shell_sort(v, n, [](const Dpol* a, const Dpol* b) {
    return total_degree(leading(a)) < total_degree(leading(b));
  });
}

void force_sort_Dpol(Dpol* p) {
  // Sort term positions, then move monomials and every lane's coefficients
  // once.  The same comparisons as a sort of the terms themselves, so the
  // same result.
  const int32_t n = int32_t(p->n);
  if (n < 2) return;
  Expos** mono = p->mono;
  std::vector<uint32_t> perm(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) perm[size_t(i)] = uint32_t(i);
  shell_sort(perm.data(), n, [mono](uint32_t a, uint32_t b) {
    return comp5_Expos(words_of(mono[a]), words_of(mono[b])) > 0;
  });
  std::vector<Expos*> m2(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) m2[size_t(i)] = mono[perm[size_t(i)]];
  std::copy(m2.begin(), m2.end(), mono);
  std::vector<Dom> c2(static_cast<size_t>(n));
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
    Dom* c = lanes(p)[l];
    if (!c) continue;
    for (int32_t i = 0; i < n; ++i) c2[size_t(i)] = c[perm[size_t(i)]];
    std::copy(c2.begin(), c2.end(), c);
  }
}

void renormalize_input(ExposW** monomials, uint32_t n) {
  const uint32_t h = nb_of_affine_variables;
  uint32_t D = 0;
  for (uint32_t i = 0; i < n; ++i)
    if (monomials[i]) {
      const uint32_t d = total_degree(monomials[i]);
      if (d > D) D = d;
    }
  // A homogenising exponent of 2^15 or more would corrupt the packed words:
  // refuse the input before touching any monomial.
  for (uint32_t i = 0; i < n; ++i)
    if (monomials[i]) {
      const uint64_t e = uint64_t(get_field(monomials[i], h)) + (D - total_degree(monomials[i]));
      if (e > kMaxExponent)
        Fatal("Homogenisation raises the exponent of the homogenising variable to %llu (at most %u)\n",
              static_cast<unsigned long long>(e), kMaxExponent);
    }
  for (uint32_t i = 0; i < n; ++i)
    if (monomials[i]) {
      const uint32_t d = total_degree(monomials[i]);
      if (d < D) set_field(monomials[i], h, get_field(monomials[i], h) + (D - d));
    }
}

Dpol* is_reducible_by_G(const ExposW* m, Dpol* const* G, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i)
    if (is_sub_Expos1(m, leading(G[i]))) return G[i];
  return nullptr;
}

Dpol* coeff_Dpol(Dpol* p) {
  const uint32_t s = var_second_block;
  if (p->n == 0 || !p->mono[0] || s == 0) return nullptr;
  // Mask of the first block's fields in each word.
  const uint32_t B = nb_of_blocks_of_variables;
  auto block1 = [s](uint32_t k) -> uint64_t {
    if (4 * (k + 1) <= s) return ~uint64_t(0);
    if (4 * k >= s) return 0;
    return low_fields_mask(s - 4 * k);
  };
  const ExposW* lead = words_of(p->mono[0]);
  bool any = false;
  for (uint32_t k = 0; k < B; ++k) any |= (get_word(lead, k) & block1(k)) != 0;
  if (!any || p->n == 1) return nullptr;
  for (uint32_t t = 1; t < p->n; ++t) {
    const ExposW* w = words_of(p->mono[t]);
    for (uint32_t k = 0; k < B; ++k)
      if ((get_word(w, k) ^ get_word(lead, k)) & block1(k)) {
        p->n = t;
        return t == 1 ? nullptr : p;
      }
  }
  return p;
}

}  // namespace zel::ZEL_BUILD

ZEL_EXPORT void* ZEL_C(coeff_Dpol)(void* p) try {
  ZEL_ENTRY_CLAIM;
  // Its walk reads every term: a stale handle or unset terms would fault.
  zel::ZEL_BUILD::check_live_handle(p, "coeff_Dpol", true);
  return zel::ZEL_BUILD::coeff_Dpol(static_cast<zel::ZEL_BUILD::Dpol*>(p));
} ZEL_ENTRY_CATCH("coeff_Dpol")

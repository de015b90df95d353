// Integer build: lifting whole polynomials (rows of residue lanes) and
// clearing their denominators.
#include <vector>

#include <gmp.h>

#include "engine/coef/chinese.hpp"
#include "engine/coef/int_slide.hpp"
#include "engine/mem/zone.hpp"

namespace zel::ZEL_BUILD {

namespace {

// Numerators times L / d_j into out, L = the common denominator D that
// lift_sharing_denominator left (the lcm of the denominators), into *extra;
// tri holds the lifted triples.  Most terms have d_j = L.
void clear_denominators(INT* extra, INT* out, const INT* tri, uint32_t t, const INT& D) {
  INT f;
  mpz_init(&f);
  for (uint32_t j = 0; j < t; j++) {
    mpz_init(&out[j]);
    if (mpz_cmp(&D, &tri[3 * j + 2]) == 0) {
      mpz_set(&out[j], &tri[3 * j + 1]);
    } else {
      mpz_divexact(&f, &D, &tri[3 * j + 2]);
      mpz_mul(&out[j], &tri[3 * j + 1], &f);
    }
  }
  if (extra != nullptr) mpz_init_set(extra, &D);
}

}  // namespace

int ZEL_C(primpart)(INT* extra, INT* out, Dom* const* lanes, uint32_t t) {
  HeapMark m;
  save_GC_state(m);
  auto* tri = static_cast<INT*>(alloc64(sizeof(INT) * 3 * (t > 0 ? t : 1)));
  INT D;
  mpz_init_set_ui(&D, 1);
  std::vector<uint32_t> r(valid_number_of_primes);
  bool all = true;
  for (uint32_t j = 0; j < t; j++) {
    for (uint32_t l = 0; l < valid_number_of_primes; l++) r[l] = lanes[l][j];
    tri[3 * j] = Chinese_INT(r.data(), chinese_cstes, valid_number_of_primes);
    // After a failure only the images are kept: reconstructing the other
    // terms would change nothing.
    if (all &&
        !lift_sharing_denominator(tri + 3 * j, ZEL_C(product_of_primes), &ZEL_C(maxi_INT), 0, &D))
      all = false;
  }
  if (!all) {
    for (uint32_t j = 0; j < t; j++) out[j] = tri[3 * j];
    restore_and_slide_array(m, nullptr, out, t);
    return 0;
  }
  clear_denominators(extra, out, tri, t, D);
  restore_and_slide_array(m, extra, out, t);
  return 1;
}

int ZEL_C(primpart_upgrade)(INT* extra, INT* slots, Dom* const* lanes, uint32_t t, uint32_t s,
                            const INT& M, const INT& c1, const INT& c2) {
  HeapMark m;
  save_GC_state(m);
  auto* tri = static_cast<INT*>(alloc64(sizeof(INT) * 3 * (t > 0 ? t : 1)));
  INT D;
  mpz_init_set_ui(&D, 1);
  bool all = true;
  (void)c1;  // M and c2 determine it
  const BatchStep step = batch_step(M, c2);
  std::vector<uint32_t> r(valid_number_of_primes);
  // From the last term: the tail is where a coefficient fails first, and
  // after a failure the others need only their new images.
  for (uint32_t j = t; j-- > 0;) {
    for (uint32_t l = 0; l < valid_number_of_primes; l++) r[l] = lanes[l][j];
    tri[3 * j] = combined_image(r.data(), slots[j], step);
    if (all && !lift_sharing_denominator(tri + 3 * j, M, nullptr, s, &D)) all = false;
  }
  if (!all) {
    for (uint32_t j = 0; j < t; j++) slots[j] = tri[3 * j];
    restore_and_slide_array(m, nullptr, slots, t);
    return 0;
  }
  clear_denominators(extra, slots, tri, t, D);
  restore_and_slide_array(m, extra, slots, t);
  return 1;
}

int ZEL_C(lift_array)(const uint32_t* vectors, INT* out, uint32_t t) {
  HeapMark m;
  save_GC_state(m);
  const uint32_t n = valid_number_of_primes;
  INT D, g, f, pair[2];
  mpz_init_set_ui(&D, 1);
  mpz_init(&g);
  mpz_init(&f);
  for (uint32_t i = 0; i < t; i++) {
    if (!ZEL_C(lift_one_INT)(vectors + size_t(i) * n, pair)) {
      restore_GC_state(m);
      return 0;
    }
    // Bring the earlier numerators and this one over lcm(D, d_i).
    mpz_gcd(&g, &pair[1], &D);
    mpz_divexact(&f, &pair[1], &g);
    for (uint32_t k = 0; k < i; k++) mpz_mul(&out[k], &out[k], &f);
    mpz_init(&out[i]);
    mpz_divexact(&out[i], &D, &g);
    mpz_mul(&out[i], &out[i], &pair[0]);
    mpz_mul(&D, &D, &f);
  }
  restore_and_slide_array(m, nullptr, out, t);
  return 1;
}

}  // namespace zel::ZEL_BUILD

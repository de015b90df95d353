// Chinese remaindering and rational reconstruction against plain GMP.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/coef/chinese.hpp"
#include "engine/coef/early_lift.hpp"
#include "engine/coef/int_context.hpp"
#include "engine/mem/zone.hpp"
#include "support/int_ref.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::dec;
using zel_test::RefZ;

namespace {

struct ChineseTest : zel_test::BatchFixture {};

std::vector<uint32_t> batch_primes() {
  return std::vector<uint32_t>(valid_Primes, valid_Primes + valid_number_of_primes);
}

RefZ product(const std::vector<uint32_t>& primes) {
  RefZ P("1");
  for (uint32_t p : primes) mpz_mul_ui(P.v, P.v, p);
  return P;
}

// Residues of num/den modulo each prime (den invertible).
std::vector<uint32_t> residues_of(const RefZ& num, const RefZ& den,
                                  const std::vector<uint32_t>& primes) {
  std::vector<uint32_t> r;
  for (uint32_t p : primes) {
    RefZ pp, inv, x;
    mpz_set_ui(pp.v, p);
    EXPECT_NE(mpz_invert(inv.v, den.v, pp.v), 0);
    mpz_mul(x.v, num.v, inv.v);
    r.push_back(uint32_t(mpz_fdiv_ui(x.v, p)));
  }
  return r;
}

struct Lifted {
  int ok;
  std::string image, num, den;
};

// try_lift_one_INT of the residues, as text.
Lifted try_lift(const std::vector<uint32_t>& r) {
  IntContext ctx;
  zel::ZEL_BUILD::ZoneScope scope;
  INT t[3];
  const int ok = ZEL_C(try_lift_one_INT)(r.data(), t);
  return {ok, dec(&t[0]), dec(&t[1]), dec(&t[2])};
}

// The reconstruction contract: num = image * den mod P, |num| and den below
// the bound, den > 0, gcd 1.
void expect_valid_fraction(const Lifted& l, const RefZ& P, const RefZ& B) {
  RefZ u(l.image.c_str()), n(l.num.c_str()), d(l.den.c_str()), x, g;
  mpz_mul(x.v, u.v, d.v);
  mpz_sub(x.v, x.v, n.v);
  EXPECT_TRUE(mpz_divisible_p(x.v, P.v)) << l.num << "/" << l.den;
  EXPECT_GT(mpz_sgn(d.v), 0);
  EXPECT_LT(mpz_cmpabs(n.v, B.v), 0);
  EXPECT_LT(mpz_cmp(d.v, B.v), 0);
  mpz_gcd(g.v, n.v, d.v);
  EXPECT_EQ(mpz_cmp_ui(g.v, 1), 0);
}

TEST_F(ChineseTest, ImagesAndFractionsAgreeWithPlainGmpOnRandomData) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(11);
  for (uint32_t n : {1u, 2u, 3u, 5u, 8u, 13u}) {
    zel_test::use_batch(n, 100 + n);
    const std::vector<uint32_t> primes = batch_primes();
    const RefZ P = product(primes);
    EXPECT_EQ(dec(&ZEL_C(product_of_primes)), dec(P.v));
    RefZ B;
    mpz_fdiv_q_2exp(B.v, P.v, 1);
    if (n > 1) mpz_fdiv_q_ui(B.v, B.v, primes[0]);
    mpz_sqrt(B.v, B.v);
    EXPECT_EQ(dec(&ZEL_C(maxi_INT)), dec(B.v));
    const uint32_t bits = uint32_t(mpz_sizeinbase(B.v, 2)) - 1;
    for (long it = 0; it < zel_test::iterations(60); it++) {
      // A fraction within the bound comes back exactly, reduced, sign on top.
      RefZ num = zel_test::random_ref(rng, 1 + uint32_t(rng() % bits));
      RefZ den = zel_test::random_ref(rng, 1 + uint32_t(rng() % bits), false);
      if (mpz_sgn(den.v) == 0) mpz_set_ui(den.v, 1);
      RefZ g;
      mpz_gcd(g.v, num.v, den.v);
      bool invertible = mpz_sgn(g.v) != 0;
      for (uint32_t p : primes) invertible = invertible && mpz_fdiv_ui(den.v, p) != 0;
      if (!invertible) continue;
      mpz_divexact(num.v, num.v, g.v);
      mpz_divexact(den.v, den.v, g.v);
      const Lifted l = try_lift(residues_of(num, den, primes));
      ASSERT_EQ(l.ok, 1) << dec(num.v) << "/" << dec(den.v);
      EXPECT_EQ(l.num, dec(num.v));
      EXPECT_EQ(l.den, dec(den.v));
      // The image is the residue vector's unique preimage modulo P.
      RefZ u(l.image.c_str());
      for (size_t i = 0; i < primes.size(); i++) {
        RefZ x;
        mpz_fdiv_r_ui(x.v, u.v, primes[i]);
        EXPECT_EQ(mpz_get_ui(x.v), residues_of(num, den, primes)[i]);
      }
      // Arbitrary residues: either no fraction, or one that checks out.
      std::vector<uint32_t> r(n);
      for (uint32_t i = 0; i < n; i++) r[i] = uint32_t(rng() % primes[i]);
      const Lifted any = try_lift(r);
      if (any.ok)
        expect_valid_fraction(any, P, B);
      else
        EXPECT_EQ(any.num + "/" + any.den, "0/1");
    }
    // Zero lifts to 0/1.
    const Lifted z = try_lift(std::vector<uint32_t>(n, 0));
    EXPECT_EQ(z.ok, 1);
    EXPECT_EQ(z.num + "/" + z.den, "0/1");
  }
}

TEST_F(ChineseTest, TheContextsDirectSumIsTheTreesSumExactly) {
  // The images are not reduced modulo P: both ways must give one integer.
  auto rng = zel_test::make_rng(12);
  for (uint32_t n : {2u, 3u, 8u, 40u, 64u, 65u}) {
    zel_test::use_batch(n, 7 * n);
    IntContext ctx;
    zel::ZEL_BUILD::ZoneScope scope;
    const INT* tree = init_Chinese_cstes(valid_Primes, n);
    for (int it = 0; it < 20; it++) {
      std::vector<uint32_t> r(n);
      for (uint32_t i = 0; i < n; i++)
        r[i] = it == 0 ? valid_Primes[i] - 1 : uint32_t(rng() % valid_Primes[i]);
      const INT direct = Chinese_INT(r.data(), chinese_cstes, n);
      const INT by_tree = Chinese_INT(r.data(), tree, n);
      EXPECT_EQ(dec(&direct), dec(&by_tree)) << n << " primes";
    }
  }
}

// What GMP asks of the zone while a step runs (the zone's own functions
// do the work).
struct CountedGmpMemory {
  static inline uint64_t bytes = 0;
  // The most zone 1 held after one of GMP's allocations, beyond what it
  // held when counting began.
  static inline uint64_t peak = 0;
  static inline uint64_t start = 0;
  static inline void* (*zone_alloc)(size_t) = nullptr;
  static inline void* (*zone_realloc)(void*, size_t, size_t) = nullptr;
  static inline void (*zone_free)(void*, size_t) = nullptr;
  CountedGmpMemory() {
    mp_get_memory_functions(&zone_alloc, &zone_realloc, &zone_free);
    bytes = 0;
    peak = 0;
    start = zone1_in_use();
    mp_set_memory_functions(
        [](size_t n) {
          bytes += n;
          return note_peak(zone_alloc(n));
        },
        [](void* p, size_t old, size_t n) {
          bytes += n;
          return note_peak(zone_realloc(p, old, n));
        },
        zone_free);
  }
  // The blocks of zone 1 before its current one, and the current one up to
  // its free space.
  static uint64_t zone1_in_use() {
    const GarbageZone& z = garbage_zone[0];
    if (z.cur_garbages == 0) return 0;
    uint64_t used = 0;
    for (uint32_t i = 0; i + 1 < z.cur_garbages; ++i) used += z.zone_memory_size[i];
    return used + uint64_t(z.bignum_tas - z.all_garbages[z.cur_garbages - 1]);
  }
  static void* note_peak(void* p) {
    peak = std::max(peak, zone1_in_use() - start);
    return p;
  }
  ~CountedGmpMemory() { mp_set_memory_functions(zone_alloc, zone_realloc, zone_free); }
};

// The tree constants of a large batch (its primes' products) take zone
// memory of some log^2 n products of all the primes at most: a
// product grown by reallocation one limb at a time would leave every
// shorter block behind and take memory quadratic in n.
TEST_F(ChineseTest, TheConstantsOfALargeBatchTakeMemoryNearlyLinearInIt) {
  const uint32_t n = 6000;
  zel_test::use_batch(n, 0);
  IntContext ctx;
  zel::ZEL_BUILD::ZoneScope scope;
  CountedGmpMemory counted;
  init_Chinese_cstes(valid_Primes, n);
  const uint64_t product_bytes = 4 * uint64_t(n);
  EXPECT_LT(CountedGmpMemory::bytes, 256 * product_bytes);
}

TEST_F(ChineseTest, AFurtherBatchGivesTheImageInZeroToTheNewModulus) {
  // Old images as the loop has them: reduced, or a first batch's unreduced
  // sum (even past M_old); the new image is the one integer of [0, M_old P)
  // that agrees with both.
  auto rng = zel_test::make_rng(13);
  IntContext ctx;
  zel::ZEL_BUILD::ZoneScope scope;
  INT M_old = ZEL_C(copy_INT)(ZEL_C(product_of_primes));
  zel_test::use_batch(9, 60);
  const BatchCombination comb = combination_with_batch(M_old);
  RefZ M, U, x, ref, old_mod(dec(&M_old).c_str()), P(dec(&comb.P).c_str());
  mpz_mul(M.v, old_mod.v, P.v);
  for (int it = 0; it < 40; it++) {
    U = zel_test::random_ref(rng, 1 + uint32_t(rng() % 200));
    if (it % 3 == 0) mpz_abs(U.v, U.v);
    std::vector<uint32_t> r(valid_number_of_primes);
    for (uint32_t i = 0; i < valid_number_of_primes; i++)
      r[i] = uint32_t(rng() % valid_Primes[i]);
    INT triple[3];
    ZEL_C(try_upgrade_lift_one_INT)(r.data(), triple, *U.v, *M.v, 0, comb, 1);
    mpz_set(x.v, &triple[0]);
    EXPECT_GE(mpz_sgn(x.v), 0);
    EXPECT_LT(mpz_cmp(x.v, M.v), 0);
    EXPECT_TRUE(mpz_congruent_p(x.v, U.v, old_mod.v));
    for (uint32_t i = 0; i < valid_number_of_primes; i++)
      EXPECT_EQ(mpz_fdiv_ui(x.v, valid_Primes[i]), r[i]);
  }
}

// The plain remainder sequence of (M, x mod M) down to the bound B.
Lifted reference_reconstruction(const RefZ& x, const RefZ& M, const RefZ& B) {
  RefZ r0, r1, t0("0"), t1("1"), q, w;
  mpz_set(r0.v, M.v);
  mpz_mod(r1.v, x.v, M.v);
  if (mpz_cmp(r1.v, B.v) < 0) return {1, "", dec(r1.v), "1"};  // 0 included
  while (mpz_sgn(r1.v) != 0 && mpz_cmpabs(r1.v, B.v) >= 0) {
    mpz_fdiv_qr(q.v, w.v, r0.v, r1.v);
    mpz_swap(r0.v, r1.v);
    mpz_swap(r1.v, w.v);
    mpz_mul(w.v, q.v, t1.v);
    mpz_sub(w.v, t0.v, w.v);
    mpz_swap(t0.v, t1.v);
    mpz_swap(t1.v, w.v);
  }
  RefZ g;
  mpz_gcd(g.v, r1.v, t1.v);
  if (mpz_sgn(r1.v) == 0 || mpz_cmpabs(t1.v, B.v) >= 0 || mpz_cmp_ui(g.v, 1) != 0)
    return {0, "", "0", "1"};
  if (mpz_sgn(t1.v) < 0) mpz_neg(r1.v, r1.v);
  mpz_abs(t1.v, t1.v);
  return {1, "", dec(r1.v), dec(t1.v)};
}

// Large moduli, where the remainder sequence takes several steps at once:
// the same stopping point as one step at a time, on fractions within the
// bound, near it and random images.
TEST_F(ChineseTest, LargeReconstructionsStopWhereSingleStepsStop) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(13);
  for (long it = 0; it < zel_test::iterations(200); it++) {
    const uint32_t bits = 64 + uint32_t(rng() % 4000);
    RefZ M = zel_test::random_ref(rng, bits, false), B, x;
    mpz_setbit(M.v, bits);
    mpz_fdiv_q_2exp(B.v, M.v, 1 + uint32_t(rng() % 8));
    mpz_sqrt(B.v, B.v);
    const uint32_t bbits = uint32_t(mpz_sizeinbase(B.v, 2));
    RefZ num = zel_test::random_ref(rng, 1 + uint32_t(rng() % (bbits + 2)));
    RefZ den = zel_test::random_ref(rng, 1 + uint32_t(rng() % (bbits + 2)), false), inv;
    if (mpz_sgn(den.v) == 0 || mpz_invert(inv.v, den.v, M.v) == 0 || rng() % 4 == 0) {
      x = zel_test::random_ref(rng, bits, false);
    } else {
      mpz_mul(x.v, num.v, inv.v);
      mpz_mod(x.v, x.v, M.v);
    }
    const Lifted want = reference_reconstruction(x, M, B);
    IntContext ctx;
    zel::ZEL_BUILD::ZoneScope scope;
    INT n, d;
    const int ok = internal_lift_INT(*x.v, *M.v, *B.v, &n, &d);
    ASSERT_EQ(ok, want.ok) << it;
    ASSERT_EQ(dec(&n) + "/" + dec(&d), want.num + "/" + want.den) << it;
  }
}

TEST_F(ChineseTest, ImagesSharingAFactorWithTheModulusWaitForMorePrimes) {
  const std::vector<uint32_t> primes = batch_primes();
  // 0 modulo p0 and p1, not a fraction within the bound: formerly fatal.
  RefZ x, one("1");
  mpz_set_ui(x.v, primes[0]);
  mpz_mul_ui(x.v, x.v, primes[1]);
  mpz_mul_ui(x.v, x.v, 12345);
  const Lifted l = try_lift(residues_of(x, one, primes));
  EXPECT_EQ(l.ok, 0);
  EXPECT_EQ(l.num + "/" + l.den, "0/1");
  // -3/2 with a wrong residue modulo p0: the remainder sequence stops at
  // -3 p0 / 2 p0, which is no preimage; reducing it gave -3/2 as if lifted.
  std::vector<uint32_t> r = residues_of(RefZ("-3"), RefZ("2"), primes);
  r[0] = 123456789;
  const Lifted wrong = try_lift(r);
  EXPECT_EQ(wrong.ok, 0);
  EXPECT_EQ(wrong.num + "/" + wrong.den, "0/1");
  // Outside the INT context nothing is lifted at all.
  INT t[3];
  EXPECT_RAISES(ZEL_C(try_lift_one_INT)(r.data(), t), "Chinese_INT needs the INT context\n");
}

TEST_F(ChineseTest, SizeBoundIsSoundForSmallModuliAndZeroIsRefused) {
  IntContext ctx;
  zel::ZEL_BUILD::ZoneScope scope;
  INT M;
  // A modulus of k limbs: s = k - 3 words, 0 (nothing lifts) below 4 limbs.
  const uint32_t expected[] = {0, 0, 0, 0, 1, 2, 3};
  for (uint32_t limbs = 1; limbs <= 6; limbs++) {
    mpz_init_set_ui(&M, 1);
    mpz_mul_2exp(&M, &M, 64 * limbs - 1);
    EXPECT_EQ(ZEL_C(compute_bound_size)(M), expected[limbs]) << limbs;
  }
  mpz_init(&M);
  EXPECT_RAISES(ZEL_C(compute_bound_size)(M), "pas fait in compute_bound_size n=0 --> l=0!\n");
}

// Residue lanes of a polynomial whose coefficients are num[j]/den[j].
std::vector<std::vector<Dom>> lanes_of(const std::vector<RefZ>& num, const std::vector<RefZ>& den,
                                       const std::vector<uint32_t>& primes) {
  std::vector<std::vector<Dom>> lanes(primes.size(), std::vector<Dom>(num.size()));
  for (size_t j = 0; j < num.size(); j++) {
    const std::vector<uint32_t> r = residues_of(num[j], den[j], primes);
    for (size_t l = 0; l < primes.size(); l++) lanes[l][j] = r[l];
  }
  return lanes;
}

TEST_F(ChineseTest, PrimitivePartsLiftOverTwoBatchesToTheClearedCoefficients) {
  // 3/2, -5/6, a 200-bit integer, 0 and 7/4: too large for one batch of 5,
  // lifted once 20 more primes come.
  std::vector<RefZ> num = {RefZ("3"), RefZ("-5"),
                           RefZ("1606938044258990275541962092341162602522202993782792835301376"),
                           RefZ("0"), RefZ("7")};
  std::vector<RefZ> den = {RefZ("2"), RefZ("6"), RefZ("1"), RefZ("1"), RefZ("4")};
  const uint32_t t = uint32_t(num.size());
  // lcm 12: 18, -10, 12 * big, 0, 21.
  RefZ big12;
  mpz_mul_ui(big12.v, num[2].v, 12);
  const std::vector<std::string> cleared = {"18", "-10", dec(big12.v), "0", "21"};

  IntContext ctx;
  const std::vector<uint32_t> first = batch_primes();
  auto l1 = lanes_of(num, den, first);
  std::vector<Dom*> ptr1;
  for (auto& l : l1) ptr1.push_back(l.data());
  std::vector<INT> slots(t);
  EXPECT_EQ(ZEL_C(primpart)(nullptr, slots.data(), ptr1.data(), t), 0);

  // The combination with the second batch, as the multi-modular loop makes it.
  INT M_old = ZEL_C(copy_INT)(ZEL_C(product_of_primes));
  zel_test::use_batch(20, 50);
  const std::vector<uint32_t> second = batch_primes();
  const BatchCombination comb = combination_with_batch(M_old);
  INT M = ZEL_C(mult_INT)(M_old, comb.P);
  const uint32_t s = ZEL_C(compute_bound_size)(M);
  auto l2 = lanes_of(num, den, second);
  std::vector<Dom*> ptr2;
  for (auto& l : l2) ptr2.push_back(l.data());
  INT L;
  ASSERT_EQ(ZEL_C(primpart_upgrade)(&L, slots.data(), ptr2.data(), t, s, M, comb), 1);
  for (uint32_t j = 0; j < t; j++) EXPECT_EQ(dec(&slots[j]), cleared[j]) << j;
  EXPECT_EQ(dec(&L), "12");

  // One batch is enough for small coefficients, and lift_array puts them
  // over their common denominator too.
  std::vector<RefZ> small_num = {RefZ("3"), RefZ("-5"), RefZ("7")};
  std::vector<RefZ> small_den = {RefZ("2"), RefZ("6"), RefZ("4")};
  auto l3 = lanes_of(small_num, small_den, second);
  std::vector<Dom*> ptr3;
  for (auto& l : l3) ptr3.push_back(l.data());
  INT out[3];
  INT extra;
  ASSERT_EQ(ZEL_C(primpart)(&extra, out, ptr3.data(), 3), 1);
  EXPECT_EQ(dec(&out[0]) + " " + dec(&out[1]) + " " + dec(&out[2]) + " / " + dec(&extra),
            "18 -10 21 / 12");
  std::vector<uint32_t> vectors;
  for (uint32_t j = 0; j < 3; j++)
    for (size_t l = 0; l < second.size(); l++) vectors.push_back(l3[l][j]);
  ASSERT_EQ(ZEL_C(lift_array)(vectors.data(), out, 3), 1);
  EXPECT_EQ(dec(&out[0]) + " " + dec(&out[1]) + " " + dec(&out[2]), "18 -10 21");
}

TEST_F(ChineseTest, PrimitivePartsOfRandomRowsMatchTheClearedReference) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(29);
  zel_test::use_batch(12, 300);
  const std::vector<uint32_t> primes = batch_primes();
  // Denominators drawn from a few shared ones, as in the rows of a basis.
  const RefZ dens[4] = {RefZ("1"), RefZ("6"), RefZ("35"), RefZ("1155")};
  for (long it = 0; it < zel_test::iterations(20); it++) {
    const uint32_t t = 1 + uint32_t(rng() % 30);
    std::vector<RefZ> num(t), den(t);
    RefZ L("1");
    for (uint32_t j = 0; j < t; j++) {
      num[j] = zel_test::random_ref(rng, 1 + uint32_t(rng() % 100));
      den[j] = dens[rng() % 4];
      RefZ g;
      mpz_gcd(g.v, num[j].v, den[j].v);
      if (mpz_sgn(g.v) == 0) continue;
      mpz_divexact(num[j].v, num[j].v, g.v);
      mpz_divexact(den[j].v, den[j].v, g.v);
      mpz_lcm(L.v, L.v, den[j].v);
    }
    std::vector<std::string> cleared(t);
    for (uint32_t j = 0; j < t; j++) {
      RefZ c;
      mpz_divexact(c.v, L.v, den[j].v);
      mpz_mul(c.v, c.v, num[j].v);
      cleared[j] = dec(c.v);
    }
    auto l = lanes_of(num, den, primes);
    std::vector<Dom*> ptr;
    for (auto& lane : l) ptr.push_back(lane.data());
    IntContext ctx;
    ZoneScope scope;
    std::vector<INT> out(t);
    INT extra;
    ASSERT_EQ(ZEL_C(primpart)(&extra, out.data(), ptr.data(), t), 1);
    for (uint32_t j = 0; j < t; j++) EXPECT_EQ(dec(&out[j]), cleared[j]) << j;
    EXPECT_EQ(dec(&extra), dec(L.v));
  }
}

// Coefficients n_j / (d e_j) with d of den_bits, numerators of num_bits and
// e_j in {1, 3, 25}, modulo `primes` primes (20: 640 bits): lifted over one
// denominator to what clearing the denominators gives; random images and
// images with one wrong coefficient do not lift.  *peak (when given): the
// most zone memory a lift took beyond its images.
void expect_lift_over_one_denominator(unsigned num_bits, unsigned den_bits, uint32_t primes = 20,
                                      uint64_t* peak = nullptr) {
  gmp_randstate_t rs;
  gmp_randinit_default(rs);
  gmp_randseed_ui(rs, 17);
  RefZ M("1"), d, p("4294000000");
  for (uint32_t k = 0; k < primes; ++k) {
    mpz_nextprime(p.v, p.v);
    mpz_mul(M.v, M.v, p.v);
  }
  mpz_urandomb(d.v, rs, den_bits);
  mpz_setbit(d.v, den_bits - 1);
  const uint32_t t = 40;
  std::vector<RefZ> image(t);
  std::vector<std::string> want(t);
  mpq_t q[40];
  RefZ L("1");
  for (uint32_t j = 0; j < t; ++j) {
    RefZ n, den;
    mpz_urandomb(n.v, rs, num_bits);
    if (j % 3 == 1) mpz_neg(n.v, n.v);
    mpz_mul_ui(den.v, d.v, j % 7 == 2 ? 3 : j % 11 == 5 ? 25 : 1);
    mpq_init(q[j]);
    mpq_set_num(q[j], n.v);
    mpq_set_den(q[j], den.v);
    mpq_canonicalize(q[j]);
    mpz_lcm(L.v, L.v, mpq_denref(q[j]));
    RefZ inv;
    ASSERT_NE(mpz_invert(inv.v, den.v, M.v), 0);
    mpz_mul(image[j].v, n.v, inv.v);
    mpz_mod(image[j].v, image[j].v, M.v);
  }
  for (uint32_t j = 0; j < t; ++j) {
    RefZ c;
    mpz_divexact(c.v, L.v, mpq_denref(q[j]));
    mpz_mul(c.v, c.v, mpq_numref(q[j]));
    want[j] = dec(c.v);
    mpq_clear(q[j]);
  }
  uint64_t most = 0;
  auto lift = [&](const std::vector<RefZ>& images, std::vector<std::string>* out,
                  std::string* L_out) {
    IntContext ctx;
    ZoneScope scope;
    INT Mz, extra;
    mpz_init_set(&Mz, M.v);
    std::vector<INT> slots(t);
    for (uint32_t j = 0; j < t; ++j) mpz_init_set(&slots[j], images[j].v);
    int ok;
    {
      CountedGmpMemory counted;
      ok = lift_over_one_denominator(&extra, slots.data(), t, Mz);
      most = std::max(most, CountedGmpMemory::peak);
    }
    if (ok) {
      for (uint32_t j = 0; j < t; ++j) out->push_back(dec(&slots[j]));
      *L_out = dec(&extra);
    }
    return ok;
  };
  std::vector<std::string> got;
  std::string got_L;
  ASSERT_EQ(lift(image, &got, &got_L), 1);
  EXPECT_EQ(got, want);
  EXPECT_EQ(got_L, dec(L.v));

  std::vector<RefZ> wrong = image;
  mpz_urandomm(wrong[t / 2].v, rs, M.v);
  EXPECT_EQ(lift(wrong, &got, &got_L), 0);
  std::vector<RefZ> noise(t);
  for (RefZ& x : noise) mpz_urandomm(x.v, rs, M.v);
  EXPECT_EQ(lift(noise, &got, &got_L), 0);
  gmp_randclear(rs);
  if (peak != nullptr) *peak = most;
}

}  // namespace

// Numerators of 100 bits over 400: one coefficient's fraction fits the
// modulus with the margin; the plain bound (both parts below its square
// root) is far off.
TEST_F(ChineseTest, OneLargeDenominatorLiftsBeforeThePlainBound) {
  SEED_TRACE();
  expect_lift_over_one_denominator(100, 400);
}

// Numerators of 200 bits over 380: no coefficient's fraction fits (580 bits
// and the margin), the ratio of two coefficients does, and gives the
// denominator.  This is the shape of a parametrisation's coefficients.
TEST_F(ChineseTest, ADenominatorLargerThanTheNumeratorsComesFromTheirRatio) {
  SEED_TRACE();
  expect_lift_over_one_denominator(200, 380);
}

// Over 6,000 primes (192,000 bits) one lift multiplies and reduces each of
// its coefficients at that length, and runs remainder sequences whose
// cofactors grow to 180,000 bits.  Products that long take their scratch
// from GMP's memory functions, not the stack, so in zone 1, as does every
// block an integer grows into: none of it may stay there until the lift
// ends.  Its memory is then a small multiple of its images.
TEST_F(ChineseTest, ALiftOverOneDenominatorTakesMemoryLinearInItsImages) {
#ifdef ZEL_MEMDEBUG
  GTEST_SKIP() << "ZEL_MEMDEBUG: every allocation is its own block";
#endif
  SEED_TRACE();
  const uint32_t primes = 6000;
  uint64_t peak = 0;
  expect_lift_over_one_denominator(100, 30 * primes, primes, &peak);
  const uint64_t images = 40 * 4 * uint64_t(primes);
  EXPECT_LT(peak, 4 * images);
}

// Polynomials with integer coefficients at the integer build's C interface:
// the setters, the normalising sort, the exports, and bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/api/record.hpp"
#include "support/int_ref.hpp"
#include "support/test_host.hpp"
#include "tests/engine/api/api_session.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::dec;
using zel_test::RefZ;

namespace {

struct IntPolyInputTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override { zel_test::start_session(2, 0); }
  void TearDown() override { ZEL_C(reset_memory)(); }
};

void set_term(void* h, UI32 i, I32 e0, I32 e1) {
  I32 e[2] = {e0, e1};
  ZEL_C(set_expos2)(h, i, e, 2);
}

struct Exported {
  I32 rc;
  UI32 width = 0;
  std::vector<UI32> exps, words;
};

Exported export_words(void* h, I32 limit) {
  Exported r;
  const UI32 m = ZEL_C(nb_terms)(h);
  r.exps.assign(2 * m, 0);
  r.words.assign(size_t(limit > 0 ? limit : 0), 0xEEEEEEEE);
  r.rc = ZEL_C(export_poly_INT)(2, m, r.exps.data(), r.words.data(), limit, h, &r.width);
  return r;
}

TEST_F(IntPolyInputTest, CoefficientsFromWordsGmpAndTextAreSortedAndSummed) {
  const RefZ caller("-340282366920938463463374607431768211457");  // -(2^128 + 1)
  void* h = ZEL_C(creat_poly)(5);
  set_term(h, 0, 0, 1);
  const I32 five[] = {-1, 5};
  ZEL_C(set_coeff_raw)(h, 0, five, 2);  // -5 y
  set_term(h, 1, 2, 0);
  ZEL_C(set_coeff_gmp)(h, 1, caller.v);  // caller's x^2
  set_term(h, 2, 0, 1);
  ZEL_C(set_coeff_gmp_str)(h, 2, " 12 ");  // + 12 y: y is 7 y
  set_term(h, 3, 1, 1);
  const I32 zero[] = {7};
  ZEL_C(set_coeff_raw)(h, 3, zero, 1);  // 0 x y: dropped
  // term 4 is left unset: dropped
  ZEL_C(full_sort_poly2)(h);
  EXPECT_EQ(dec(caller.v), "-340282366920938463463374607431768211457");
  ASSERT_EQ(ZEL_C(nb_terms)(h), 2u);

  const Exported r = export_words(h, 64);
  ASSERT_EQ(r.rc, 1);
  EXPECT_EQ(r.width, 1u + 6u);  // 2^128 + 1 takes three limbs
  EXPECT_EQ(r.exps, (std::vector<UI32>{2, 0, 0, 1}));
  const std::vector<UI32> x2 = {UI32(-1), 1, 0, 0, 0, 1, 0};
  const std::vector<UI32> y = {1, 7, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<UI32>(r.words.begin(), r.words.begin() + 7), x2);
  EXPECT_EQ(std::vector<UI32>(r.words.begin() + 7, r.words.begin() + 14), y);
  // Exactly width * terms words is one too few.
  EXPECT_EQ(export_words(h, 14).rc, -2);
  UI32 exps[2], word[8], width = 0;
  EXPECT_EQ(ZEL_C(export_poly_mon_INT)(1, 2, 2, exps, word, 8, h, &width), 1);
  EXPECT_EQ(width, 3u);  // twice the limbs, and the sign
  EXPECT_EQ(word[1], 7u);
  EXPECT_EQ(ZEL_C(export_poly_mon_INT)(2, 2, 2, exps, word, 8, h, &width), -1);
  EXPECT_EQ(ZEL_C(export_poly_INT)(2, 3, exps, word, 8, h, &width), -1);

  // The GMP exports point at the polynomial's own coefficients.
  UI32 e4[4];
  mpz_srcptr* c = ZEL_C(export_poly_INT_gmp)(2, 2, e4, h);
  ASSERT_TRUE(c != nullptr);
  EXPECT_EQ(dec(c[0]), dec(caller.v));
  EXPECT_EQ(dec(c[1]), "7");
  EXPECT_EQ(dec(ZEL_C(export_monom_INT)(1, 2, exps, h)), "7");
  EXPECT_TRUE(ZEL_C(export_monom_INT)(2, 2, exps, h) == nullptr);
  EXPECT_TRUE(ZEL_C(export_poly_INT_gmp)(2, 1, e4, h) == nullptr);

  zel_test::TestHost printing{4};
  EXPECT_EQ(ZEL_C(see_Dpol_INT)(h), 1);
  EXPECT_EQ(zel_test::captured().printed, "-340282366920938463463374607431768211457*x0^2+7*x1*?");
}

TEST_F(IntPolyInputTest, BadInputIsRefusedClearlyAndTheSessionGoesOn) {
  const RefZ caller("-98765432109876543210");
  void* h = ZEL_C(creat_poly)(2);
  set_term(h, 0, 1, 0);
  set_term(h, 1, 0, 1);
  EXPECT_RAISES(ZEL_C(set_coeff_gmp_str)(h, 0, "12a"),
                "Zel interface error: \"12a\" is not an integer\n");
  EXPECT_RAISES(ZEL_C(set_coeff_gmp_str)(h, 0, "1/2"),
                "Zel interface error: \"1/2\" is not an integer\n");
  const I32 words[] = {1, 3};
  EXPECT_RAISES(ZEL_C(set_coeff_raw)(h, 0, words, 0),
                "Zel interface error: set_coeff_raw needs at least the sign word (0 words given)\n");
  EXPECT_RAISES(ZEL_C(set_coeff_raw)(h, 2, words, 2),
                "Zel interface error: set_coeff_raw of term 2 in a polynomial of 2 terms\n");
  EXPECT_RAISES(ZEL_C(set_coeff_gmp)(h, 0, nullptr),
                "Zel interface error: null integer given to set_coeff_gmp\n");
  // The residue accessors would read GMP integers as residue lanes.
  EXPECT_RAISES(ZEL_C(set_coeff_I32)(h, 0, 3),
                "Zel interface error: set_coeff_I32 reads or writes residues, but this "
                "polynomial has integer coefficients (set_coeff_raw, set_coeff_gmp, "
                "export_poly_INT)\n");
  // GMP is the caller's again after every refusal.
  void* (*alloc)(size_t);
  mp_get_memory_functions(&alloc, nullptr, nullptr);
  EXPECT_NE(alloc, bignum_alloc);
  // And the same polynomial takes good coefficients afterwards.
  ZEL_C(set_coeff_raw)(h, 0, words, 2);
  ZEL_C(set_coeff_gmp)(h, 1, caller.v);
  ZEL_C(full_sort_poly2)(h);
  UI32 exps[4], out[16], width;
  ASSERT_EQ(ZEL_C(export_poly_INT)(2, 2, exps, out, 16, h, &width), 1);
  EXPECT_EQ(width, 5u);
  EXPECT_EQ(out[1], 3u);
  EXPECT_EQ(dec(ZEL_C(export_monom_INT)(1, 2, exps, h)), dec(caller.v));
}

// The exports read every term's monomial: a polynomial whose terms were
// never set, or set after its sort, is refused like the prime field's
// export_poly refuses it, and so are null arrays they would write into.
TEST_F(IntPolyInputTest, ExportsRefuseUnsortedPolynomialsAndNullArrays) {
  UI32 exps[4], out[16], width = 0;
  const std::string unsorted =
      " was given polynomial 0 whose terms were set after its last sort: call full_sort_poly2 "
      "first\n";
  void* h = ZEL_C(creat_poly)(2);  // no term set
  for (int round = 0; round < 2; ++round) {
    EXPECT_RAISES(ZEL_C(export_poly_INT)(2, 2, exps, out, 16, h, &width),
                  "Zel interface error: export_poly_INT" + unsorted);
    EXPECT_RAISES(ZEL_C(export_poly_mon_INT)(0, 2, 2, exps, out, 16, h, &width),
                  "Zel interface error: export_poly_mon_INT" + unsorted);
    EXPECT_RAISES(ZEL_C(export_poly_INT_gmp)(2, 2, exps, h),
                  "Zel interface error: export_poly_INT_gmp" + unsorted);
    EXPECT_RAISES(ZEL_C(export_monom_INT)(0, 2, exps, h),
                  "Zel interface error: export_monom_INT" + unsorted);
    // Sorted, then a term changed.
    set_term(h, 0, 1, 0);
    set_term(h, 1, 0, 1);
    ZEL_C(set_coeff_gmp_str)(h, 0, "3");
    ZEL_C(set_coeff_gmp_str)(h, 1, "5");
    ZEL_C(full_sort_poly2)(h);
    ZEL_C(set_coeff_gmp_str)(h, 1, "7");
  }
  ZEL_C(full_sort_poly2)(h);
  const std::string null = "Zel interface error: null output array given to ";
  EXPECT_RAISES(ZEL_C(export_poly_INT)(2, 2, exps, out, 16, h, nullptr), null + "export_poly_INT\n");
  EXPECT_RAISES(ZEL_C(export_poly_INT)(2, 2, nullptr, out, 16, h, &width), null + "export_poly_INT\n");
  EXPECT_RAISES(ZEL_C(export_poly_INT)(2, 2, exps, nullptr, 16, h, &width), null + "export_poly_INT\n");
  EXPECT_RAISES(ZEL_C(export_poly_mon_INT)(0, 2, 2, exps, out, 16, h, nullptr),
                null + "export_poly_mon_INT\n");
  EXPECT_RAISES(ZEL_C(export_poly_mon_INT)(0, 2, 2, nullptr, out, 16, h, &width),
                null + "export_poly_mon_INT\n");
  EXPECT_RAISES(ZEL_C(export_poly_mon_INT)(0, 2, 2, exps, nullptr, 16, h, &width),
                null + "export_poly_mon_INT\n");
  EXPECT_RAISES(ZEL_C(export_poly_INT_gmp)(2, 2, nullptr, h), null + "export_poly_INT_gmp\n");
  EXPECT_RAISES(ZEL_C(export_monom_INT)(0, 2, nullptr, h), null + "export_monom_INT\n");
  // No exponents asked for: no exponent array needed (a constant loses none).
  void* k = ZEL_C(creat_poly)(1);
  set_term(k, 0, 0, 0);
  ZEL_C(set_coeff_gmp_str)(k, 0, "7");
  ZEL_C(full_sort_poly2)(k);
  ASSERT_EQ(ZEL_C(export_poly_INT)(0, 1, nullptr, out, 16, k, &width), 1);
  EXPECT_EQ(out[1], 7u);
  EXPECT_EQ(dec(ZEL_C(export_monom_INT)(0, 0, nullptr, k)), "7");
}

// An export of fewer exponents than the declared variables must not make a
// term read as another: 3*x0 + 7*x1 exported with one exponent per term
// would read 3*x0 + 7.
TEST_F(IntPolyInputTest, ExportsOfFewerVariablesRefuseTermsTheyWouldCut) {
  void* h = ZEL_C(creat_poly)(2);
  set_term(h, 0, 1, 0);
  set_term(h, 1, 0, 1);
  ZEL_C(set_coeff_gmp_str)(h, 0, "3");
  ZEL_C(set_coeff_gmp_str)(h, 1, "7");
  ZEL_C(full_sort_poly2)(h);
  std::vector<UI32> exps(4, 77), out(16, 77);
  UI32 width = 77;
  EXPECT_EQ(ZEL_C(export_poly_INT)(1, 2, exps.data(), out.data(), 16, h, &width), -1);
  EXPECT_EQ(ZEL_C(export_poly_INT)(0, 2, nullptr, out.data(), 16, h, &width), -1);
  EXPECT_EQ(ZEL_C(export_poly_mon_INT)(1, 1, 2, exps.data(), out.data(), 16, h, &width), -1);
  EXPECT_EQ(ZEL_C(export_poly_INT_gmp)(1, 2, exps.data(), h), nullptr);
  EXPECT_EQ(ZEL_C(export_monom_INT)(1, 1, exps.data(), h), nullptr);
  EXPECT_EQ(exps, std::vector<UI32>(4, 77));
  EXPECT_EQ(out, std::vector<UI32>(16, 77));
  EXPECT_EQ(width, 77u);
  // Term 0, 3*x0, loses nothing with one exponent.
  ASSERT_EQ(ZEL_C(export_poly_mon_INT)(0, 1, 2, exps.data(), out.data(), 16, h, &width), 1);
  EXPECT_EQ(exps[0], 1u);
  EXPECT_EQ(out[1], 3u);
  EXPECT_EQ(dec(ZEL_C(export_monom_INT)(0, 1, exps.data(), h)), "3");
}

// full_sort_poly sorts a polynomial with integer coefficients as
// full_sort_poly2 does.
TEST_F(IntPolyInputTest, FullSortPolySortsIntegerCoefficients) {
  std::vector<void*> h(2);
  for (void*& p : h) {
    p = ZEL_C(creat_poly)(2);  // 4 + x0 x1
    set_term(p, 0, 0, 0);
    const I32 four[] = {1, 4}, one[] = {1, 1};
    ZEL_C(set_coeff_raw)(p, 0, four, 2);
    set_term(p, 1, 1, 1);
    ZEL_C(set_coeff_raw)(p, 1, one, 2);
  }
  ZEL_C(full_sort_poly)(h[0]);
  ZEL_C(full_sort_poly2)(h[1]);
  const Exported a = export_words(h[0], 16), b = export_words(h[1], 16);
  ASSERT_EQ(a.rc, 1);
  EXPECT_EQ(a.exps, (std::vector<UI32>{1, 1, 0, 0}));
  EXPECT_EQ(a.width, 3u);
  EXPECT_EQ(a.words[1], 1u);
  EXPECT_EQ(a.words[4], 4u);
  EXPECT_EQ(a.exps, b.exps);
  EXPECT_EQ(a.words, b.words);
}

TEST_F(IntPolyInputTest, NumbersInAnyRadixBecomeResiduesOfEveryPrime) {
  ZEL_C(reset_coeffs)(5);
  // -(3 + 5 * 10^9 + 7 * 10^18) given in radix 10^9.
  const uint64_t d[] = {3, 5, 7};
  UI32 r[5];
  ZEL_C(convert_from_ntl_int)(d, -3, r, 1000000000u);
  const RefZ v("-7000000005000000003");
  for (int l = 0; l < 5; l++) EXPECT_EQ(r[l], mpz_fdiv_ui(v.v, ZEL_C(Primes)[l])) << l;
  // Another batch of primes: the radix's residues are made again.
  offset_primes = 7;
  ZEL_C(reset_coeffs)(5);
  offset_primes = 0;
  ZEL_C(convert_from_ntl_int)(d, 3, r, 1000000000u);
  for (int l = 0; l < 5; l++)
    EXPECT_EQ(r[l], ZEL_C(Primes)[l] - mpz_fdiv_ui(v.v, ZEL_C(Primes)[l])) << l;
  EXPECT_RAISES(ZEL_C(convert_from_ntl_int)(d, 3, r, 0), "radix=0\n");
}

}  // namespace

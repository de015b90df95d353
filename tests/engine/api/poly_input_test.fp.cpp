// Polynomial input of the prime-field C interface: checked exponents and
// indices, reduced coefficients, the normalising sort and the export.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "engine/api/session.hpp"
#include "engine/mono/expos_order.hpp"
#include "engine/poly/dpol.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"
#include "tests/engine/api/api_session.hpp"

using namespace zel::ZEL_BUILD;

namespace {

constexpr UI32 p = zel_test::kTestPrime;

struct PolyInputTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override { zel_test::start_session(1, 2); }
  void TearDown() override { ZEL_C(reset_memory)(); }
};

struct Exported {
  std::vector<UI32> exps, coeffs;
};

Exported export_all(void* h, UI32 nvars) {
  UI32 m = ZEL_C(nb_terms)(h);
  Exported r;
  r.exps.assign(size_t(m) * nvars, 0);
  r.coeffs.assign(m, 0);
  EXPECT_EQ(ZEL_C(export_poly)(nvars, m, r.exps.data(), r.coeffs.data(), h), 1);
  return r;
}

TEST_F(PolyInputTest, ExponentsAreChecked) {
  void* h = ZEL_C(creat_poly)(2);
  I32 ok[] = {32767, 0, 1};
  ZEL_C(set_expos2)(h, 0, ok, 3);
  I32 big[] = {1, 32768, 0};
  EXPECT_RAISES(ZEL_C(set_expos2)(h, 1, big, 3),
                "Zel interface error: power products should be < 32767");
  I32 neg[] = {1, -1, 0};
  EXPECT_RAISES(ZEL_C(set_expos2)(h, 1, neg, 3), "Zel interface error: negative exponent -1\n");
  I32 four[] = {1, 1, 1, 1};
  EXPECT_RAISES(ZEL_C(set_expos2)(h, 1, four, 4),
                "Zel interface error: 4 exponents given for 3 variables\n");
  EXPECT_RAISES(ZEL_C(set_expos2)(h, 2, ok, 3),
                "Zel interface error: set_expos2 of term 2 in a polynomial of 2 terms\n");
  EXPECT_RAISES(ZEL_C(set_coeff_I32)(h, 2, 1),
                "Zel interface error: set_coeff_I32 of term 2 in a polynomial of 2 terms\n");
  EXPECT_RAISES(ZEL_C(set_expos2)(nullptr, 0, ok, 3),
                "Zel interface error: null polynomial given to set_expos2\n");
  // Fewer exponents than variables: the rest are 0.
  I32 one[] = {5};
  ZEL_C(set_expos2)(h, 1, one, 1);
  ZEL_C(set_coeff_I32)(h, 0, 1);
  ZEL_C(set_coeff_I32)(h, 1, 1);
  ZEL_C(full_sort_poly2)(h);
  Exported e = export_all(h, 3);
  EXPECT_EQ(e.exps, (std::vector<UI32>{32767, 0, 1, 5, 0, 0}));
}

// A C caller has no host to unwind into: the message goes to the standard
// error stream and the process ends with status 1.
void set_exponent_32768() {
  zel_test::start_session(0, 2);
  void* h = ZEL_C(creat_poly)(1);
  I32 e[] = {32768, 0};
  ZEL_C(set_expos2)(h, 0, e, 2);
}

TEST(PolyInputDeathTest, ACCallerIsStoppedWithTheMessage) {
  EXPECT_EXIT(set_exponent_32768(), ::testing::ExitedWithCode(1),
              "Zel interface error: power products should be < 32767");
}

TEST_F(PolyInputTest, CoefficientsNeedThePrimeOfThisSession) {
  // The prime of an earlier session is gone with its memory.
  ZEL_C(reset_memory)();
  ZEL_C(init_urgent)(2, 2, "DRLDRL", 100000, 0);
  ZEL_C(init)(1, 1, 0, nullptr);
  void* h = ZEL_C(creat_poly)(1);
  EXPECT_RAISES(ZEL_C(set_coeff_I32)(h, 0, 1),
                "Zel interface error: set_coeff_I32 before reset_coeffs\n");
}

TEST_F(PolyInputTest, CoefficientsAreReducedModuloThePrime) {
  const I32 given[] = {-1, 65521, 65522, -65522, 2147483647, -2147483647 - 1, 70000};
  const UI32 n = sizeof given / sizeof given[0];
  void* h = ZEL_C(creat_poly)(n);
  for (UI32 i = 0; i < n; ++i) {
    I32 e[] = {I32(i), 0, 0};
    ZEL_C(set_expos2)(h, i, e, 3);
    ZEL_C(set_coeff_I32)(h, i, given[i]);
  }
  ZEL_C(full_sort_poly2)(h);
  // 65521 is 0 modulo p and its term is dropped.
  ASSERT_EQ(ZEL_C(nb_terms)(h), n - 1);
  Exported e = export_all(h, 3);
  std::map<UI32, UI32> by_degree;
  for (UI32 t = 0; t < n - 1; ++t) by_degree[e.exps[3 * t]] = e.coeffs[t];
  for (UI32 i = 0; i < n; ++i) {
    int64_t r = int64_t(given[i]) % p;
    if (r < 0) r += p;
    if (r == 0) {
      EXPECT_EQ(by_degree.count(i), 0u);
    } else {
      EXPECT_EQ(by_degree[i], UI32(r)) << "coefficient " << given[i];
    }
  }
}

// A random polynomial given with repeated monomials, zero coefficients,
// negative coefficients and unset terms is stored as the naive sum of its
// terms: one term per monomial, no zero, sorted, homogenised.
TEST_F(PolyInputTest, InputIsNormalisedLikeANaiveSum) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(7);
  for (long round = 0; round < zel_test::iterations(50); ++round) {
    const UI32 n = 1 + UI32(rng() % 40);
    std::map<std::vector<UI32>, int64_t> sum;
    void* h = ZEL_C(creat_poly)(n + 2);  // two terms left unset
    for (UI32 i = 0; i < n; ++i) {
      I32 e[] = {I32(rng() % 3), I32(rng() % 3), I32(rng() % 2)};
      I32 c = rng() % 4 == 0 ? 0 : I32(rng() % 200000) - 100000;
      if (rng() % 10 == 0) c = -c;
      ZEL_C(set_expos2)(h, i, e, 3);
      ZEL_C(set_coeff_I32)(h, i, c);
      auto& s = sum[{UI32(e[0]), UI32(e[1]), UI32(e[2])}];
      s = ((s + c) % p + p) % p;
    }
    for (auto it = sum.begin(); it != sum.end();) it = it->second == 0 ? sum.erase(it) : ++it;
    ZEL_C(full_sort_poly2)(h);
    Dpol* d = static_cast<Dpol*>(h);
    ASSERT_EQ(d->n, sum.size());
    Exported e = export_all(h, 3);
    uint32_t D = 0;
    for (auto& [m, c] : sum) D = std::max(D, m[0] + m[1] + m[2]);
    for (UI32 t = 0; t < d->n; ++t) {
      std::vector<UI32> m(e.exps.begin() + 3 * t, e.exps.begin() + 3 * t + 3);
      ASSERT_EQ(sum.count(m), 1u);
      EXPECT_EQ(e.coeffs[t], UI32(sum[m]));
      // Homogenised to the largest degree.
      EXPECT_EQ(get_field(words_of(d->mono[t]), 3), D - (m[0] + m[1] + m[2]));
      if (t > 0) {
        EXPECT_GT(comp5_Expos(words_of(d->mono[t - 1]), words_of(d->mono[t])), 0);
      }
    }
  }
}

TEST_F(PolyInputTest, OneTermPassesUnchangedAndEmptyPolynomialsStayEmpty) {
  void* h = ZEL_C(creat_poly)(1);
  I32 e[] = {2, 0, 1};
  ZEL_C(set_expos2)(h, 0, e, 3);
  ZEL_C(set_coeff_I32)(h, 0, 5);
  ZEL_C(full_sort_poly2)(h);
  Exported x = export_all(h, 3);
  EXPECT_EQ(x.exps, (std::vector<UI32>{2, 0, 1}));
  EXPECT_EQ(x.coeffs, (std::vector<UI32>{5}));
  void* z = ZEL_C(creat_poly)(0);
  ZEL_C(full_sort_poly2)(z);
  EXPECT_EQ(ZEL_C(nb_terms)(z), 0u);
  EXPECT_EQ(ZEL_C(size_poly)(h), 1u);
}

TEST_F(PolyInputTest, ExportWithAWrongCountReturnsMinusOneAndWritesNothing) {
  void* h = ZEL_C(creat_poly)(2);
  I32 e0[] = {1, 0, 0}, e1[] = {0, 1, 0};
  ZEL_C(set_expos2)(h, 0, e0, 3);
  ZEL_C(set_expos2)(h, 1, e1, 3);
  ZEL_C(set_coeff_I32)(h, 0, 3);
  ZEL_C(set_coeff_I32)(h, 1, 4);
  ZEL_C(full_sort_poly2)(h);
  std::vector<UI32> exps(9, 77), coeffs(3, 77);
  EXPECT_EQ(ZEL_C(export_poly)(3, 3, exps.data(), coeffs.data(), h), -1);
  EXPECT_EQ(ZEL_C(export_poly)(3, 1, exps.data(), coeffs.data(), h), -1);
  EXPECT_EQ(ZEL_C(export_poly)(4, 2, exps.data(), coeffs.data(), h), -1);
  EXPECT_EQ(exps, std::vector<UI32>(9, 77));
  EXPECT_EQ(coeffs, std::vector<UI32>(3, 77));
}

// An export of fewer exponents than the declared variables must not make a
// term read as another: x0^2 + x2 - 1 exported with one exponent per term
// would read x0^2 + 1 - 1.
TEST_F(PolyInputTest, ExportsOfFewerVariablesRefuseTermsTheyWouldCut) {
  void* h = ZEL_C(creat_poly)(3);
  I32 e0[] = {2, 0, 0}, e1[] = {0, 0, 1}, e2[] = {0, 0, 0};
  ZEL_C(set_expos2)(h, 0, e0, 3);
  ZEL_C(set_expos2)(h, 1, e1, 3);
  ZEL_C(set_expos2)(h, 2, e2, 3);
  ZEL_C(set_coeff_I32)(h, 0, 1);
  ZEL_C(set_coeff_I32)(h, 1, 1);
  ZEL_C(set_coeff_I32)(h, 2, -1);
  ZEL_C(full_sort_poly2)(h);
  std::vector<UI32> exps(9, 77), coeffs(3, 77);
  EXPECT_EQ(ZEL_C(export_poly)(1, 3, exps.data(), coeffs.data(), h), -1);
  EXPECT_EQ(ZEL_C(export_poly)(2, 3, exps.data(), coeffs.data(), h), -1);
  EXPECT_EQ(exps, std::vector<UI32>(9, 77));
  EXPECT_EQ(coeffs, std::vector<UI32>(3, 77));
  // Where every cut exponent is 0, fewer variables are fine.
  void* g = ZEL_C(creat_poly)(2);
  I32 f0[] = {1, 1}, f1[] = {0, 0};
  ZEL_C(set_expos2)(g, 0, f0, 2);
  ZEL_C(set_expos2)(g, 1, f1, 2);
  ZEL_C(set_coeff_I32)(g, 0, 3);
  ZEL_C(set_coeff_I32)(g, 1, 4);
  ZEL_C(full_sort_poly2)(g);
  const Exported got = export_all(g, 2);
  EXPECT_EQ(got.exps, std::vector<UI32>({1, 1, 0, 0}));
  EXPECT_EQ(got.coeffs, std::vector<UI32>({3, 4}));
}

TEST_F(PolyInputTest, ResidueAccessors) {
  void* h = ZEL_C(creat_poly)(3);
  I32 e[] = {1, 2, 3};
  void* m = ZEL_C(set_expos)(h, 0, e);
  ZEL_C(set_expos_d)(h, 1, m);  // shared with term 0
  I32 f[] = {0, 0, 1};
  ZEL_C(set_expos)(h, 2, f);
  Dom c[] = {10};
  ZEL_C(set_coeff)(h, 0, c);
  c[0] = 20;
  ZEL_C(set_coeff)(h, 1, c);
  c[0] = 30;
  ZEL_C(set_coeff)(h, 2, c);
  Dom bad[] = {Dom(p)};
  EXPECT_RAISES(ZEL_C(set_coeff)(h, 2, bad),
                "Zel interface error: residue 65521 is not below the prime 65521\n");
  I32 got[3];
  ZEL_C(get_expos)(h, 0, got);
  EXPECT_EQ(std::vector<I32>(got, got + 3), std::vector<I32>(e, e + 3));
  ZEL_C(full_sort_poly)(h);
  // The equal monomials are added; the raised monomial is a copy, so the
  // shared one keeps its exponents.
  ASSERT_EQ(ZEL_C(nb_terms)(h), 2u);
  Dom out[1];
  EXPECT_EQ(ZEL_C(get_coeff)(h, 0, out)[0], 30);
  EXPECT_EQ(ZEL_C(get_coeff)(h, 1, out)[0], 30);
  const ExposW* shared = words_of(static_cast<Expos*>(m));
  EXPECT_EQ(get_field(shared, 3), 0u);
}

}  // namespace

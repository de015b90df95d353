// The univariate layer against schoolbook arithmetic.
#include <gtest/gtest.h>

#include <algorithm>

#include "sparse/descriptor.hpp"
#include "sparse/modarith.hpp"
#include "sparse/shifted_combination.hpp"
#include "sparse/univariate.hpp"
#include "sparse_util.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

TEST(SparseInverse, EveryResidueModulo65521) {
  PrimeScope ps(65521);
  for (uint32_t a = 1; a < 65521; ++a)
    ASSERT_EQ(static_cast<uint64_t>(INV_2args(static_cast<Dom>(a), 65521)) * a % 65521, 1u)
        << a;
}

TEST(SparseInverse, RandomResiduesModuloA32BitPrime) {
  if constexpr (!kIntegerBuild) GTEST_SKIP() << "residues are 16 bits in this build";
  SEED_TRACE();
  auto rng = make_rng(1);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (long k = 0; k < iterations(20000); ++k) {
      Dom a = static_cast<Dom>(1 + rng() % (p - 1));
      ASSERT_EQ(static_cast<uint64_t>(INV_2args(a, p)) * a % p, 1u) << a;
    }
    EXPECT_EQ(INV_2args(1, p), 1u);
    EXPECT_EQ(INV_2args(static_cast<Dom>(p - 1), p), p - 1);
  }
}

TEST(SparseInverse, ZeroIsReportedAndFlagged) {
  PrimeScope ps(build_primes()[0]);
  ASSERT_EQ(ZEL_C(modulo_ok), 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(INV_2args(0, ps.cell), 0u);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Le facteur 0 -> " + std::to_string(ps.cell) + " a ete trouve !\n");
  EXPECT_EQ(ZEL_C(modulo_ok), 0);
  PrimeScope again(ps.cell);  // every run starts with a clean flag
  EXPECT_EQ(ZEL_C(modulo_ok), 1);
}

TEST(SparseUnivariate, AddmulMatchesSchoolbookWithCancellations) {
  SEED_TRACE();
  auto rng = make_rng(2);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (long it = 0; it < iterations(400); ++it) {
      const int dP = static_cast<int>(rng() % 12) - 1, dQ = static_cast<int>(rng() % 8) - 1;
      const int s = static_cast<int>(rng() % 6);
      NPoly P = nrandom(rng, dP, p), Q = nrandom(rng, dQ, p);
      uint64_t c = 1 + rng() % (p - 1);
      // Every few rounds aim at a cancellation: P := -c X^s Q + small.
      if (it % 3 == 0 && dQ >= 0) {
        NPoly shifted(s, 0);
        shifted.insert(shifted.end(), Q.begin(), Q.end());
        P = nsub(nrandom(rng, static_cast<int>(rng() % (s + 1)) - 1, p),
                 nscale(shifted, c, p), p);
      }
      NPoly shifted(s, 0);
      shifted.insert(shifted.end(), Q.begin(), Q.end());
      NPoly want = nadd(P, nscale(shifted, c, p), p);
      // Garbage above P's degree must not leak into the result.
      std::vector<Dom> buf = to_dom(P, 32);
      for (size_t i = P.size(); i < buf.size(); ++i) buf[i] = static_cast<Dom>(rng() % p);
      std::vector<Dom> q = to_dom(Q, 1);
      int32_t d = ndeg(P);
      addmul_poly(buf.data(), q.data(), s, static_cast<Dom>(c), &d, ndeg(Q));
      ASSERT_EQ(d, ndeg(want)) << "s=" << s;
      ASSERT_EQ(from_dom(buf.data(), d), want);
      if (dQ >= 0 && ndeg(P) < s) {  // the gap between the old degree and the shift is cleared
        for (int i = std::max(ndeg(P) + 1, 0); i < s; ++i) ASSERT_EQ(buf[i], 0) << i;
      }
    }
  }
}

TEST(SparseUnivariate, TruncatedProductMatchesSchoolbook) {
  SEED_TRACE();
  auto rng = make_rng(3);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (long it = 0; it < iterations(300); ++it) {
      const int dA = static_cast<int>(rng() % 20) - 1, dB = static_cast<int>(rng() % 20) - 1;
      const int n = 1 + static_cast<int>(rng() % 25);
      NPoly A = nrandom(rng, dA, p), B = nrandom(rng, dB, p);
      NPoly want = nmul(A, B, p);
      if (static_cast<int>(want.size()) > n) want.resize(n);
      trim(want);
      std::vector<Dom> a = to_dom(A, 1), b = to_dom(B, 1), r(n, 7);
      int32_t dR;
      mul_tronquer(r.data(), &dR, a.data(), dA, b.data(), dB, n);
      ASSERT_EQ(dR, ndeg(want));
      ASSERT_EQ(from_dom(r.data(), n - 1), want);
      for (int k = dR + 1; k < n; ++k) ASSERT_EQ(r[k], 0);
    }
  }
}

TEST(SparseUnivariate, ReverseAndShift) {
  PrimeScope ps(build_primes()[0]);
  std::vector<Dom> a{1, 2, 0};
  EXPECT_EQ(reverse(a.data(), 2), 2);
  EXPECT_EQ(a, (std::vector<Dom>{0, 2, 1}));
  std::vector<Dom> b{0, 0, 5};
  EXPECT_EQ(reverse(b.data(), 2), 0);
  EXPECT_EQ(b, (std::vector<Dom>{5, 0, 0}));
  std::vector<Dom> c{1, 2, 3, 4};
  EXPECT_EQ(reverse(c.data(), 3), 3);
  EXPECT_EQ(c, (std::vector<Dom>{4, 3, 2, 1}));
  EXPECT_EQ(reverse(c.data(), -1), -1);

  std::vector<Dom> s{3, 4, 0};
  EXPECT_EQ(ZEL_C(shift_X)(s.data(), 1), 2);
  EXPECT_EQ(s, (std::vector<Dom>{0, 3, 4}));
  std::vector<Dom> z{9};
  EXPECT_EQ(ZEL_C(shift_X)(z.data(), -1), 0);  // d + 1, also for the zero polynomial
  EXPECT_EQ(z[0], 0);
}

TEST(SparseUnivariate, DerivativeFactorsAreTakenModuloP) {
  // Degrees past 2^16: the factor of X^65536 is 65537 = 16 mod 65521, not 1.
  PrimeScope ps(65521);
  std::vector<Dom> P(65538, 0), Q(65537, 9);
  P[65537] = 1;
  P[65536] = 1;
  P[3] = 2;
  EXPECT_EQ(derivative(P.data(), 65537, Q.data()), 65536);
  EXPECT_EQ(Q[65536], 16);
  EXPECT_EQ(Q[65535], 15);
  EXPECT_EQ(Q[2], 6);
  EXPECT_EQ(std::count(Q.begin(), Q.end(), Dom(0)), 65537 - 3);
}

TEST(SparseUnivariate, CombiLinReducesItsScalarModuloP) {
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    std::vector<Dom> P{1, 2, 0, 0}, Q{1, 1, 1};
    // c = p + 3 is 3 modulo p, whatever the width of a residue.
    int32_t d = ZEL_C(combi_lin)(P.data(), 1, p + 3u, Q.data(), 2);
    EXPECT_EQ(d, 2);
    EXPECT_EQ(from_dom(P.data(), d), (NPoly{4, 5, 3}));
    // P - P = 0.
    std::vector<Dom> R{4, 5, 3};
    d = ZEL_C(combi_lin)(R.data(), 2, p - 1, P.data(), 2);
    EXPECT_EQ(d, -1);
  }
}

TEST(SparseUnivariate, EuclidStepsAndRemaindersMatchSchoolbook) {
  SEED_TRACE();
  auto rng = make_rng(4);
  for (uint32_t p : build_primes()) {
    PrimeScope ps(p);
    for (long it = 0; it < iterations(200); ++it) {
      NPoly A = nrandom(rng, static_cast<int>(rng() % 15), p);
      NPoly B = nrandom(rng, static_cast<int>(rng() % 15), p);
      // A common factor now and then, so gcds are not all trivial.
      if (it % 2) {
        NPoly g = nrandom(rng, static_cast<int>(rng() % 4), p);
        A = nmul(A, g, p);
        B = nmul(B, g, p);
      }
      const int dA = ndeg(A), dB = ndeg(B);
      auto [q, r] = ndivmod(A, B, p);
      // One quo2 step: (A, B, U, V) := (B, A mod B, V, U - q V) with U = 1, V = X + 2.
      {
        const size_t cap = A.size() + B.size() + 4;
        std::vector<Dom> a = to_dom(A, cap), b = to_dom(B, cap), u = to_dom({1}, cap),
                         v = to_dom({2, 1}, cap);
        int32_t da = ndeg(A), db = ndeg(B), du = 0, dv = 1;
        quo2(a.data(), &da, b.data(), &db, u.data(), &du, v.data(), &dv);
        ASSERT_EQ(from_dom(a.data(), da), B);
        ASSERT_EQ(from_dom(b.data(), db), r);
        ASSERT_EQ(db, ndeg(r));
        ASSERT_EQ(from_dom(u.data(), du), (NPoly{2, 1}));
        NPoly want_v = nsub(NPoly{1}, nmul(q, NPoly{2, 1}, p), p);
        ASSERT_EQ(from_dom(v.data(), dv), want_v);
        ASSERT_EQ(dv, ndeg(want_v));
      }
      // rem and rem_d by the monic B.
      {
        NPoly Bm = nmonic(B, p);
        NPoly want = ndivmod(A, Bm, p).second;
        std::vector<Dom> a = to_dom(A, 1), bm = to_dom(Bm, 1), out(std::max(dB, 1), 0);
        ASSERT_EQ(rem(a.data(), dA, bm.data(), dB, out.data()), ndeg(want));
        ASSERT_EQ(from_dom(out.data(), ndeg(want)), want);
        ASSERT_EQ(rem_d(a.data(), dA, bm.data(), dB), ndeg(want));
        ASSERT_EQ(from_dom(a.data(), ndeg(want)), want);
      }
      // egcd: R = V*B mod A with deg R <= k, and the previous remainder above k.
      {
        const int nA = std::max(ndeg(A), ndeg(B));
        const int k = static_cast<int>(rng() % (nA + 1));
        std::vector<Dom> a = to_dom(A, nA + 1), b = to_dom(B, nA + 1);
        int32_t da = ndeg(A), db = ndeg(B);
        egcd(a.data(), &da, b.data(), &db, k);
        NPoly R = from_dom(a.data(), da), V = from_dom(b.data(), db);
        ASSERT_LE(da, std::max(k, ndeg(B) <= k ? ndeg(B) : -1));
        ASSERT_EQ(ndivmod(nsub(nmul(V, B, p), R, p), A, p).second, NPoly{});
      }
      // gcd: A := gcd (up to a constant), B := a multiple of A / gcd.
      {
        const int n = std::max(ndeg(A), ndeg(B)) + 1;
        std::vector<Dom> a = to_dom(A, n), b = to_dom(B, n);
        int32_t da = ndeg(A), db = ndeg(B);
        gcd(a.data(), &da, b.data(), &db);
        NPoly g = ngcd(A, B, p);
        ASSERT_EQ(nmonic(from_dom(a.data(), da), p), g);
        NPoly cof = from_dom(b.data(), db);
        ASSERT_EQ(nmonic(cof, p), nmonic(ndivmod(A, g, p).first, p));
      }
    }
  }
}

TEST(SparseUnivariate, EuclidEdgeCases) {
  const uint32_t p = build_primes()[0];
  PrimeScope ps(p);
  // egcd whose B already has degree <= k: A := B, B := 1, no division.
  std::vector<Dom> a{1, 2, 3, 1}, b{5, 6, 0, 0};
  int32_t da = 3, db = 1;
  egcd(a.data(), &da, b.data(), &db, 2);
  EXPECT_EQ(from_dom(a.data(), da), (NPoly{5, 6}));
  EXPECT_EQ(from_dom(b.data(), db), (NPoly{1}));
  // gcd of a polynomial and a constant: the constant, and a multiple of the polynomial.
  std::vector<Dom> f{1, 2, 3}, c{7, 0, 0};
  da = 2, db = 0;
  gcd(f.data(), &da, c.data(), &db);
  EXPECT_EQ(da, 0);
  EXPECT_EQ(nmonic(from_dom(c.data(), db), p), nmonic(NPoly{1, 2, 3}, p));
  // gcd by zero leaves A and gives B = 1.
  std::vector<Dom> g{4, 1}, z{9, 9};
  da = 1, db = -1;
  gcd(g.data(), &da, z.data(), &db);
  EXPECT_EQ(from_dom(g.data(), da), (NPoly{4, 1}));
  EXPECT_EQ(db, 0);
  EXPECT_EQ(z[0], 1);
  // rem by a monic constant is zero; a smaller dividend comes back unchanged.
  std::vector<Dom> one{1}, out(2, 9), x{3, 4}, m{1, 0, 1};
  EXPECT_EQ(rem(x.data(), 1, one.data(), 0, out.data()), -1);
  EXPECT_EQ(rem(x.data(), 1, m.data(), 2, out.data()), 1);
  EXPECT_EQ(out, (std::vector<Dom>{3, 4}));
  // A zero divisor is reported and changes nothing.
  std::vector<Dom> A{1, 1}, B{0}, U{1}, V{0};
  int32_t dA = 1, dB = -1, dU = 0, dV = -1;
  testing::internal::CaptureStderr();
  quo2(A.data(), &dA, B.data(), &dB, U.data(), &dU, V.data(), &dV);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "B=0 !!\n");
  EXPECT_EQ(dA, 1);
  EXPECT_EQ(dB, -1);
}

// egcd and gcd take the usual one-degree steps in place; their results are
// those of quo2's steps, with the degenerate steps (a larger quotient,
// frequent modulo tiny primes) in between.
TEST(SparseUnivariate, EuclidRunsEqualTheirQuo2Steps) {
  SEED_TRACE();
  auto rng = make_rng(6);
  std::vector<uint32_t> primes = build_primes();
  primes.insert(primes.end(), {2u, 3u, 7u});
  for (uint32_t p : primes) {
    PrimeScope ps(p);
    for (long it = 0; it < iterations(100); ++it) {
      const int nA = 1 + static_cast<int>(rng() % 40);
      NPoly A = nrandom(rng, nA, p), B = nrandom(rng, static_cast<int>(rng() % nA), p);
      const int32_t dA0 = ndeg(A), dB0 = ndeg(B);
      if (dA0 < 0) continue;
      const size_t w = static_cast<size_t>(std::max(dA0, dB0)) + 2;
      // The reference: quo2 from (A, B, 0, 1) while the remainder is above k.
      auto reference = [&](int32_t k, bool to_end) {
        std::vector<Dom> r0 = to_dom(A, w), r1 = to_dom(B, w), u0(w, 0), u1(w, 0);
        u1[0] = 1;
        int32_t d0 = dA0, d1 = dB0, du0 = -1, du1 = 0;
        while (d1 >= 0 && (to_end || d1 > k))
          quo2(r0.data(), &d0, r1.data(), &d1, u0.data(), &du0, u1.data(), &du1);
        return std::pair{from_dom((to_end ? r0 : r1).data(), to_end ? d0 : d1),
                         from_dom(u1.data(), du1)};
      };
      const int32_t k = static_cast<int32_t>(rng() % (dA0 + 1));
      std::vector<Dom> a = to_dom(A, w), b = to_dom(B, w);
      int32_t da = dA0, db = dB0;
      egcd(a.data(), &da, b.data(), &db, k);
      ASSERT_EQ(std::pair(from_dom(a.data(), da), from_dom(b.data(), db)), reference(k, false))
          << "p=" << p;
      if (dB0 < 0) continue;
      a = to_dom(A, w), b = to_dom(B, w), da = dA0, db = dB0;
      gcd(a.data(), &da, b.data(), &db);
      ASSERT_EQ(std::pair(from_dom(a.data(), da), from_dom(b.data(), db)), reference(0, true))
          << "p=" << p;
    }
  }
}

// Every form of Euclid's inner loop against the plain one, every length
// around the vector width, residues up to p-1.
TEST(SparseUnivariate, ShiftedPairFormsEqualThePlainLoop) {
  SEED_TRACE();
  auto rng = make_rng(8);
  const auto forms = add_shifted_pair_kernels();
  std::vector<uint32_t> primes = build_primes();
  primes.insert(primes.end(), {2u, 3u, 7u});
  for (uint32_t p : primes) {
    for (int32_t top = 0; top <= 35; ++top) {
      std::vector<Dom> T(top + 1), S(top + 1);
      for (Dom& v : T) v = static_cast<Dom>(rng() % 3 ? rng() % p : p - 1);
      for (Dom& v : S) v = static_cast<Dom>(rng() % 3 ? rng() % p : p - 1);
      const Dom w1 = static_cast<Dom>(rng() % p);
      const FixedFactor m1(w1, p), m0(static_cast<Dom>(p - 1), p);
      std::vector<Dom> want = T;
      forms[0](want.data(), S.data(), m1, m0, top, p);
      for (const auto& form : forms) {
        std::vector<Dom> got = T;
        form(got.data(), S.data(), m1, m0, top, p);
        ASSERT_EQ(got, want) << "p=" << p << " top=" << top;
      }
      for (int32_t j = 1; j <= top; ++j)
        ASSERT_EQ(want[j], static_cast<Dom>((T[j] + static_cast<unsigned __int128>(w1) * S[j - 1] +
                                             static_cast<unsigned __int128>(p - 1) * S[j]) % p));
    }
  }
}

// Every form of the one-factor combination against the plain one.
TEST(SparseUnivariate, ScaledFormsEqualThePlainLoop) {
  SEED_TRACE();
  auto rng = make_rng(9);
  const auto forms = add_scaled_kernels();
  std::vector<uint32_t> primes = build_primes();
  primes.insert(primes.end(), {2u, 3u, 7u});
  for (uint32_t p : primes) {
    for (size_t n = 0; n <= 35; ++n) {
      std::vector<Dom> y(n), x(n);
      for (Dom& v : y) v = static_cast<Dom>(rng() % 3 ? rng() % p : p - 1);
      for (Dom& v : x) v = static_cast<Dom>(rng() % 3 ? rng() % p : p - 1);
      const Dom w = static_cast<Dom>(rng() % 2 ? rng() % p : p - 1);
      std::vector<Dom> want(n);
      for (size_t i = 0; i < n; ++i)
        want[i] = static_cast<Dom>((y[i] + static_cast<unsigned __int128>(w) * x[i]) % p);
      for (const auto& form : forms) {
        std::vector<Dom> got = y;
        form(got.data(), x.data(), n, FixedFactor(w, p), p);
        ASSERT_EQ(got, want) << "p=" << p << " n=" << n;
      }
    }
  }
}

// Every form of the shifted two-factor combination against its definition.
TEST(SparseUnivariate, ShiftedTwoScaledFormsEqualTheDefinition) {
  SEED_TRACE();
  auto rng = make_rng(10);
  const auto forms = shifted_two_scaled_kernels();
  std::vector<uint32_t> primes = build_primes();
  primes.insert(primes.end(), {2u, 3u, 7u});
  auto draw = [&](uint32_t p) { return static_cast<Dom>(rng() % 3 ? rng() % p : p - 1); };
  for (uint32_t p : primes) {
    for (size_t n = 0; n <= 35; ++n) {
      std::vector<Dom> S(n), X(n), Y(n), want(n);
      for (size_t i = 0; i < n; ++i) S[i] = draw(p), X[i] = draw(p), Y[i] = draw(p);
      const Dom a = draw(p), b = draw(p);
      for (size_t i = 0; i < n; ++i)
        want[i] = static_cast<Dom>(((i > 0 ? S[i - 1] : 0) + static_cast<unsigned __int128>(a) * X[i] +
                                    static_cast<unsigned __int128>(b) * Y[i]) % p);
      for (const auto& form : forms) {
        std::vector<Dom> got(n, 9);
        form(got.data(), S.data(), X.data(), FixedFactor(a, p), Y.data(), FixedFactor(b, p), n, p);
        ASSERT_EQ(got, want) << "p=" << p << " n=" << n;
      }
    }
  }
}

// The moduli check against trial division, on every small value, around
// the top of the range and on the strong pseudoprimes to several bases.
TEST(SparseInverse, PrimeCheckIsExact) {
  auto trial = [](uint64_t n) {
    if (n < 2) return false;
    for (uint64_t d = 2; d * d <= n; ++d)
      if (n % d == 0) return false;
    return true;
  };
  const bool wide = kIntegerBuild;
  auto usable = [&](uint64_t n) { return trial(n) && (wide || n <= 65521); };
  for (uint32_t n = 0; n < 70000; ++n) ASSERT_EQ(prime_ok(n), usable(n)) << n;
  for (uint32_t n = 4294967295u; n > 4294960000u; --n) ASSERT_EQ(prime_ok(n), usable(n)) << n;
  // Strong pseudoprimes to the bases 2; 2, 3; 2, 3, 5, 7 (3215031751).
  for (uint32_t n : {2047u, 1373653u, 25326001u, 3215031751u, 4294967291u})
    ASSERT_EQ(prime_ok(n), usable(n)) << n;
}

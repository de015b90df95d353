// Berlekamp-Massey, Pade approximation and the square-free part.
#include <gtest/gtest.h>

#include "sparse/modarith.hpp"
#include "sparse/recurrence.hpp"
#include "sparse_util.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

// n terms of the sequence with characteristic polynomial M (monic) from the
// given first deg M terms.
std::vector<Dom> recurrent(const NPoly& M, std::vector<uint64_t> first, int n, uint64_t p) {
  const int L = ndeg(M);
  while (static_cast<int>(first.size()) < n) {
    const size_t k = first.size() - L;
    unsigned __int128 acc = 0;
    for (int i = 0; i < L; ++i) acc += static_cast<unsigned __int128>(p - M[i]) * first[k + i];
    first.push_back(static_cast<uint64_t>(acc % p));
  }
  std::vector<Dom> s(n);
  for (int i = 0; i < n; ++i) s[i] = static_cast<Dom>(first[i]);
  return s;
}

// The minimal polynomial from berlekamp: K reversed by the linear complexity.
NPoly bm_minpoly(const std::vector<Dom>& s, int32_t* L) {
  std::vector<Dom> K(s.size() + 1, 9);
  int32_t dK;
  *L = berlekamp(s.data(), static_cast<int32_t>(s.size()), K.data(), &dK);
  NPoly M(*L + 1, 0);
  for (int32_t i = 0; i <= dK; ++i) M[*L - i] = K[i];
  trim(M);
  return M;
}

NPoly pade_minpoly(const std::vector<Dom>& s, int32_t d, int32_t* L) {
  std::vector<Dom> A(d + 2, 9);
  int32_t dA;
  *L = algo_AD_part1(s.data(), d, A.data(), &dA);
  EXPECT_EQ(*L, dA);
  for (int32_t i = dA + 1; i <= d + 1; ++i) EXPECT_EQ(A[i], 0) << i;
  return from_dom(A.data(), dA);
}

}  // namespace

TEST(SparseBerlekamp, ClassicSequences) {
  const uint64_t p = build_primes()[0];
  PrimeScope ps(p);
  int32_t L;
  std::vector<Dom> fib{0, 1, 1, 2, 3, 5, 8, 13};
  EXPECT_EQ(bm_minpoly(fib, &L), (NPoly{p - 1, p - 1, 1}));  // X^2 - X - 1
  EXPECT_EQ(L, 2);
  EXPECT_EQ(pade_minpoly(fib, 4, &L), (NPoly{p - 1, p - 1, 1}));

  std::vector<Dom> cst(5, 7);
  std::vector<Dom> K(7);
  int32_t dK;
  EXPECT_EQ(berlekamp(cst.data(), 5, K.data(), &dK), 1);
  EXPECT_EQ(from_dom(K.data(), dK), (NPoly{1, p - 1}));  // 1 - X
  EXPECT_EQ(pade_minpoly(cst, 2, &L), (NPoly{p - 1, 1}));

  std::vector<Dom> zero(6, 0);
  EXPECT_EQ(berlekamp(zero.data(), 6, K.data(), &dK), 0);
  EXPECT_EQ(dK, 0);
  EXPECT_EQ(K[0], 1);
  EXPECT_EQ(pade_minpoly(zero, 3, &L), (NPoly{1}));
  EXPECT_EQ(berlekamp(nullptr, 0, K.data(), &dK), 0);
  EXPECT_EQ(dK, 0);
  EXPECT_EQ(pade_minpoly(zero, 0, &L), (NPoly{1}));

  // A sequence that dies after its first term has minimal polynomial X: the
  // factor X shows only in the linear complexity.
  std::vector<Dom> spike{5, 0, 0, 0};
  EXPECT_EQ(bm_minpoly(spike, &L), (NPoly{0, 1}));
  EXPECT_EQ(pade_minpoly(spike, 2, &L), (NPoly{0, 1}));
}

TEST(SparseBerlekamp, RandomRecurrencesFromTwiceTheirOrder) {
  SEED_TRACE();
  auto rng = make_rng(5);
  for (uint64_t p : build_primes()) {
    PrimeScope ps(static_cast<uint32_t>(p));
    for (long it = 0; it < iterations(60); ++it) {
      const int L = 1 + static_cast<int>(rng() % 40);
      NPoly M = nrandom(rng, L, p);
      M[L] = 1;
      // Some minimal polynomials with a root 0, even a multiple one.
      const int zeros = it % 3 == 0 ? 1 + static_cast<int>(rng() % std::min(L, 3)) : 0;
      for (int i = 0; i < zeros; ++i) M[i] = 0;
      std::vector<uint64_t> first(L);
      for (auto& v : first) v = rng() % p;
      first[0] = 1 + rng() % (p - 1);
      std::vector<Dom> s = recurrent(M, first, 2 * L, p);
      int32_t got;
      NPoly bm = bm_minpoly(s, &got);
      // A random start makes M minimal except with probability about L/p;
      // then the answer must still divide M.
      if (got != L) {
        ASSERT_EQ(ndivmod(M, bm, p).second, NPoly{});
        continue;
      }
      ASSERT_EQ(bm, M);
      ASSERT_EQ(pade_minpoly(s, L, &got), M);
      ASSERT_EQ(got, L);
      // A degree bound above the order changes nothing, given the terms.
      std::vector<Dom> more = recurrent(M, first, 2 * L + 6, p);
      ASSERT_EQ(pade_minpoly(more, L + 3, &got), M);
    }
  }
}

TEST(SparseBerlekamp, PadePairSucceedsOnlyOnFullDegree) {
  SEED_TRACE();
  auto rng = make_rng(6);
  const uint64_t p = build_primes()[0];
  PrimeScope ps(static_cast<uint32_t>(p));
  for (int d = 0; d < 12; ++d) {
    NPoly M = nrandom(rng, d + 1, p);
    M[d + 1] = 1;
    M[0] = 1 + rng() % (p - 1);
    std::vector<uint64_t> first(d + 1);
    for (auto& v : first) v = 1 + rng() % (p - 1);
    std::vector<Dom> s = recurrent(M, first, 2 * d + 1, p);
    std::vector<Dom> A(d + 2, 9), B(d + 2, 9);
    int32_t dA, dB;
    ASSERT_EQ(algo_AD(s.data(), d, A.data(), &dA, B.data(), &dB), 1) << d;
    for (int i = dA + 1; i <= d + 1; ++i) ASSERT_EQ(A[i], 0);
    for (int i = dB + 1; i <= d + 1; ++i) ASSERT_EQ(B[i], 0);
    std::vector<Dom> zero(2 * d + 1, 0);
    ASSERT_EQ(algo_AD(zero.data(), d, A.data(), &dA, B.data(), &dB), 0);
    ASSERT_EQ(dA, -1);
  }
}

// The matrix form of the parametrisation solve against SOLVE itself, from
// the Pade pair of random sequences, tiny primes included.
TEST(SparseBerlekamp, SolveMatrixGivesSolvesAnswers) {
  SEED_TRACE();
  auto rng = make_rng(7);
  std::vector<uint32_t> primes = {2, 3, 7};
  for (uint64_t p : build_primes()) primes.push_back(static_cast<uint32_t>(p));
  for (uint32_t p : primes) {
    PrimeScope ps(p);
    for (int d = 0; d < 14; ++d) {
      std::vector<Dom> s(2 * d + 1);
      for (Dom& v : s) v = static_cast<Dom>(rng() % p);
      std::vector<Dom> A(d + 2, 0), B(d + 2, 0);
      int32_t dA, dB;
      if (!algo_AD(s.data(), d, A.data(), &dA, B.data(), &dB)) continue;
      const SolveMatrix matrix(A.data(), B.data(), dB, d, 3);
      for (int t = 0; t < 3; ++t) {
        std::vector<Dom> S2(d + 1), S2copy, want(d + 1, 9), got(d + 1, 9);
        for (Dom& v : S2) v = static_cast<Dom>(rng() % p);
        S2copy = S2;
        int32_t dwant, dgot;
        SOLVE(want.data(), &dwant, A.data(), B.data(), dB, S2copy.data(), d);
        matrix.solve(got.data(), &dgot, S2.data());
        ASSERT_EQ(dgot, dwant) << "p=" << p << " d=" << d;
        ASSERT_EQ(got, want) << "p=" << p << " d=" << d;
      }
    }
  }
}

// What the sparse FGLM reads off the least generator g of 2D terms when it
// has degree D, against what it computes otherwise: the Pade step's minimal
// polynomial, the tail's solve and the Pade pair; roots 0 and tiny primes
// included.
TEST(SparseBerlekamp, FullDegreeGeneratorGivesThePadeAnswers) {
  SEED_TRACE();
  auto rng = make_rng(11);
  std::vector<uint32_t> primes = {2, 3, 7};
  for (uint64_t p : build_primes()) primes.push_back(static_cast<uint32_t>(p));
  for (uint32_t p : primes) {
    PrimeScope ps(p);
    for (int d = 0; d < 12; ++d) {
      const int D = d + 1;
      NPoly M = nrandom(rng, D, p);
      M.resize(D + 1);
      M[D] = 1;
      if (rng() % 3 == 0) M[0] = 0;
      std::vector<uint64_t> first(D);
      for (auto& v : first) v = rng() % p;
      const std::vector<Dom> s = recurrent(M, first, 2 * D, p);
      std::vector<Dom> last_dual;
      const ModPoly g = least_generator(s, s.size(), p, &last_dual);
      if (g.size() != static_cast<size_t>(D) + 1) continue;
      int32_t L;
      ASSERT_EQ(pade_minpoly(s, D, &L), NPoly(g.begin(), g.end())) << "p=" << p << " d=" << d;
      std::vector<Dom> A(D + 1, 0), B(D + 1, 0), B2(D + 1, 9), R(D, 0);
      int32_t dA, dB, dB2, r;
      ASSERT_EQ(algo_AD(s.data(), d, A.data(), &dA, B.data(), &dB), 1) << "p=" << p;
      if (A[0] != 0) {
        std::vector<Dom> tail(s.begin() + D, s.end());
        SOLVE(R.data(), &r, A.data(), B.data(), dB, tail.data(), d);
        for (int i = 0; i < D; ++i) ASSERT_EQ(NEG(R[i], p), g[D - 1 - i]) << "p=" << p;
      }
      std::vector<Dom> A2(D + 1, 9), rows;
      int32_t dA2;
      // With the generator's last dual element (when it has it) and without.
      for (const std::vector<Dom>& dual : {std::vector<Dom>{}, last_dual}) {
        std::fill(B2.begin(), B2.end(), Dom(9));
        ASSERT_EQ(pade_pair_from_generator(s.data(), g, dual, d, A2.data(), &dA2, B2.data(), &dB2,
                                           &rows),
                  1);
        ASSERT_EQ(std::pair(dA2, dB2), std::pair(dA, dB)) << "p=" << p << " d=" << d;
        ASSERT_EQ(A2, A) << "p=" << p << " d=" << d << " dual " << dual.size();
        ASSERT_EQ(B2, B) << "p=" << p << " d=" << d << " dual " << dual.size();
      }
      // Its rows of H^-1 are SOLVE's map (given A[0], which SOLVE inverts).
      const SolveMatrix made(A.data(), B.data(), dB, d, 1, &rows), own(A.data(), B.data(), dB, d, 3);
      std::vector<Dom> u(D), x1(D), x2(D);
      for (Dom& v : u) v = static_cast<Dom>(rng() % p);
      int32_t d1, d2;
      made.solve(x1.data(), &d1, u.data());
      own.solve(x2.data(), &d2, u.data());
      ASSERT_EQ(x1, x2) << "p=" << p << " d=" << d;
    }
  }
}

// A factor whose multiplicity the prime divides has a vanishing derivative
// there: (X+1)^2 mod 2, (X-1)^3 mod 3, X^5 (X-2)^5 mod 5.
TEST(SparseSquareFree, MultiplicitiesThatThePrimeDivides) {
  struct Case {
    uint32_t p;
    std::vector<uint64_t> roots, distinct;
  };
  for (const Case& c : {Case{2, {1, 1}, {1}}, Case{3, {1, 1, 1, 2}, {1, 2}},
                        Case{5, {0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 3}, {0, 2, 3}}}) {
    PrimeScope ps(c.p);
    const int32_t d = static_cast<int32_t>(c.roots.size());
    std::vector<Dom> buf = to_dom(nfromroots(c.roots, c.p), d + 1);
    int32_t flag = 0;
    const int32_t r = sqr_free(buf.data(), d, &flag);
    ASSERT_EQ(r, static_cast<int32_t>(c.distinct.size())) << "p=" << c.p;
    EXPECT_EQ(from_dom(buf.data(), r), nfromroots(c.distinct, c.p)) << "p=" << c.p;
    EXPECT_EQ(flag, 1);
  }
}

TEST(SparseSquareFree, RemovesRepeatedFactorsAndMakesMonic) {
  for (uint64_t p : build_primes()) {
    PrimeScope ps(static_cast<uint32_t>(p));
    const uint64_t a = 3, b = p - 5;
    NPoly P = nscale(nmul(nfromroots({a, a}, p), nfromroots({b}, p), p), 11, p);
    std::vector<Dom> buf = to_dom(P, 4);
    int32_t flag = 0;
    int32_t d = sqr_free(buf.data(), 3, &flag);
    EXPECT_EQ(d, 2);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(from_dom(buf.data(), d), nfromroots({a, b}, p));

    NPoly Q = nscale(nfromroots({1, 2, 3, 0}, p), 5, p);
    buf = to_dom(Q, 5);
    flag = 0;
    EXPECT_EQ(sqr_free(buf.data(), 4, &flag), 4);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(from_dom(buf.data(), 4), nfromroots({1, 2, 3, 0}, p));
    flag = 7;  // only ever set, never cleared
    sqr_free(buf.data(), 4, &flag);
    EXPECT_EQ(flag, 7);

    std::vector<Dom> c{9};
    EXPECT_EQ(sqr_free(c.data(), 0, &flag), 0);
    EXPECT_EQ(c[0], 1);
    std::vector<Dom> lin{6, 2};
    EXPECT_EQ(sqr_free(lin.data(), 1, &flag), 1);
    EXPECT_EQ(from_dom(lin.data(), 1), (NPoly{3, 1}));
    flag = 0;
    EXPECT_EQ(sqr_free(lin.data(), -1, &flag), -1);
    EXPECT_EQ(flag, 0);

    // A high power of X, as a nilpotent matrix gives.
    NPoly X5(6, 0);
    X5[5] = 1;
    buf = to_dom(X5, 6);
    EXPECT_EQ(sqr_free(buf.data(), 5, &flag), 1);
    EXPECT_EQ(from_dom(buf.data(), 1), (NPoly{0, 1}));
  }
}

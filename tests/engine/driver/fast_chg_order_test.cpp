// The change of ordering through the server side, in both builds (three
// lanes in the integer build): the same shape basis as the engine's own
// multiplication-matrix path, an empty basis, a refusal of infinitely many
// solutions, the matrix dump, and the prime-field side's limits.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/affine_monomials.hpp"
#include "engine/driver/fast_chg_order.hpp"
#include "engine/driver/mult_matrix.hpp"
#include "engine/driver/rational_param.hpp"
#include "server/algo/bridge.hpp"
#include "server/base/orv_malloc.hpp"
#include "support/any_build_gb.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::SysPoly;

namespace {

using Term = std::pair<Exps, std::vector<uint32_t>>;  // exponents, every lane
std::vector<std::vector<Term>> terms(const std::vector<Dpol*>& P, uint32_t n) {
  std::vector<std::vector<Term>> out;
  for (const Dpol* p : P) {
    std::vector<Term> f;
    for (uint32_t t = 0; t < p->n; ++t) {
      f.push_back({affine_exps(p->mono[t], n), {}});
      for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) f.back().second.push_back(lanes(p)[l][t]);
    }
    out.push_back(f);
  }
  return out;
}

struct FastChgOrder : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<Dpol*> result = std::vector<Dpol*>(64);

  std::vector<Dpol*> through_server(std::vector<Dpol*> G, uint32_t sqfr, int32_t minpoly) {
    const int32_t k = lib_fast_chg_order(G.data(), uint32_t(G.size()), result.data(), sqfr, minpoly,
                                         -1, 0);
    return {result.begin(), result.begin() + k};
  }
  std::vector<Dpol*> by_matrix(std::vector<Dpol*> G, uint32_t sqfr, int32_t minpoly) {
    uint32_t D;
    staircase(G.data(), uint32_t(G.size()), &D);
    const uint32_t k =
        build_last_matrix(G.data(), uint32_t(G.size()), result.data(), D, minpoly, int32_t(sqfr));
    return {result.begin(), result.begin() + k};
  }
};

// Generic quadrics in n variables: 2^n solutions that the last variable
// separates.
std::vector<SysPoly> random_quadrics(std::mt19937_64& rng, uint32_t n) {
  std::vector<SysPoly> F(n);
  for (SysPoly& f : F)
    for (uint32_t i = 0; i < n; ++i)
      for (uint32_t j = i; j <= n; ++j) {
        std::vector<uint32_t> e(n, 0);
        ++e[i];
        if (j < n) ++e[j];
        f.push_back({e, uint32_t(rng() % 1000)});
      }
  return F;
}

TEST_F(FastChgOrder, SameShapeBasisAsTheMatrixPath) {
  SEED_TRACE();
  std::mt19937_64 rng = zel_test::make_rng();
  const zel_test::System k4 = zel_test::katsura(4, 2147483647);
  std::vector<std::pair<uint32_t, std::vector<SysPoly>>> systems = {{k4.nvars, k4.polys}};
  for (uint32_t n = 2; n <= 3; ++n) systems.push_back({n, random_quadrics(rng, n)});
  for (const auto& [n, F] : systems) {
    zel_test::AnyBuildGB gb(n);
    const std::vector<Dpol*> G = gb.basis(F);
    for (const auto& [sqfr, minpoly] : {std::pair{0u, 0}, {0u, 1}, {1u, 0}, {1u, 1}}) {
      const auto expected = terms(by_matrix(G, sqfr, minpoly), n);
      EXPECT_EQ(terms(through_server(G, sqfr, minpoly), n), expected)
          << n << " variables, sqfr " << sqfr << ", minpoly " << minpoly;
      EXPECT_EQ(expected.size(), minpoly ? 1u : n);
    }
  }
}

TEST_F(FastChgOrder, EmptyBasisAndInfinitelyManySolutions) {
  zel_test::AnyBuildGB gb(2);
  Dpol* untouched = gb.make({{{1, 0}, 1}});
  result[0] = untouched;
  EXPECT_EQ(lib_fast_chg_order(result.data() + 1, 0, result.data(), 0, 0, -1, 0), 0);
  EXPECT_EQ(result[0], untouched);
  std::vector<Dpol*> G = gb.basis({{{{2, 0}, 1}, {{0, 1}, 2147483646}}});  // x0^2 - x1
  EXPECT_RAISES(lib_fast_chg_order(G.data(), uint32_t(G.size()), result.data(), 0, 0, -1, 0),
                "The system is not zero-dimensional: this mode needs finitely many solutions\n");
}

// The server's first set-up runs under the request's guard: when it finds no
// memory, the request fails with the server's message raised as the
// engine's own error, not with the server's exit (status 3, the message on
// the standard output).
TEST_F(FastChgOrder, FirstSetUpWithoutMemoryFailsAsAnyRequest) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a process without the set-up
  const zel_test::System k3 = zel_test::katsura(3, 2147483647);
  EXPECT_EXIT(
      {
        zel_test::AnyBuildGB gb(k3.nvars);
        std::vector<Dpol*> G = gb.basis(k3.polys);
        orv::ORV_BUILD::ORV_C(Orv_malloc) = [](uint32_t) -> void* { return nullptr; };
        try {
          lib_fast_chg_order(G.data(), uint32_t(G.size()), result.data(), 0, 0, -1, 0);
        } catch (const zel_test::HostError& e) {
          std::fprintf(stderr, "raised: %s", e.what());
          std::fflush(stderr);
          std::_Exit(1);
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(1), "raised: .*Pas assez de memoire");
}

// The dumped matrix of katsura-3 is annihilated by the minimal polynomial
// of the last variable.
TEST_F(FastChgOrder, DumpWritesTheMatrixOfTheLastVariable) {
  const zel_test::System k3 = zel_test::katsura(3, 2147483647);
  zel_test::AnyBuildGB gb(k3.nvars);
  std::vector<Dpol*> G = gb.basis(k3.polys);
  const Dpol* f = through_server(G, 0, 1).at(0);
  std::string message;
  try {
    lib_fast_chg_order(G.data(), uint32_t(G.size()), result.data(), 0, 0, -1, 1);
  } catch (const zel_test::HostError& e) {
    message = e.what();
  }
  const std::string prefix = "The multiplication matrix is written to ";
  ASSERT_EQ(message.substr(0, prefix.size()), prefix);
  const std::string name = message.substr(prefix.size(), message.size() - prefix.size() - 1);
  struct stat st;
  ASSERT_EQ(lstat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  std::ifstream in(name, std::ios::binary);
  uint32_t N0, m, p;
  uint64_t nb;
  in.read(reinterpret_cast<char*>(&N0), 4).read(reinterpret_cast<char*>(&m), 4);
  in.read(reinterpret_cast<char*>(&p), 4).read(reinterpret_cast<char*>(&nb), 8);
  EXPECT_EQ(N0, 8u);
  EXPECT_EQ(p, ZEL_C(Primes)[0]);
  std::vector<Dom> values(nb);
  std::vector<uint32_t> columns(nb), lengths(N0);
  in.read(reinterpret_cast<char*>(values.data()), std::streamsize(nb * sizeof(Dom)));
  in.read(reinterpret_cast<char*>(columns.data()), std::streamsize(nb * 4));
  in.read(reinterpret_cast<char*>(lengths.data()), std::streamsize(N0 * 4));
  ASSERT_TRUE(in.good());
  std::vector<std::vector<uint64_t>> M(N0, std::vector<uint64_t>(N0, 0));
  for (uint32_t i = 0, at = 0; i < N0; ++i)
    for (uint32_t k = 0; k < lengths[i]; ++k, ++at) M[i][columns[at]] = values[at];
  // f(M) v = 0 for every unit vector v, by Horner's rule on f's terms.
  for (uint32_t c = 0; c < N0; ++c) {
    std::vector<uint64_t> acc(N0, 0);
    uint32_t power = f->n ? get_field(words_of(f->mono[0]), k3.nvars - 1) : 0;
    for (uint32_t t = 0;; --power) {
      if (t < f->n && get_field(words_of(f->mono[t]), k3.nvars - 1) == power)
        acc[c] = (acc[c] + lanes(f)[0][t++]) % p;
      if (power == 0) break;
      std::vector<uint64_t> next(N0, 0);
      for (uint32_t i = 0; i < N0; ++i)
        for (uint32_t j = 0; j < N0; ++j) next[j] = (next[j] + acc[i] * M[i][j]) % p;
      acc = next;
    }
    EXPECT_EQ(acc, std::vector<uint64_t>(N0, 0)) << "unit vector " << c;
  }
  std::remove(name.c_str());
}

// The parametrisation's product R Dm mod F against the schoolbook product
// and division, on every lane, for degrees around the matrix's tiles.
TEST_F(FastChgOrder, ParametrisationProductIsTheProductModuloF) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(17);
  zel_test::AnyBuildGB gb(2);
  for (uint32_t k = 0; k < ZEL_C(vectorize); ++k) {
    const uint64_t p = ZEL_C(Primes)[k];
    for (uint32_t d : {1u, 2u, 15u, 16u, 17u, 33u, 48u}) {
      std::vector<uint32_t> F(d + 1), Dm(d), R(d), out(d);
      for (uint32_t& c : F) c = uint32_t(rng() % p);
      for (uint32_t& c : Dm) c = uint32_t(rng() % p);
      for (uint32_t& c : R) c = uint32_t(rng() % p);
      F[d] = 1;
      std::vector<uint64_t> w(2 * d, 0);
      for (uint32_t i = 0; i < d; ++i)
        for (uint32_t j = 0; j < d; ++j) w[i + j] = (w[i + j] + uint64_t(R[i]) * Dm[j] % p) % p;
      for (uint32_t top = 2 * d; top-- > d;)
        for (uint32_t j = 0; j <= d; ++j)
          w[top - d + j] = (w[top - d + j] + (p - w[top]) * F[j] % p) % p;
      ZEL_C(Pprime)(k, F.data(), Dm.data(), R.data(), out.data(), d);
      for (uint32_t i = 0; i < d; ++i) ASSERT_EQ(out[i], w[i]) << "lane " << k << " d=" << d;
    }
  }
}

#ifdef ZEL_VARIANT_FP
// A polynomial of `terms` distinct monomials in three variables.
Dpol* many_terms(uint32_t terms) {
  Dpol* p = new_Dpol(terms);
  uint32_t t = 0;
  for (uint32_t d = 0; t < terms; ++d)
    for (uint32_t a = 0; a <= d && t < terms; ++a)
      for (uint32_t b = 0; a + b <= d && t < terms; ++b, ++t) {
        p->mono[t] = expos_from({a, b, d - a - b});
        lanes(p)[0][t] = 1;
      }
  return p;
}

TEST_F(FastChgOrder, PrimeFieldBufferHoldsAtMost99999Terms) {
  zel_test::AnyBuildGB gb(3);
  Dpol* fits = many_terms(99999);
  EXPECT_RAISES(lib_fast_chg_order(&fits, 1, result.data(), 0, 0, -1, 0),
                "The system is not zero-dimensional: this mode needs finitely many solutions\n");
  Dpol* too_big = many_terms(100000);
  EXPECT_RAISES(lib_fast_chg_order(&too_big, 1, result.data(), 0, 0, -1, 0), "buffo trop petit !\n");
}

// Exponents beyond the server's 8-bit degree-order vectors: the same answer
// from the engine's side.
TEST_F(FastChgOrder, PrimeFieldHighDegreesStillChangeOrder) {
  zel_test::AnyBuildGB gb(2);
  const std::vector<Dpol*> G =
      gb.basis({{{{1, 0}, 1}, {{0, 1}, 3}}, {{{0, 130}, 1}, {{0, 0}, 2147483646}}});
  const auto expected = terms(by_matrix(G, 0, 0), 2);
  EXPECT_EQ(terms(through_server(G, 0, 0), 2), expected);
  EXPECT_EQ(expected.size(), 2u);
}
#endif

}  // namespace

// Reduced bases over the rationals through the integer build's C interface,
// against the naive Buchberger over QQ, on standard systems, and across
// prime offsets (one of them meeting a bad prime), thread counts and lane
// counts.
#include <gtest/gtest.h>

#include <gmpxx.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/call_zel.h"
#include "engine/coef/default_primes.hpp"
#include "engine/coef/prime_draw.hpp"
#include "engine/coef/primes.hpp"
#include "engine/driver/gbasis.hpp"
#include "engine/driver/multi_modular.hpp"
#include "engine/f4/dpol_sort.hpp"
#include "engine/mem/xmalloc.hpp"
#include "engine/mem/zone.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/mono/expos_pool.hpp"
#include "support/draw_seed.hpp"
#include "support/naive_buchberger_qq.hpp"
#include "support/qq_capi.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel::ZEL_BUILD;
using namespace zel_test;
using namespace zel_test::buchberger;

namespace {

struct Request {
  int32_t off = 0;
  int32_t pas0 = -1;
  int32_t block = 0;
  int32_t restrict_ = 0;
  int32_t mode = ZEL_COMPUTE_GBASIS;
  int32_t threads = 1;
  uint32_t lanes = 5;  // primes per residue vector
};

// A session of n1 + n2 variables; the system goes in through creat_poly,
// set_expos2, set_coeff_gmp and full_sort_poly2; the basis comes back
// through export_poly_INT_gmp, each polynomial scaled to leading
// coefficient 1 (mode 1) and sorted as the naive reference sorts.
std::vector<QPoly> qq_basis(const NaiveGroebnerQQ& gb, uint32_t n1, uint32_t n2,
                            const std::vector<QPoly>& F, const Request& rq = {}) {
  const uint32_t n = n1 + n2;
  start_qq_session(n1, n2, rq.lanes);
  Zel_int_internal_threads(rq.threads);
  std::vector<void*> in = send_qq(F, n);
  sZEL_Comp_Desc env{};
  env._compute = rq.mode;
  env._off = rq.off;
  double cpu = 0;
  std::vector<void*> out(100000);
  const UI32 count = Zel_int_groebner(in.data(), UI32(in.size()), out.data(), 1, rq.block, &cpu,
                                      0, rq.pas0, rq.restrict_, &env);
  std::vector<QPoly> B = receive_qq(out.data(), count, n);
  if (rq.mode == ZEL_COMPUTE_GBASIS)
    for (QPoly& f : B) f = NaiveGroebnerQQ::monic(f);
  Zel_int_internal_threads(1);
  if (rq.mode == ZEL_COMPUTE_GBASIS) gb.sort_basis(B);
  return B;
}

mpz_class random_coefficient(std::mt19937_64& rng) {
  mpz_class c = 1 + rng() % 9;
  if (rng() % 3 == 0)  // large: up to about 2^100
    for (int k = 0; k < 3; ++k) c = c * (mpz_class(1) << 32) + mpz_class(std::to_string(rng() >> 32));
  return rng() % 2 ? mpz_class(-c) : c;
}

QPoly random_poly(std::mt19937_64& rng, uint32_t n, uint32_t maxdeg, uint32_t terms) {
  QPoly f;
  for (uint32_t t = 0; t < terms; ++t) {
    NMono e(n, 0);
    const uint32_t d = uint32_t(rng() % (maxdeg + 1));
    for (uint32_t k = 0; k < d; ++k) e[rng() % n] += 1;
    f.push_back({e, mpq_class(random_coefficient(rng))});
  }
  return f;
}

// A standard system as polynomials over QQ.
std::vector<QPoly> standard(int (*generate)(int, zs_poly*), int n, const NaiveGroebnerQQ& gb) {
  std::vector<zs_poly> raw(size_t(n) + 2);
  const int count = generate(n, raw.data());
  std::vector<QPoly> F;
  for (int k = 0; k < count; ++k) {
    QPoly f;
    for (int t = 0; t < raw[k].nterms; ++t) {
      const int* e = raw[k].e + size_t(t) * size_t(raw[k].nvars);
      f.push_back({NMono(e, e + raw[k].nvars), mpq_class(raw[k].c[t])});
    }
    F.push_back(gb.normalise(f));
    zs_free(&raw[k]);
  }
  return F;
}

TEST(GroebnerQQ, RandomSystemsGiveTheNaiveReducedBasis) {
  SEED_TRACE();
  TestHost host(0);
  auto rng = make_rng(1209);
  for (long it = 0; it < iterations(24); ++it) {
    const bool drl = it % 2 == 0;
    const uint32_t n = 2 + uint32_t(rng() % (drl ? 3 : 2));
    const uint32_t s = drl ? n : 1 + uint32_t(rng() % (n - 1));
    NaiveGroebnerQQ gb{{int(s)}};
    std::vector<QPoly> F;
    for (uint32_t k = 0, m = 2 + uint32_t(rng() % 2); k < m; ++k)
      F.push_back(gb.normalise(random_poly(rng, n, n == 4 ? 2 : 3, 2 + uint32_t(rng() % 4))));
    std::vector<QPoly> want = gb.basis(F);
    Request rq;
    rq.off = int32_t(rng() % 2000);
    // Two-block orders: sometimes only the elimination ideal.
    rq.restrict_ = !drl && it % 4 == 1;
    if (rq.restrict_) {
      std::vector<QPoly> kept;
      for (auto& g : want) {
        bool free_of_first = true;
        for (auto& t : g)
          for (uint32_t v = 0; v < s; ++v) free_of_first = free_of_first && t.e[v] == 0;
        if (free_of_first) kept.push_back(g);
      }
      want = kept;
    }
    EXPECT_EQ(qq_basis(gb, s, n - s, F, rq), want) << "iteration " << it;
  }
}

TEST(GroebnerQQ, StandardSystemsReduceTheirInputsToZeroAndAreReduced) {
  TestHost host(0);
  struct Case {
    int (*generate)(int, zs_poly*);
    int n;
    size_t size;
  } cases[] = {{zs_cyclic, 5, 20}, {zs_cyclic, 6, 45}, {zs_katsura, 6, 41}};
  for (const Case& c : cases) {
    NaiveGroebnerQQ gb{{0}};
    const std::vector<QPoly> F = standard(c.generate, c.n, gb);
    const uint32_t n = uint32_t(F[0][0].e.size());
    const std::vector<QPoly> B = qq_basis(gb, 0, n, F);
    ASSERT_EQ(B.size(), c.size);
    EXPECT_TRUE(gb.is_reduced(B));
    for (const QPoly& f : F) EXPECT_TRUE(gb.reduce(f, B).empty());
  }
}

// x^2 + y^2 and x^2 + (1 - p) y^2 + z differ by p y^2 - z: modulo p the
// basis has z where over QQ it has y^2 - z/p, so p is a bad prime (every
// prime dividing p is).
std::vector<QPoly> system_with_bad_prime(const mpz_class& p) {
  auto mono = [](int a, int b, int c) { return NMono{a, b, c}; };
  QPoly f1 = {{mono(2, 0, 0), 1}, {mono(0, 2, 0), 1}, {mono(0, 1, 1), 3}};
  QPoly f2 = {{mono(2, 0, 0), 1}, {mono(0, 2, 0), mpq_class(1) - p}, {mono(0, 1, 1), 3},
              {mono(0, 0, 1), 1}};
  // A coefficient of 300 bits: the result needs more than one batch.
  const mpz_class big = (mpz_class(7) << 300) + 1;
  QPoly f3 = {{mono(1, 1, 1), 2}, {mono(0, 0, 2), -5}, {mono(1, 0, 0), mpq_class(big)}};
  return {f1, f2, f3};
}

// The product of the k primes at the top of the table: the first ones the
// batches take with _off = 0.
mpz_class top_primes(int k) {
  mpz_class q = 1;
  for (int i = 0; i < k; ++i) q *= zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - i];
  return q;
}

// x = q through coefficients below 2^63 only: y - 2^63 and x minus q's
// digits in base y, on the variables (x, y, ...) of a session of n.
std::vector<QPoly> x_equals(const mpz_class& q, uint32_t n) {
  auto mono = [n](uint32_t var, int e) {
    NMono m(n, 0);
    m[var] = e;
    return m;
  };
  const mpz_class base = mpz_class(1) << 63;
  QPoly x = {{mono(0, 1), 1}};
  mpz_class rest = q;
  for (int d = 0; rest != 0; ++d, rest >>= 63) {
    const mpz_class digit = rest & (base - 1);
    if (digit != 0) x.push_back({mono(1, d), mpq_class(-digit)});
  }
  return {{{mono(1, 1), 1}, {mono(0, 0), mpq_class(-base)}}, x};
}

// Inputs built against the prime table, bad modulo each of its 13 top
// primes: the first batch (8 primes) and the 5 primes after it.
TEST(GroebnerQQ, AnInputBadModuloTheFirstPrimesOfTheTableIsNotConfirmedByThem) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const mpz_class q = top_primes(13);
  // Inconsistent modulo those primes, two linear polynomials over QQ.  The
  // caller's first batch of 8 is raised to the coefficient sizes, whose
  // lanes show the bad primes in the first batch itself.
  const std::vector<QPoly> F = {
      {{NMono{1, 0}, 1}, {NMono{0, 1}, 12345}, {NMono{0, 0}, 1}},
      {{NMono{1, 0}, 1}, {NMono{0, 1}, mpq_class(mpz_class(q + 12345))}, {NMono{0, 0}, 2}}};
  Request rq;
  rq.pas0 = 8;
  EXPECT_EQ(qq_basis(gb, 0, 2, F, rq), gb.basis(F));
  EXPECT_EQ(last_modular_figures.restarts, 0u);
  // x = q, x z = 1 with coefficients of one word: a first batch of 8 sized
  // by them gives {1}, which only primes off the table's order disprove.
  std::vector<QPoly> G = x_equals(q, 3);
  G.push_back({{NMono{1, 0, 1}, 1}, {NMono{0, 0, 0}, -1}});
  for (QPoly& g : G) g = gb.normalise(g);
  EXPECT_EQ(qq_basis(gb, 0, 3, G), gb.basis(G));
}

TEST(GroebnerQQ, TheBasisDependsNeitherOnThePrimeOffsetNorOnThreads) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  // The prime at position 3 of the batch that _off = 2 starts: the first
  // batch with _off = 2, a later batch with _off = 1 when the later batches
  // walk the table too.
  const uint32_t bad = zel::Zel_Default_Primes32()[zel::kDefaultPrimes - 1 - 16 - 4];
  const std::vector<QPoly> F = system_with_bad_prime(bad);
  const std::vector<QPoly> want = gb.basis(F);
  for (int32_t off : {0, 1, 2, 7, 2499}) {
    Request rq;
    rq.off = off;
    rq.pas0 = 8;
    EXPECT_EQ(qq_basis(gb, 0, 3, F, rq), want) << "_off = " << off;
    if (off == 2) {
      EXPECT_GE(last_modular_figures.discarded, 1u);
    }
  }
  draw_later_batches = false;
  Request later;
  later.off = 1;
  later.pas0 = 8;
  EXPECT_EQ(qq_basis(gb, 0, 3, F, later), want);
  draw_later_batches = true;
  EXPECT_GE(last_modular_figures.discarded, 1u);
  // First batches below the sound minimum are raised to it.
  for (int32_t pas0 : {1, 4}) {
    Request rq;
    rq.pas0 = pas0;
    EXPECT_EQ(qq_basis(gb, 0, 3, F, rq), want) << "pas0 = " << pas0;
  }
  // Every prime of the first batch bad: its lanes agree with each other, and
  // only the later batches, which all disagree, show that it was wrong.
  // x = the product of those 8 primes through coefficients of one word
  // (the batch's size), x u = v, and w = 2^315, which that batch cannot lift.
  std::vector<QPoly> G = x_equals(top_primes(8), 5);
  G.push_back({{NMono{1, 0, 1, 0, 0}, 1}, {NMono{0, 0, 0, 1, 0}, -1}});
  G.push_back({{NMono{0, 5, 0, 0, 0}, 1}, {NMono{0, 0, 0, 0, 1}, -1}});
  for (QPoly& g : G) g = gb.normalise(g);
  EXPECT_EQ(qq_basis(gb, 0, 5, G), gb.basis(G));
  EXPECT_EQ(last_modular_figures.restarts, 1u);

  const std::vector<QPoly> C = standard(zs_cyclic, 5, gb);
  const std::vector<QPoly> one = qq_basis(gb, 0, 5, C);
  for (int32_t threads : {2, 4}) {
    Request rq;
    rq.threads = threads;
    rq.off = 300;
    EXPECT_EQ(qq_basis(gb, 0, 5, C, rq), one) << threads << " threads";
  }
}

// x^2 + y and x^2 + y + c z: modulo a prime dividing c the pair of the two
// reduces to zero, so a first pass whose lane 0 takes such a prime leaves z
// out and its later batches, which skip the rows it found zero, agree.
// c = the lane-0 prime of the first batch, then the product of all eight.
TEST(GroebnerQQ, ARowThatTheFirstLaneZeroesWronglyIsFound) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const uint32_t* table = zel::Zel_Default_Primes32();
  mpz_class all = 1;
  for (int k = 0; k < 8; ++k) all *= table[zel::kDefaultPrimes - 1 - k];
  for (const mpz_class& c : {mpz_class(table[zel::kDefaultPrimes - 1 - 7]), all}) {
    const std::vector<QPoly> F = {{{NMono{2, 0, 0}, 1}, {NMono{0, 1, 0}, 1}},
                                  {{NMono{2, 0, 0}, 1}, {NMono{0, 1, 0}, 1}, {NMono{0, 0, 1}, c}}};
    Request rq;
    rq.pas0 = 8;
    EXPECT_EQ(qq_basis(gb, 0, 3, F, rq), gb.basis(F)) << c.get_str();
  }
}

// The check of the rows the trace records as zero takes them together:
// true zero rows in the same matrix must not hide the wrong one.
TEST(GroebnerQQ, AWronglyZeroedRowIsFoundAmongTrueZeroRows) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const uint32_t* table = zel::Zel_Default_Primes32();
  const mpz_class c = table[zel::kDefaultPrimes - 1 - 7];
  const std::vector<QPoly> F = {
      {{NMono{2, 0, 0}, 1}, {NMono{0, 1, 0}, 1}},
      {{NMono{2, 0, 0}, 3}, {NMono{0, 1, 0}, 3}},
      {{NMono{2, 0, 0}, 1}, {NMono{0, 1, 0}, 1}, {NMono{0, 0, 1}, c}},
      {{NMono{2, 0, 0}, -2}, {NMono{0, 1, 0}, -2}}};
  Request rq;
  rq.pas0 = 8;
  EXPECT_EQ(qq_basis(gb, 0, 3, F, rq), gb.basis(F));
}

TEST(GroebnerQQ, PrimesDividingALeadingCoefficientStayOutOfTheBatches) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const uint32_t* table = zel::Zel_Default_Primes32();
  const mpz_class lc = mpz_class(table[zel::kDefaultPrimes - 1]) * table[zel::kDefaultPrimes - 3];
  const std::vector<QPoly> F = {{{NMono{2, 0}, mpq_class(lc)}, {NMono{0, 1}, 1}},
                                {{NMono{1, 1}, 1}, {NMono{0, 0}, -3}}};
  EXPECT_EQ(qq_basis(gb, 0, 2, F), gb.basis(F));
  EXPECT_EQ(last_modular_figures.skipped_primes, 2u);
}

// x = 2^800 from one-word coefficients needs about 30 primes, more than
// two batches of 8.  Past 512000 KiB of long-lived arrays every batch stays
// at 8 primes instead of doubling.
TEST(GroebnerQQ, BatchesStopDoublingPastTheLongLivedMemoryLimit) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  std::vector<QPoly> F = x_equals(mpz_class(1) << 800, 2);
  for (QPoly& f : F) f = gb.normalise(f);
  Request rq;
  rq.pas0 = 8;
  const uint64_t saved = xmalloc_state.total_allocated;
  xmalloc_state.total_allocated = 512001;
  const std::vector<QPoly> B = qq_basis(gb, 0, 2, F, rq);
  xmalloc_state.total_allocated = saved;
  EXPECT_EQ(B, gb.basis(F));
  EXPECT_GE(last_modular_figures.passes, 4u);
  EXPECT_EQ(last_modular_figures.primes, 8 * last_modular_figures.passes);
}

// {x - T, y - 2^63} given as x - (T's digits in base y), y - 2^63, with
// T = r + P j: P the product of the first k primes of the table, r of 128
// bits or 0.  Modulo those primes T is r, which lifts at once; only primes
// the input was not built against can tell that it is wrong, whichever
// pass completes the result and whether the passes took the degree-order
// basis.  The solving modes are checked against a run that starts past the
// crafted primes.
TEST(GroebnerQQ, InputsBuiltAgainstThePrimeTableAreNotConfirmedByIt) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const mpz_class r("0x9e3779b97f4a7c15f39cc0605cedc834", 0);
  for (int k : {18, 27, 40})
    for (const mpz_class& rest : {r, mpz_class(0)}) {
      const mpz_class T = rest + top_primes(k) * mpz_class("0x1f3d5b79a2c4e6f8", 0);
      std::vector<QPoly> F = x_equals(T, 2);
      for (QPoly& f : F) f = gb.normalise(f);
      const std::vector<QPoly> want = gb.basis(F);
      for (uint32_t lanes : {1u, 5u})
        for (int32_t mode :
             {ZEL_COMPUTE_GBASIS, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RADICAL_STRATEG1}) {
          const std::string at = "k = " + std::to_string(k) + ", r = " + rest.get_str() +
                                 ", lanes = " + std::to_string(lanes) +
                                 ", mode = " + std::to_string(mode);
          Request rq;
          rq.lanes = lanes;
          rq.mode = mode;
          const std::vector<QPoly> got = qq_basis(gb, 0, 2, F, rq);
          if (mode == ZEL_COMPUTE_GBASIS) {
            EXPECT_EQ(got, want) << at;
          } else {
            rq.off = 2000;
            EXPECT_EQ(got, qq_basis(gb, 0, 2, F, rq)) << at;
          }
        }
    }
}

// The product of the table's primes k, k + 1, ..., m - 1 (by halves).
mpz_class table_product(int k, int m) {
  if (m - k == 1) return mpz_class(zel::Zel_Default_Primes32()[k]);
  return table_product(k, (k + m) / 2) * table_product((k + m) / 2, m);
}

// Expects the request to end with "Not enough primes in default table (N
// primes used)"; gives N, or -1 when it ended otherwise.
template <class Request_>
long primes_at_refusal(Request_ request) {
  try {
    request();
  } catch (const HostError& e) {
    const std::string text = e.what();
    const std::string head = "Not enough primes in default table (";
    if (text.compare(0, head.size(), head) == 0) return std::stol(text.substr(head.size()));
    ADD_FAILURE() << text;
    return -1;
  }
  ADD_FAILURE() << "answered";
  return -1;
}

// The request's primes for one test.
struct PrimeLimit {
  explicit PrimeLimit(uint32_t limit) { request_prime_limit = limit; }
  ~PrimeLimit() { request_prime_limit = zel::kDefaultPrimes; }
};

// {x - T, y - 2^63} with T = r + P, P the product of the whole table:
// modulo every prime of it T is r, which lifts once enough primes of the
// table are combined, at once when r is small.  Only primes off the table
// tell that it is wrong.  The true answer (about 1.28 million bits) is more
// than a request's primes lift: the request is refused, here after a few
// passes as its primes are limited.  Once drawn primes have shown the
// first pass wrong, the next first pass takes drawn primes too rather than
// the table's next ones, which are as wrong.
TEST(GroebnerQQ, AnInputBuiltAgainstTheWholeTableIsRefusedNotAnsweredWrongly) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const mpz_class P = table_product(0, zel::kDefaultPrimes);
  for (const mpz_class& r : {mpz_class("0x9e3779b97f4a7c15f39cc0605cedc834", 0), mpz_class(12345)}) {
    PrimeLimit limit(r == 12345 ? 60 : 100);
    std::vector<QPoly> F = x_equals(r + P, 2);
    for (QPoly& f : F) f = gb.normalise(f);
    for (uint32_t lanes : {1u, 5u})
      for (int32_t mode : {ZEL_COMPUTE_GBASIS, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_RADICAL_STRATEG1}) {
        if (r == 12345 && (lanes != 5 || mode != ZEL_COMPUTE_GBASIS)) continue;
        const std::string at = "r = " + r.get_str() + ", lanes = " + std::to_string(lanes) +
                               ", mode = " + std::to_string(mode);
        Request rq;
        rq.lanes = lanes;
        rq.mode = mode;
        EXPECT_GT(primes_at_refusal([&] { qq_basis(gb, 0, 2, F, rq); }), 50) << at;
        EXPECT_LE(last_modular_figures.restarts, 1u) << at;
      }
  }
}

// x1 = 1/N, x2 = x1 + t, t^2 = t + 1, N the product of the smallest prime
// (lane 0) of each of the table's first 40 batches of 8, entered through
// y = 2^31 with coefficients of one word.  Every batch of the table in its
// order has a bad lane; walked one after the other they would spend the
// request's primes (here 300) before a good one came.  Once the first is
// thrown away the next is drawn: the input costs that one batch.
TEST(GroebnerQQ, AFirstBatchWithABadLaneIsReplacedByDrawnPrimes) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const uint32_t* table = zel::Zel_Default_Primes32();
  mpz_class N = 1;
  for (int k = 0; k < 40; ++k) N *= table[zel::kDefaultPrimes - 8 - 8 * k];
  // Variables x1, x2, t, y.
  const mpz_class base = mpz_class(1) << 31;
  QPoly reciprocal = {{NMono{0, 0, 0, 0}, -1}};
  int d = 0;
  for (mpz_class rest = N; rest != 0; rest >>= 31, ++d)
    reciprocal.push_back({NMono{1, 0, 0, d}, mpq_class(mpz_class(rest & (base - 1)))});
  std::vector<QPoly> F = {
      reciprocal,
      {{NMono{0, 0, 0, 1}, 1}, {NMono{0, 0, 0, 0}, mpq_class(-base)}},
      {{NMono{0, 1, 0, 0}, 1}, {NMono{1, 0, 0, 0}, -1}, {NMono{0, 0, 1, 0}, -1}},
      {{NMono{0, 0, 2, 0}, 1}, {NMono{0, 0, 1, 0}, -1}, {NMono{0, 0, 0, 0}, -1}}};
  for (QPoly& f : F) f = gb.normalise(f);
  PrimeLimit limit(300);
  EXPECT_EQ(qq_basis(gb, 0, 4, F), gb.basis(F));
  EXPECT_EQ(last_modular_figures.discarded, 1u);
}

// L x - 3 L, y^2 - 2, L the product of the table's top 13500 primes.  The
// first batch, about 27000 primes by the size of L, walks past those that
// divide L and so runs out of table: the rest of it is drawn.
TEST(GroebnerQQ, AFirstBatchThatRunsOutOfTableIsCompletedByDrawnPrimes) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const mpz_class L = table_product(zel::kDefaultPrimes - 13500, zel::kDefaultPrimes);
  std::vector<QPoly> F = {{{NMono{1, 0}, mpq_class(L)}, {NMono{0, 0}, mpq_class(-3 * L)}},
                          {{NMono{0, 2}, 1}, {NMono{0, 0}, -2}}};
  for (QPoly& f : F) f = gb.normalise(f);
  EXPECT_EQ(qq_basis(gb, 0, 2, F), gb.basis(F));
  EXPECT_EQ(last_modular_figures.skipped_primes, 13500u);
}

// Past the request's primes the refusal gives the primes its batches took:
// 8, 8, 16 and 32, as 64 more would pass 100.
TEST(GroebnerQQ, TheRefusalGivesThePrimesOfTheBatches) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  std::vector<QPoly> F = x_equals(mpz_class(1) << 4000, 2);
  for (QPoly& f : F) f = gb.normalise(f);
  PrimeLimit limit(100);
  EXPECT_EQ(primes_at_refusal([&] { qq_basis(gb, 0, 2, F); }), 64);
}

// An input coefficient whose first batch alone would pass the request's
// primes is refused at once, by its size.
TEST(GroebnerQQ, AnOversizedInputCoefficientIsRefusedByItsSize) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const std::vector<QPoly> F = {
      {{NMono{1, 0}, 1}, {NMono{0, 0}, mpq_class(mpz_class(1) << 699999)}},
      {{NMono{0, 1}, 1}, {NMono{0, 0}, -2}}};
  EXPECT_RAISES(qq_basis(gb, 0, 2, F),
                "Not enough primes in default table (an input coefficient of 700000 bits needs "
                "more than the 40000 primes a request may take)\n");
}

// B x1 - 8 x2^2 + 6 x2 - 5, x2^3 - 9 x2^2 - 9 x2 - 8, B the product of the
// 300 smallest primes of the table, which no batch may take.  Answered
// whatever the draw.
TEST(GroebnerQQ, ALeadingCoefficientOfTheTablesSmallestPrimesIsAnsweredWithEverySeed) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  const mpz_class B = table_product(0, 300);
  std::vector<QPoly> F = {
      {{NMono{1, 0}, mpq_class(B)}, {NMono{0, 2}, -8}, {NMono{0, 1}, 6}, {NMono{0, 0}, -5}},
      {{NMono{0, 3}, 1}, {NMono{0, 2}, -9}, {NMono{0, 1}, -9}, {NMono{0, 0}, -8}}};
  for (QPoly& f : F) f = gb.normalise(f);
  const std::vector<QPoly> want = gb.basis(F);
  for (const char* seed : {"1", "2", "3", "4", "5", "6", "7", "8"}) {
    DrawSeed fixed(seed);
    EXPECT_EQ(qq_basis(gb, 0, 2, F), want) << "ZEL_DRAW_SEED=" << seed;
  }
}

// {x - T, y - 2^63} with T = r + P q: P the product of the first batch's
// primes, q the lane-0 prime (the smallest) of the batch that confirms the
// lift of the first pass, known from the seed.  That lane agrees with the
// wrong lift r; only the batch's other lanes disprove it.
TEST(GroebnerQQ, TheLiftOfTheFirstPassIsCheckedAtEveryLane) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  DrawSeed fixed("17");
  std::vector<uint32_t> confirming(kMinFirstBatch);
  for (uint32_t& p : confirming) p = draw_prime();
  reseed_prime_draw();
  const uint32_t lane0 = *std::min_element(confirming.begin(), confirming.end());
  std::vector<QPoly> F = x_equals(12345 + top_primes(8) * lane0, 2);
  for (QPoly& f : F) f = gb.normalise(f);
  EXPECT_EQ(qq_basis(gb, 0, 2, F), gb.basis(F));
}

TEST(GroebnerQQ, NoOperationGivesTheInputsBack) {
  TestHost host(0);
  NaiveGroebnerQQ gb{{0}};
  auto rng = make_rng(77);
  const std::vector<QPoly> F = {gb.normalise(random_poly(rng, 3, 3, 5)),
                                gb.normalise(random_poly(rng, 3, 3, 4))};
  Request rq;
  rq.mode = ZEL_COMPUTE_NOP;
  EXPECT_EQ(qq_basis(gb, 0, 3, F, rq), F);
}

}  // namespace

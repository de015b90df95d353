// The main loop against a naive Buchberger, on standard systems, across
// thread counts, and its edge cases.
#include "engine/driver/gbasis.hpp"

#include <gtest/gtest.h>

#include <random>

#include "engine/api/stop_flag.hpp"
#include "engine/driver/stopped_request.hpp"
#include "engine/f4/step_buffers.hpp"
#include "engine/f4/symbolic.hpp"
#include "support/engine_gb.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using namespace zel_test;

namespace {

#ifdef ZEL_VARIANT_FP

constexpr uint32_t kP = 65521;

SysPoly random_poly(std::mt19937_64& rng, uint32_t n, uint32_t maxdeg, uint32_t terms) {
  SysPoly f;
  for (uint32_t t = 0; t < terms; ++t) {
    std::vector<uint32_t> e(n, 0);
    uint32_t d = uint32_t(rng() % (maxdeg + 1));
    for (uint32_t k = 0; k < d; ++k) e[rng() % n] += 1;
    f.push_back({e, 1 + uint32_t(rng() % (kP - 1))});
  }
  return f;
}

// Same polynomials (both normalised and sorted by the order).
void expect_same_basis(const NaiveGroebner& gb, const std::vector<SysPoly>& engine,
                       const std::vector<NGPoly>& naive) {
  std::vector<NGPoly> got = to_naive(gb, engine);
  gb.sort_basis(got);
  ASSERT_EQ(got.size(), naive.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], naive[i]) << "polynomial " << i;
}

TEST(Gbasis, RandomSmallSystemsGiveTheNaiveReducedBasis) {
  SEED_TRACE();
  TestHost host(0);
  auto rng = make_rng(71);
  for (long it = 0; it < iterations(80); ++it) {
    // Degree reverse lexicographic on 2 to 4 variables, or two blocks on 2 or
    // 3 (elimination orders can make the naive reference very slow on 4).
    const bool drl = it & 1;
    const uint32_t n = 2 + uint32_t(rng() % (drl ? 3 : 2));
    const uint32_t s = drl ? n : 1 + uint32_t(rng() % (n - 1));
    std::vector<SysPoly> F;
    const uint32_t m = 2 + uint32_t(rng() % 2);
    for (uint32_t k = 0; k < m; ++k)
      F.push_back(random_poly(rng, n, n == 4 ? 2 : 3, 2 + uint32_t(rng() % 4)));
    NaiveGroebner gb{{int(s)}, kP};
    auto want = gb.basis(to_naive(gb, F));
    // Sometimes only the elimination ideal: the elements free of the first
    // block.
    const bool eliminate = s < n && it % 4 == 0;
    if (eliminate) {
      std::vector<NGPoly> kept;
      for (const NGPoly& g : want) {
        bool free_of_block = true;
        for (const auto& term : g)
          for (uint32_t v = 0; v < s; ++v) free_of_block = free_of_block && term.e[v] == 0;
        if (free_of_block) kept.push_back(g);
      }
      want = kept;
    }
    SCOPED_TRACE("iteration " + std::to_string(it) + " n=" + std::to_string(n) +
                 " s=" + std::to_string(s));
    EngineGB e(n, s);
    // The inter-reduction before the strong pass changes nothing in the end.
    want_mingbasis = it % 4 == 3;
    want_eliminated = eliminate;
    auto got = e.basis(F);
    expect_same_basis(gb, got, want);
  }
}

// Every input and every S-pair of the result reduces to zero by it.
void expect_basis_of(const System& sys, size_t want_size, bool spairs) {
  EngineGB e(sys.nvars, sys.nvars);
  const auto G = e.basis(sys.polys);
  EXPECT_EQ(G.size(), want_size);
  NaiveGroebner gb{{int(sys.nvars)}, kP};
  const auto Gn = to_naive(gb, G);
  for (const NGPoly& g : Gn) EXPECT_EQ(g[0].c, 1u);
  for (const NGPoly& f : to_naive(gb, sys.polys)) EXPECT_TRUE(gb.reduce(f, Gn).empty());
  if (!spairs) return;
  for (size_t i = 0; i < Gn.size(); ++i)
    for (size_t j = i + 1; j < Gn.size(); ++j) {
      // Coprime leading monomials: the S-pair reduces to zero anyway.
      bool coprime = true;
      for (size_t v = 0; v < sys.nvars; ++v)
        coprime = coprime && (Gn[i][0].e[v] == 0 || Gn[j][0].e[v] == 0);
      if (!coprime) {
        EXPECT_TRUE(gb.reduce(gb.spoly(Gn[i], Gn[j]), Gn).empty()) << i << " " << j;
      }
    }
}

TEST(Gbasis, CyclicSystems) {
  TestHost host(0);
  expect_basis_of(cyclic(4, kP), 7, true);
  expect_basis_of(cyclic(5, kP), 20, true);
  expect_basis_of(cyclic(6, kP), 45, true);
}

TEST(Gbasis, SameResultAndMatrixLinesWithAnyThreadCount) {
  // Sparse (cyclic) and dense (katsura) matrices; eco with two blocks.
  for (const auto& [sys, first_block] :
       {std::pair<System, uint32_t>{cyclic(6, kP), 6}, {katsura(6, kP), 7}, {eco(7, kP), 3}}) {
    SCOPED_TRACE(sys.name);
    std::string lines1;
    std::vector<SysPoly> basis1;
    // The code of every product of the last step (the strong
    // inter-reduction, its item rows entered in threaded rounds): codes are
    // handed out in the same order whatever the threads.
    std::vector<uint32_t> codes1;
    // And its columns, sorted in slices merged in threads.
    std::vector<uint32_t> columns1;
    for (int threads : {1, 2, 3, 8}) {
      SCOPED_TRACE("threads " + std::to_string(threads));
      TestHost host(4);
      EngineGB e(sys.nvars, first_block, kP, threads);
      ZEL_C(want_quiet) = 0;
      captured().printed.clear();
      auto G = e.basis(sys.polys);
      std::string lines;
      for (size_t at = captured().printed.find("\nMatrix"); at != std::string::npos;
           at = captured().printed.find("\nMatrix", at + 1))
        lines += captured().printed.substr(at, captured().printed.find(':', at) - at);
      const PageArray<uint32_t>& term_codes = step_buffers().term_codes;
      std::vector<uint32_t> codes(term_codes.data(), term_codes.data() + term_codes.size());
      const std::vector<uint32_t> columns = step_buffers().column_order;
      if (threads == 1) {
        lines1 = lines;
        basis1 = G;
        codes1 = codes;
        columns1 = columns;
        EXPECT_FALSE(lines.empty());
        EXPECT_FALSE(codes.empty());
        EXPECT_FALSE(columns.empty());
      } else {
        EXPECT_EQ(lines, lines1);
        EXPECT_EQ(G, basis1);
        EXPECT_EQ(codes, codes1);
        EXPECT_EQ(columns, columns1);
      }
    }
  }
}

// Large steps give their term codes back as their rows are coded: with
// every step doing so, a few codes at a time, the bases are the same.
TEST(Gbasis, StepsThatGiveTheirTermCodesBackGiveTheSameBasis) {
  for (const System& sys : {cyclic(6, kP), katsura(6, kP)}) {
    SCOPED_TRACE(sys.name);
    for (int threads : {1, 3}) {
      TestHost host(4);
      std::vector<SysPoly> kept;
      {
        EngineGB e(sys.nvars, sys.nvars, kP, threads);
        kept = e.basis(sys.polys);
      }
      const uint64_t terms = give_back_terms, chunk = give_back_chunk;
      give_back_terms = 0;
      give_back_chunk = 3;
      std::vector<SysPoly> given_back;
      {
        EngineGB e(sys.nvars, sys.nvars, kP, threads);
        given_back = e.basis(sys.polys);
      }
      give_back_terms = terms;
      give_back_chunk = chunk;
      EXPECT_EQ(given_back, kept) << threads << " threads";
    }
  }
}

// A quiet run screens each new polynomial's pairs before making them (and,
// with threads, faults zone pages in ahead); a run that writes its messages
// makes and sorts them all.  Both keep the same pairs in the same order:
// the last step (the strong inter-reduction of the basis, in the order the
// basis was entered) hands out the same codes.
TEST(Gbasis, QuietRunsKeepThePairsOfVerboseRuns) {
  for (const auto& [sys, first_block] :
       {std::pair<System, uint32_t>{cyclic(6, kP), 6}, {katsura(6, kP), 7}, {eco(7, kP), 3}}) {
    SCOPED_TRACE(sys.name);
    std::vector<SysPoly> basis0;
    std::vector<uint32_t> codes0;
    for (int run = 0; run < 3; ++run) {
      const int threads = run == 2 ? 3 : 1;
      TestHost host(4);
      EngineGB e(sys.nvars, first_block, kP, threads);
      ZEL_C(want_quiet) = run == 0 ? 0 : 1;
      auto G = e.basis(sys.polys);
      const PageArray<uint32_t>& term_codes = step_buffers().term_codes;
      std::vector<uint32_t> codes(term_codes.data(), term_codes.data() + term_codes.size());
      if (run == 0) {
        basis0 = G;
        codes0 = codes;
      } else {
        EXPECT_EQ(G, basis0) << "run " << run;
        EXPECT_EQ(codes, codes0) << "run " << run;
      }
    }
  }
}

TEST(Gbasis, EdgeCases) {
  TestHost host(4);
  // No input: 0, the time untouched.
  {
    EngineGB e(2, 2);
    std::vector<Dpol*> G(4);
    double cpu = -1;
    EXPECT_EQ(gbasis(nullptr, 0, G.data(), &cpu), 0u);
    EXPECT_EQ(cpu, -1);
  }
  // One input: itself, monic.
  {
    EngineGB e(2, 2);
    auto G = e.basis({{{{2, 0}, 3}, {{0, 1}, 6}}});
    ASSERT_EQ(G.size(), 1u);
    EXPECT_EQ(G[0], (SysPoly{{{2, 0}, 1}, {{0, 1}, 2}}));
  }
  // Inconsistent system: the constant 1.  The step meets it as a power of
  // the homogenising variable; once new polynomials are divided by it, the
  // constant ends the computation with the dimension line.
  {
    EngineGB e(2, 2);
    auto G = e.basis({{{{1, 0}, 1}, {{0, 0}, 1}}, {{{1, 0}, 1}, {{0, 0}, 2}}});
    ASSERT_EQ(G.size(), 1u);
    EXPECT_EQ(G[0], (SysPoly{{{0, 0}, 1}}));
  }
  {
    EngineGB e(2, 2);
    want_automatique = 1;
    captured().printed.clear();
    auto G = e.basis({{{{1, 0}, 1}, {{0, 0}, 1}}, {{{1, 0}, 1}, {{0, 0}, 2}}});
    ASSERT_EQ(G.size(), 1u);
    EXPECT_EQ(G[0], (SysPoly{{{0, 0}, 1}}));
    EXPECT_NE(captured().printed.find("\n#C Dimension: -1, Degree: -1\n"), std::string::npos);
  }
  // Two inputs with the same leading monomial.
  {
    EngineGB e(2, 2);
    auto G = e.basis({{{{1, 1}, 1}, {{1, 0}, 1}}, {{{1, 1}, 1}, {{0, 1}, 1}}});
    NaiveGroebner gb{{2}, kP};
    expect_same_basis(
        gb, G, gb.basis(to_naive(gb, {{{{1, 1}, 1}, {{1, 0}, 1}}, {{{1, 1}, 1}, {{0, 1}, 1}}})));
  }
}

// A pair of degree 32768 or more (here 40000, from inputs of degree 20001)
// ends the computation with the limit stated after the historical line.
TEST(Gbasis, APairOfDegree32768OrMoreStatesTheLimit) {
  TestHost host(0);
  EngineGB e(2, 2);
  EXPECT_RAISES(e.basis({{{{20000, 1}, 1}, {{0, 0}, kP - 1}}, {{{1, 20000}, 1}, {{0, 0}, kP - 1}}}),
                "You should recompile with BIGNNI=1 (degree =40000)\n"
                "Every degree must stay below 32768: no build of this library goes further\n");
}

TEST(Gbasis, NoHangWithDynamicTeams) {
  TestHost host(0);
  omp_set_dynamic(1);
  EngineGB e(5, 5, kP, 8);
  EXPECT_EQ(e.basis(cyclic(5, kP).polys).size(), 20u);
  omp_set_dynamic(0);
}

#endif

}  // namespace

#ifdef ZEL_VARIANT_FP
namespace {

// A stop request unwinds the main loop: its partial basis is no answer.
TEST(Gbasis, StopRequestUnwinds) {
  TestHost host(0);
  EngineGB e(4, 4);
  ZEL_C(stop_immediately_semaphore) = 1;
  EXPECT_THROW(e.basis(cyclic(4, 65521).polys), RequestStopped);
  ZEL_C(stop_immediately_semaphore) = 0;
}

TEST(Gbasis, AThreadCountBelowOneMeansOneThread) {
  TestHost host(0);
  EngineGB e(4, 4);
  nb_threads = 0;
  EXPECT_EQ(e.basis(cyclic(4, 65521).polys).size(), 7u);
  EngineGB e2(4, 4);
  nb_threads = -3;
  EXPECT_EQ(e2.basis(cyclic(4, 65521).polys).size(), 7u);
}

TEST(Gbasis, VerbosePrintsTheNewPolynomialsOfItsDegree) {
  TestHost host(4);
  EngineGB e(2, 2);
  setenv("VERBOSE", "3", 1);
  captured().printed.clear();
  e.basis({{{{1, 1}, 1}, {{0, 0}, 1}}, {{{2, 0}, 1}, {{0, 1}, 1}}});
  unsetenv("VERBOSE");
  EXPECT_NE(captured().printed.find("Base f"), std::string::npos);
}

}  // namespace
#endif

#ifdef ZEL_VARIANT_FP
namespace {

// The inputs' monomials outlive the computation unchanged: a second request
// on the same polynomials gives the same basis.
TEST(Gbasis, InputsSurviveForASecondComputation) {
  TestHost host(0);
  EngineGB e(4, 4);
  const System sys = cyclic(4, 65521);
  std::vector<Dpol*> in;
  for (const SysPoly& f : sys.polys) in.push_back(e.make(f));
  std::vector<std::vector<std::vector<uint32_t>>> before;
  for (Dpol* p : in) {
    std::vector<std::vector<uint32_t>> terms;
    for (uint32_t i = 0; i < p->n; ++i) {
      std::vector<uint32_t> x(nb_of_variables);
      for (uint32_t v = 0; v < nb_of_variables; ++v) x[v] = get_field(words_of(p->mono[i]), v);
      terms.push_back(x);
    }
    before.push_back(terms);
  }
  std::vector<Dpol*> G(100);
  double cpu = 0;
  std::vector<Dpol*> copy = in;
  EXPECT_EQ(gbasis(copy.data(), uint32_t(copy.size()), G.data(), &cpu), 7u);
  for (size_t k = 0; k < in.size(); ++k)
    for (uint32_t i = 0; i < in[k]->n; ++i)
      for (uint32_t v = 0; v < nb_of_variables; ++v)
        EXPECT_EQ(get_field(words_of(in[k]->mono[i]), v), before[k][i][v]);
  copy = in;
  EXPECT_EQ(gbasis(copy.data(), uint32_t(copy.size()), G.data(), &cpu), 7u);
}

}  // namespace
#endif

// The server algorithms' packages: normal forms against the naive reduction
// (every lane), the heap slide around them, sugar degrees and critical
// pairs, Hilbert numerators, the set-ups called again with live records,
// and the one-time start.
#include "server/algo/packages.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <random>
#include <vector>

#include "server/base/printers.hpp"
#include "server/io/options.hpp"
#include "server/poly/affiche.hpp"
#include "server/poly/pairing_fixture.hpp"
#include "support/naive_buchberger.hpp"
#include "support/seeds.hpp"

namespace {

using namespace orv_test;
using zel_test::buchberger::BlockOrder;
using zel_test::buchberger::NaiveGroebner;
using zel_test::buchberger::NGPoly;
using zel_test::buchberger::NMono;

constexpr uint32_t kVars = 3;

#ifdef ZEL_VARIANT_INT
using Pair = PairBigDexp;
using Coef = VGF;
constexpr uint32_t kLanes = 2;
uint64_t prime(uint32_t lane) { return VGF::_prime[lane]; }
uint64_t residue(VGF c, uint32_t lane) { return c.rep[lane]; }
Coef coef_of(uint64_t v) {
  VGF c = cVGF(0);
  for (uint32_t l = 0; l < kLanes; ++l) c.rep[l] = uint32_t(v % VGF::_prime[l]);
  return c;
}
BlockOrder order() { return BlockOrder{int(kVars)}; }
void setup() {
  set_VGF(kLanes);
  init_SUGAR__DMP__BigDexp__VGF();
  set_SUGAR__DMP__BigDexp__VGF(kVars, 0, 0);
}
#define SET_SUGAR(n) set_SUGAR__DMP__BigDexp__VGF(n, 0, 0)
#define CONS cons_List_DMP__BigDexp__VGF
#define LINK_ONE link_one_DMP__BigDexp__VGF
#define MAKE_SCRIT make_SCrit__BigDexp__VGF
#define GC_NF GC_normalForm__BigDexp__VGF_d
#define GC_BY_NF GC_byNormalForm__BigDexp__VGF_d
using SCritPoolT = Pool_SCrit__BigDexp__VGF;
#else
using Pair = PairDRLDRL;
using Coef = GFC;
constexpr uint32_t kLanes = 1;
uint64_t prime(uint32_t) { return modulus_GFC(); }
uint64_t residue(GFC c, uint32_t) { return c; }
Coef coef_of(uint64_t v) { return GFC(v % modulus_GFC()); }
BlockOrder order() { return BlockOrder{int(kVars) - 1}; }
void setup() {
  init_SUGAR__DMP__DRLDRL__GFC();
  set_module_GFC(65521);
  set_SUGAR__DMP__DRLDRL__GFC(kVars, kVars - 1, 0);
}
#define SET_SUGAR(n) set_SUGAR__DMP__DRLDRL__GFC(n, n - 1, 0)
#define CONS cons_List_DMP__DRLDRL__GFC
#define LINK_ONE link_one_DMP__DRLDRL__GFC
#define MAKE_SCRIT make_SCrit__DRLDRL__GFC
#define GC_NF GC_normalForm__DRLDRL__GFC_d
#define GC_BY_NF GC_byNormalForm__DRLDRL__GFC_d
using SCritPoolT = Pool_SCrit__DRLDRL__GFC;
#endif

using E = Pair::E;
using C = Pair::C;
using Node = DmpNode<E, C>;
using Cell = DmpList<E, C>;
using D = Dmp<E, C>;

// Integer terms: exponents and a value, reduced per lane.
struct ITerm {
  NMono e;
  uint64_t c;
};
using IPoly = std::vector<ITerm>;

// Equal monomials are added first; the sums stay below every prime.
Node* make(const IPoly& f) {
  std::map<NMono, uint64_t> sums;
  for (const ITerm& t : f) sums[t.e] += t.c;
  std::vector<Term> terms;
  for (const auto& [e, c] : sums) terms.emplace_back(std::vector<uint16_t>(e.begin(), e.end()), 1);
  Node* p = Poly<Pair>::make(terms);
  for (Node* t = p; t != nullptr; t = t->next) {
    NMono e(kVars);
    for (uint32_t v = 0; v < kVars; ++v) e[v] = int(E::extraire(t->e, v));
    t->coef = coef_of(sums.at(e));
  }
  return p;
}

Cell* make_list(const std::vector<IPoly>& fs) {
  Cell* l = nullptr;
  for (size_t k = fs.size(); k-- > 0;) l = CONS(make(fs[k]), l);
  return l;
}

// The lane's residues of p, as the naive reference holds them (monic).
NGPoly lane_of(const Node* p, uint32_t lane, const NaiveGroebner& gb) {
  NGPoly f;
  for (; p != nullptr; p = p->next) {
    NMono e(kVars);
    for (uint32_t v = 0; v < kVars; ++v) e[v] = int(E::extraire(p->e, v));
    if (residue(p->coef, lane) != 0) f.push_back({e, uint32_t(residue(p->coef, lane))});
  }
  return gb.monic(gb.normalise(f));
}
NGPoly lane_of(const IPoly& f, uint32_t lane, const NaiveGroebner& gb) {
  NGPoly g;
  for (const ITerm& t : f) g.push_back({t.e, uint32_t(t.c % gb.p)});
  return gb.normalise(g);
}

IPoly random_poly(std::mt19937_64& rng, int terms, int top) {
  IPoly f;
  for (int k = 0; k < terms; ++k) {
    NMono e(kVars);
    for (int& x : e) x = int(rng() % top);
    f.push_back({e, 1 + rng() % 1000});
  }
  return f;
}

// A fatal server error: the message (on the log, here the error stream)
// and exit status 3.
#define EXPECT_SERVER_FATAL(statement, message) \
  EXPECT_EXIT((orv::log_output = stderr, statement), ::testing::ExitedWithCode(3), message)

class ServerPackages : public ::testing::Test {
 protected:
  void SetUp() override {
    orv::want_quiet = 1;
    setup();
  }
  void TearDown() override { orv::want_quiet = 0; }
};

// Modulo an arbitrary list the normal form is fixed by the rule "the first
// polynomial whose leading monomial divides": the naive reduction follows
// the same rule; it wants monic divisors, which give the same steps.
TEST_F(ServerPackages, NormalFormsEqualTheNaiveReductionInEveryLane) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(41);
  for (long round = 0; round < zel_test::iterations(30); ++round) {
    std::vector<IPoly> G;
    for (int k = 0; k < 3; ++k) G.push_back(random_poly(rng, 3, 3));
    const IPoly f = random_poly(rng, 8, 5);
    Coef content;
    Node* nf = GC_NF(make(f), make_list(G), content);
    EXPECT_EQ(residue(content, 0), 1u);
    for (uint32_t lane = 0; lane < kLanes; ++lane) {
      NaiveGroebner gb{order(), prime(lane)};
      std::vector<NGPoly> g;
      for (const IPoly& q : G) {
        NGPoly m = gb.monic(lane_of(q, lane, gb));
        if (!m.empty()) g.push_back(m);
      }
      EXPECT_EQ(lane_of(nf, lane, gb), gb.reduce(lane_of(f, lane, gb), g)) << "lane " << lane;
    }
  }
}

// Modulo a Groebner basis the inputs reduce to zero, and p = rest + nf with
// rest in the ideal.
TEST_F(ServerPackages, InputsReduceToZeroAndTheSplitAddsUp) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(42);
  NaiveGroebner gb{order(), prime(0)};
  for (long round = 0; round < zel_test::iterations(5); ++round) {
    std::vector<IPoly> input;
    for (int k = 0; k < 3; ++k) input.push_back(random_poly(rng, 3, 3));
    std::vector<NGPoly> naive_input;
    for (const IPoly& f : input) naive_input.push_back(lane_of(f, 0, gb));
    std::vector<IPoly> basis;  // lane 0 only: one prime
    for (const NGPoly& g : gb.basis(naive_input)) {
      IPoly q;
      for (const auto& t : g) q.push_back({t.e, t.c});
      basis.push_back(q);
    }
    Cell* l = make_list(basis);
    Coef content;
    for (const IPoly& f : input) EXPECT_EQ(lane_of(GC_NF(make(f), l, content), 0, gb), NGPoly{});
    const IPoly f = random_poly(rng, 6, 4);
    Node* rest = nullptr;
    Node* nf = GC_BY_NF(make(f), l, content, rest);
    EXPECT_EQ(lane_of(GC_NF(D::copy(rest), l, content), 0, gb), NGPoly{});
    EXPECT_EQ(lane_of(DmpArith<E, C>::sum(D::copy(rest), D::copy(nf)), 0, gb),
              gb.monic(lane_of(f, 0, gb)));
  }
}

#ifdef ZEL_VARIANT_INT
uint32_t nb_terms(Node* p) { return TermPool<E, C>::size_(p); }

// Every cell made by the reduction is given back; the results' cells (and
// the multiplier) are slid down to the mark, values intact.
TEST_F(ServerPackages, TheSlideKeepsOnlyTheResultsCells) {
  auto rng = zel_test::make_rng(43);
  const std::vector<IPoly> G = {random_poly(rng, 4, 3), random_poly(rng, 4, 3)};
  const IPoly f = random_poly(rng, 12, 5);
  Cell* l = make_list(G);
  const uint32_t cell = 4 * size_of_vectors;

  Node* p = make(f);
  Node* expected = NormalFormDexp::reduce(D::copy(p), NormalFormDexp::reducers(l));
  NaiveGroebner gb{order(), prime(1)};
  const NGPoly want = lane_of(expected, 1, gb);
  const int32_t block = cur_garbages;
  char* mark = orv_bignum_tas;
  VGF content;
  Node* nf = GC_normalForm__BigDexp__VGF_d(p, l, content);
  ASSERT_EQ(cur_garbages, block) << "the slide crossed a block: the figures below mean nothing";
  EXPECT_EQ(orv_bignum_tas - mark, ptrdiff_t(cell) * (1 + nb_terms(nf)));
  EXPECT_EQ(lane_of(nf, 1, gb), want);
  EXPECT_TRUE(is_one(content));
  for (const Node* t = nf; t != nullptr; t = t->next) {
    EXPECT_GE(reinterpret_cast<char*>(t->coef.rep), mark);
    EXPECT_LT(reinterpret_cast<char*>(t->coef.rep), orv_bignum_tas);
  }

  Node* p2 = make(f);
  mark = orv_bignum_tas;
  Node* rest = nullptr;
  Node* nf2 = GC_byNormalForm__BigDexp__VGF_d(p2, l, content, rest);
  ASSERT_EQ(cur_garbages, block);
  EXPECT_EQ(orv_bignum_tas - mark, ptrdiff_t(cell) * (1 + nb_terms(nf2) + nb_terms(rest)));
  EXPECT_EQ(lane_of(nf2, 1, gb), want);
  EXPECT_NE(rest, nullptr);
}
#endif

TEST_F(ServerPackages, SugarRoundTripsThroughTheStatisticsRecord) {
  Node* h = LINK_ONE(make({{{1, 0, 0}, 2}}), 77u);
  set_sugar(h, 17);
  EXPECT_EQ(sugar(h), 17u);
  EXPECT_EQ(D::number(h), 77u);
  set_sugar(h, 0xFFFFFFFFu);
  EXPECT_EQ(sugar(h), 0xFFFFFFFFu);
  Node* plain = make({{{1, 0, 0}, 2}});
  EXPECT_SERVER_FATAL(sugar(plain), "sugar: the polynomial carries no header node");
  EXPECT_SERVER_FATAL(set_sugar(plain, 3), "set_sugar: the polynomial carries no header node");
}

TEST_F(ServerPackages, CriticalPairsCarryBothPolynomialsTheSugarAndTheLcm) {
  Node* p = LINK_ONE(make({{{2, 1, 0}, 1}, {{0, 0, 1}, 3}}), 1u);
  Node* q = make({{{0, 3, 1}, 5}, {{1, 0, 0}, 1}});
  auto* c = MAKE_SCRIT(p, q, 9);
  EXPECT_EQ(c->word[kSCritFirst], reinterpret_cast<uintptr_t>(p));
  EXPECT_EQ(c->word[kSCritSecond], reinterpret_cast<uintptr_t>(q));
  EXPECT_EQ(c->word[kSCritSugar], 9u);
  EXPECT_EQ(c->word[kSCritDegree], 6u);
  const unsigned want[kVars] = {2, 3, 1};
  for (uint32_t v = 0; v < kVars; ++v) EXPECT_EQ(E::extraire(c->lcm, v), want[v]);
  EXPECT_SERVER_FATAL(MAKE_SCRIT(p, nullptr, 1), "make_SCrit: the polynomial is zero");
  SCritPoolT::free_(c);
}

// A set-up called again keeps its pools: a record taken before still links
// to the one the next take returns, and no block was added.  Changing the
// variables while critical pairs are out is refused.
TEST_F(ServerPackages, SetUpsCalledAgainKeepLiveRecords) {
  auto* c = SCritPoolT::new_();
  auto* next = c->next;
  const uint32_t blocks = SCritPoolT::stat_orv;
  SET_SUGAR(kVars);
  EXPECT_EQ(SCritPoolT::new_(), next);
  EXPECT_EQ(SCritPoolT::stat_orv, blocks);
  EXPECT_SERVER_FATAL(SET_SUGAR(kVars + 20), "critical pairs are still in use; the variables cannot change");
  SCritPoolT::free_(next);
  SCritPoolT::free_(c);
  SET_SUGAR(kVars + 20);  // nothing out: allowed
  SET_SUGAR(kVars);
#ifdef ZEL_VARIANT_INT
  init_ORDERING__DMP__BigDexp__VGF__DMP__BigLexp__VGF();
  sBloc* b = new_Bloc();
  sBloc* after = b->next;
  const uint32_t bloc_blocks = stat_orv_Bloc;
  init_ORDERING__DMP__BigDexp__VGF__DMP__BigLexp__VGF();
  EXPECT_EQ(new_Bloc(), after);
  EXPECT_EQ(stat_orv_Bloc, bloc_blocks);
#else
  init_LEXTRI__DMP__DRLDRL__GFC();
  sState* s = new sState(1, nullptr, nullptr, nullptr);
  sState* t = new_State();
  sState* after = t->next;
  const uint32_t state_blocks = stat_orv_State;
  init_LEXTRI__DMP__DRLDRL__GFC();
  EXPECT_EQ(new_State(), after);
  EXPECT_EQ(stat_orv_State, state_blocks);
  EXPECT_EQ(s->level, 1);
#endif
}

// The numerator against (1 - t)^n times the count of standard monomials by
// degree (zero-dimensional ideals), and a positive-dimensional case.
TEST_F(ServerPackages, HilbertNumeratorsMatchTheStaircase) {
  auto standard_series = [](const std::vector<std::vector<uint16_t>>& gens, int top) {
    std::vector<int64_t> h(size_t(3 * top + 1), 0);
    for (int a = 0; a <= top; ++a)
      for (int b = 0; b <= top; ++b)
        for (int c = 0; c <= top; ++c) {
          bool standard = true;
          for (const auto& g : gens) standard = standard && !(a >= g[0] && b >= g[1] && c >= g[2]);
          if (standard) ++h[size_t(a + b + c)];
        }
    for (uint32_t k = 0; k < kVars; ++k)  // times (1 - t)
      for (size_t d = h.size(); d-- > 1;) h[d] -= h[d - 1];
    while (h.size() > 1 && h.back() == 0) h.pop_back();
    return h;
  };
  const std::vector<std::vector<std::vector<uint16_t>>> ideals = {
      {{2, 0, 0}, {0, 3, 0}, {0, 0, 2}},
      {{2, 0, 0}, {1, 1, 0}, {0, 3, 0}, {0, 1, 1}, {0, 0, 4}, {1, 0, 1}},
      {{3, 0, 0}, {0, 2, 0}, {0, 0, 3}, {1, 1, 1}, {2, 1, 0}, {2, 1, 0}},
  };
  for (const auto& gens : ideals) {
    univarpoly* n = hilbert_of_monomials(gens);
    EXPECT_EQ(numerator_coefficients(n), standard_series(gens, 8));
    ORV_C(kill_all_Hilb_Poly)(n);
  }
  univarpoly* xy = hilbert_of_monomials({{1, 1, 0}});
  EXPECT_EQ(numerator_coefficients(xy), (std::vector<int64_t>{1, 0, -1}));
  // The same from a basis: the leading monomials of its polynomials.
  Cell* l = make_list({{{{2, 0, 0}, 1}, {{0, 1, 0}, 4}}, {{{0, 3, 0}, 1}}, {{{0, 0, 2}, 1}}});
  univarpoly* from_basis = ORV_C(start_Hilbert)(l);
  EXPECT_EQ(numerator_coefficients(from_basis), standard_series(ideals[0], 8));
  EXPECT_EQ(numerator_coefficients(xy), (std::vector<int64_t>{1, 0, -1}));  // still valid
#ifdef ZEL_VARIANT_FP
  // Numerator terms hold 8-bit degrees here: degree 381 is refused.
  EXPECT_SERVER_FATAL(hilbert_of_monomials({{127, 0, 0}, {0, 127, 0}, {0, 0, 127}}),
                      "the numerator has degree 381; its terms hold degrees up to 255");
#endif
}

// Run in a child: the start changes the process-wide runtime settings.
TEST(ServerStart, StartsOncePerBuildAndPointsThePrintersAtTheLog) {
  EXPECT_EXIT(
      {
        FILE* err = std::tmpfile();
#ifdef ZEL_VARIANT_INT
        Orv_urgent_init_VGF(stdout, err);
        Orv_urgent_init_VGF(stdout, stdout);
#else
        Orv_urgent_init_GFC(stdout, err);
        Orv_urgent_init_GFC(stdout, stdout);
#endif
        const bool ok = orv::human_user == 0 && orv::orv_stderr == err &&
                        orv::axiom_output == orv::log_output && orv::Fortran.out == orv::log_output &&
                        orv::Varne.out == orv::log_output && orv::want_quiet == 1 &&
                        want_pipe == 1 && want_fortran == 1 && want_pipe2 == 0 &&
                        orv::job_name == "input";
        _exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace

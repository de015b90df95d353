// Polynomials between the engine and the server side: engine polynomials
// become server polynomials with the same terms in the same order (the
// server's degree order is the engine's) and every lane, each put in front
// of the list; lexicographic server polynomials come back term for term.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/driver/affine_monomials.hpp"
#include "engine/driver/fatal_exits.hpp"
#include "server/algo/transfer.hpp"
#include "support/any_build_gb.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"

using namespace zel::ZEL_BUILD;
using orv::ORV_BUILD::DmpNode;

namespace {

#ifdef ZEL_VARIANT_INT
using BasisE = orv::ORV_BUILD::ExpBigDexp;
using Coef = orv::ORV_BUILD::CoefVGF;
uint32_t residue(Coef::T c, uint32_t l) { return c.rep[l]; }
#else
using BasisE = orv::ORV_BUILD::ExpDRLDRL;
using Coef = orv::ORV_BUILD::CoefGFC;
uint32_t residue(Coef::T c, uint32_t) { return c; }
#endif
using LexE = orv::ORV_BUILD::ExpBigLexp;

constexpr uint32_t kN = 4;
using Term = std::pair<Exps, std::vector<uint32_t>>;  // exponents, one residue per lane

std::vector<Term> engine_terms(const Dpol* p) {
  std::vector<Term> out;
  for (uint32_t t = 0; t < p->n; ++t) {
    Term term{affine_exps(p->mono[t], kN), {}};
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) term.second.push_back(lanes(p)[l][t]);
    out.push_back(term);
  }
  return out;
}

template <class E>
std::vector<Term> server_terms(const DmpNode<E, Coef>* p) {
  std::vector<Term> out;
  for (; p != nullptr; p = p->next) {
    Term term{Exps(kN), {}};
    for (uint32_t v = 0; v < kN; ++v) term.first[v] = E::extraire(p->e, v);
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) term.second.push_back(residue(p->coef, l));
    out.push_back(term);
  }
  return out;
}

struct Transfer : ::testing::Test {
  zel_test::TestHost host{0};
  zel_test::AnyBuildGB gb{kN};
  void SetUp() override {
#ifdef ZEL_VARIANT_INT
    Orv_set_vars_VGF(kN, kN);
    Orv_set_Coeffs_VGF(ZEL_C(vectorize), ZEL_C(Primes));
#else
    Orv_set_vars_GFC(kN, kN);
    Orv_set_Coeffs_GFC(1, ZEL_C(Primes));
#endif
  }
  orv::ORV_BUILD::ServerBasisList* receive(orv::ORV_BUILD::ServerBasisList* list, const Dpol* p) {
    const auto* m = reinterpret_cast<const uint64_t* const*>(p->mono);
#ifdef ZEL_VARIANT_INT
    return Orv_receive_Poly_multi_VGF(list, m, reinterpret_cast<const uint32_t* const*>(lanes(p)),
                                      p->n, ZEL_C(vectorize));
#else
    std::vector<uint32_t> c(lanes(p)[0], lanes(p)[0] + p->n);
    return Orv_receive_Poly_GFC(list, m, c.data(), p->n);
#endif
  }
  // Writes the list's first polynomial into q (t terms, fresh monomials).
  orv::ORV_BUILD::ServerLexList* send(orv::ORV_BUILD::ServerLexList* list, Dpol* q) {
    for (uint32_t i = 0; i < q->n; ++i) q->mono[i] = expos_from(Exps(kN, 0));
    auto* m = reinterpret_cast<uint64_t* const*>(q->mono);
#ifdef ZEL_VARIANT_INT
    return Orv_send_Poly_multi_lex_VGF(list, m, reinterpret_cast<uint32_t* const*>(lanes(q)), q->n,
                                       ZEL_C(vectorize));
#else
    std::vector<uint32_t> c(q->n);
    list = Orv_send_Poly_lex_GFC(list, m, c.data(), q->n);
    for (uint32_t i = 0; i < q->n; ++i) lanes(q)[0][i] = Dom(c[i]);
    return list;
#endif
  }
  uint32_t size(const orv::ORV_BUILD::ServerLexList* list) {
#ifdef ZEL_VARIANT_INT
    return Orv_size_Poly_VGF(list);
#else
    return Orv_size_Poly_GFC(list);
#endif
  }
};

TEST_F(Transfer, RoundTripKeepsTermsOrderAndLanes) {
  SEED_TRACE();
  std::mt19937_64 rng = zel_test::make_rng();
  std::vector<Dpol*> P;
  for (int k = 0; k < 20; ++k) {
    zel_test::SysPoly f;
    const int terms = 1 + int(rng() % 30);
    for (int t = 0; t < terms; ++t) {
      std::vector<uint32_t> e(kN);
      for (uint32_t& x : e) x = uint32_t(rng() % 7);
      f.push_back({e, uint32_t(rng() % 2000000000)});
    }
    P.push_back(gb.make(f));
  }
  orv::ORV_BUILD::ServerBasisList* list = nullptr;
  for (Dpol* p : P) list = receive(list, p);

  // In reverse, each in the engine's own order; copied into lexicographic
  // polynomials that go back to the engine.
  orv::ORV_BUILD::ServerLexList* lex = nullptr;
  using Lex = orv::ORV_BUILD::Dmp<LexE, Coef>;
  size_t k = P.size();
  for (auto* c = list; c != nullptr; c = c->next) {
    ASSERT_GT(k, 0u);
    EXPECT_EQ(server_terms(c->poly), engine_terms(P[--k]));
    Lex::Node* copy = nullptr;
    for (const auto* t = c->poly; t != nullptr; t = t->next) {
      std::vector<uint16_t> e(kN);
      for (uint32_t v = 0; v < kN; ++v) e[v] = uint16_t(BasisE::extraire(t->e, v));
      Lex::Node* node = Lex::monom_raw_coef(e.data(), Coef::copy(t->coef));
      node->next = copy;
      copy = node;
    }
    copy = orv::ORV_BUILD::TermPool<LexE, Coef>::trier_(copy, Lex::comp);
    lex = orv::ORV_BUILD::DmpLists<LexE, Coef>::L::cons(copy, lex);
  }
  EXPECT_EQ(k, 0u);
  for (Dpol* p : P) {
    ASSERT_EQ(size(lex), p->n);
    Dpol* q = new_Dpol(p->n);
    lex = send(lex, q);
    std::vector<Term> back = engine_terms(q), sent = engine_terms(p);
    std::sort(back.begin(), back.end());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(back, sent);
  }
  EXPECT_EQ(lex, nullptr);
  EXPECT_EQ(size(lex), 0u);
  orv::ORV_BUILD::ListPool<BasisE, Coef>::kill_all_(list);
}

TEST_F(Transfer, EqualMonomialsAddUpZerosDropAndShortListsFail) {
  // x0*x1 twice with opposite coefficients, x2 once: only x2 is left.
  Exps a(kN, 0), b(kN, 0);
  a[0] = a[1] = 1;
  b[2] = 1;
  Dpol* p = new_Dpol(3);
  p->mono[0] = expos_from(a);
  p->mono[1] = expos_from(b);
  p->mono[2] = expos_from(a);
  for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) {
    lanes(p)[l][0] = 7;
    lanes(p)[l][1] = 5;
    lanes(p)[l][2] = Dom(ZEL_C(Primes)[l] - 7);
  }
  auto* list = receive(nullptr, p);
  ASSERT_NE(list->poly, nullptr);
  EXPECT_EQ(server_terms(list->poly),
            (std::vector<Term>{{b, std::vector<uint32_t>(ZEL_C(vectorize), 5)}}));
  EXPECT_EQ(list->next, nullptr);
  orv::ORV_BUILD::ListPool<BasisE, Coef>::kill_all_(list);

  Dpol* q = new_Dpol(2);
  {
    ExitsRaiseFatal server_fatal_raises;
    EXPECT_RAISES(send(nullptr, q), "Cannot send a polynomial from an empty list\n");
  }
  // One term, x3^3 with 3 on every lane.
  const uint32_t power = 3;
  std::vector<uint32_t> lanes3(ZEL_C(vectorize), 3);
  const uint32_t* coefs[1] = {lanes3.data()};
  auto* lex = orv::ORV_BUILD::cons_shape_polynomial(nullptr, kN - 1, &power, coefs, 1);
  EXPECT_EQ(size(lex), 1u);
  ExitsRaiseFatal server_fatal_raises;
  EXPECT_RAISES(send(lex, q), "Cannot send 2 terms of a polynomial of 1 terms\n");
}

}  // namespace

// The pairings of the running build, as typed-test parameters, with helpers
// that build polynomials from plain exponent lists and read them back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "server/poly/dmp_names.hpp"

namespace orv_test {

using namespace orv::ORV_BUILD;

#ifdef ZEL_VARIANT_INT
struct PairBigDexp {
  using E = ExpBigDexp;
  using C = CoefVGF;
  static void setup(uint32_t nvar) {
    set_VGF(2);
    init_DMP__BigDexp__VGF();
    set_DMP__BigDexp__VGF(nvar, 0, 0);
  }
  static VGF coef(long v) { return cVGF(v); }
  static long value(VGF c) {  // small values only
    uint32_t p = VGF::_prime[0];
    return c.rep[0] > p / 2 ? static_cast<long>(c.rep[0]) - static_cast<long>(p) : c.rep[0];
  }
};
struct PairBigLexp {
  using E = ExpBigLexp;
  using C = CoefVGF;
  static void setup(uint32_t nvar) {
    set_VGF(2);
    init_DMP__BigLexp__VGF();
    set_DMP__BigLexp__VGF(nvar, 0, 0);
  }
  static VGF coef(long v) { return cVGF(v); }
  static long value(VGF c) { return PairBigDexp::value(c); }
};
using Pairings = ::testing::Types<PairBigDexp, PairBigLexp>;
using FirstPairing = PairBigDexp;  // for tests that need one pairing
#else
struct PairDRLDRL {
  using E = ExpDRLDRL;
  using C = CoefGFC;
  static void setup(uint32_t nvar) {
    init_DMP__DRLDRL__GFC();
    set_module_GFC(65521);
    set_DMP__DRLDRL__GFC(nvar, nvar > 1 ? nvar - 1 : 1, 0);
  }
  static GFC coef(long v) { return cGFC(v); }
  static long value(GFC c) { return c > 65521 / 2 ? static_cast<long>(c) - 65521 : c; }
};
using Pairings = ::testing::Types<PairDRLDRL>;
using FirstPairing = PairDRLDRL;
#endif

using Term = std::pair<std::vector<uint16_t>, long>;

template <class P>
struct Poly {
  using D = Dmp<typename P::E, typename P::C>;
  using Node = DmpNode<typename P::E, typename P::C>;

  // A polynomial from terms in any order, sorted by the pairing's order.
  static Node* make(const std::vector<Term>& terms) {
    Node* first = nullptr;
    for (const Term& t : terms) {
      std::vector<uint16_t> e = t.first;
      e.resize(P::E::nb_vars(), 0);
      Node* n = D::monom_raw_coef(e.data(), P::coef(t.second));
      n->next = first;
      first = n;
    }
    return TermPool<typename P::E, typename P::C>::trier_(first, D::comp);
  }

  static std::vector<Term> read(const Node* p) {
    std::vector<Term> out;
    for (; p != nullptr; p = p->next) {
      std::vector<uint16_t> e(P::E::nb_vars());
      for (uint32_t i = 0; i < e.size(); ++i) e[i] = static_cast<uint16_t>(P::E::extraire(p->e, i));
      out.emplace_back(e, P::value(p->coef));
    }
    return out;
  }
};

}  // namespace orv_test

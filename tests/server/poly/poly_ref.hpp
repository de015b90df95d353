// A map-based reference for the polynomial arithmetic of every pairing:
// monomial -> coefficient modulo one prime (the first prime of a VGF, the
// GFC prime).  Reading a polynomial also checks the term-list invariants.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "server/poly/pairing_fixture.hpp"
#include "support/naive_arith.hpp"

namespace orv_test {

template <class P>
struct Ref {
  using E = typename P::E;
  using C = typename P::C;
  using D = Dmp<E, C>;
  using A = DmpArith<E, C>;
  using Node = DmpNode<E, C>;
  using Mono = std::vector<unsigned>;
  using Map = std::map<Mono, uint64_t>;

#ifdef ZEL_VARIANT_INT
  static uint64_t prime() { return VGF::_prime[0]; }
  static uint64_t residue(VGF c) { return c.rep[0]; }
  static VGF coef(uint64_t r) {
    VGF v = cVGF(0);
    for (uint32_t i = 0; i < size_of_vectors; ++i) v.rep[i] = uint32_t(r % VGF::_prime[i]);
    return v;
  }
#else
  static uint64_t prime() { return modulus_GFC(); }
  static uint64_t residue(GFC c) { return c; }
  static GFC coef(uint64_t r) { return GFC(r); }
#endif

  // The map of p, after checking that its terms strictly decrease and
  // carry no zero coefficient.
  static Map of(const Node* p) {
    Map m;
    for (const Node* t = p; t != nullptr; t = t->next) {
      if (t->next != nullptr) {
        EXPECT_EQ(E::greater(t->e, t->next->e), 1) << "terms out of order";
      }
      EXPECT_NE(residue(t->coef), 0u) << "zero coefficient";
      Mono e(E::nb_vars());
      for (unsigned i = 0; i < e.size(); ++i) e[i] = E::extraire(t->e, i);
      m[e] = residue(t->coef);
    }
    return m;
  }
  static Node* make(const Map& m) {
    std::vector<Term> terms;
    for (auto& [e, c] : m) terms.emplace_back(std::vector<uint16_t>(e.begin(), e.end()), 1);
    Node* p = Poly<P>::make(terms);
    for (Node* t = p; t != nullptr; t = t->next) {
      Mono e(E::nb_vars());
      for (unsigned i = 0; i < e.size(); ++i) e[i] = E::extraire(t->e, i);
      t->coef = coef(m.at(e));
    }
    return p;
  }

  static void put(Map& m, const Mono& e, uint64_t c) {
    uint64_t v = (m[e] + c) % prime();
    if (v == 0)
      m.erase(e);
    else
      m[e] = v;
  }
  static Map add(const Map& a, const Map& b) {
    Map r = a;
    for (auto& [e, c] : b) put(r, e, c);
    return r;
  }
  static Map mul(const Map& a, const Map& b) {
    Map r;
    for (auto& [ea, ca] : a)
      for (auto& [eb, cb] : b) {
        Mono e(ea.size());
        for (size_t i = 0; i < e.size(); ++i) e[i] = ea[i] + eb[i];
        put(r, e, zel_test::mulmod(ca, cb, prime()));
      }
    return r;
  }
  static Map scale(const Map& a, uint64_t c) { return mul(a, Map{{Mono(E::nb_vars(), 0), c}}); }
  static Map diff(const Map& a, unsigned v) {
    Map r;
    for (auto& [e, c] : a)
      if (e[v] != 0) {
        Mono d = e;
        --d[v];
        put(r, d, zel_test::mulmod(c, e[v], prime()));
      }
    return r;
  }

  // Up to n terms with exponents below `top`, coefficients in [1, p).
  template <class Rng>
  static Map random(Rng& rng, int n, unsigned top) {
    Map m;
    for (int k = 0; k < n; ++k) {
      Mono e(E::nb_vars());
      for (auto& x : e) x = unsigned(rng() % top);
      put(m, e, 1 + rng() % (prime() - 1));
    }
    return m;
  }
};

}  // namespace orv_test

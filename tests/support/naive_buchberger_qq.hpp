// The naive Groebner reference over the rationals: the same plainly written
// Buchberger algorithm as naive_buchberger.hpp (normal strategy, coprime and
// chain criteria, same block orders), with exact rational coefficients.
// Results are reduced and monic, sorted by decreasing leading monomial; a
// reduced basis is unique, so an engine's basis scaled to leading
// coefficient 1 must equal it term by term.
#pragma once

#include <gmpxx.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

#include "support/naive_buchberger.hpp"

namespace zel_test::buchberger {

struct QTerm {
  NMono e;
  mpq_class c;
};
using QPoly = std::vector<QTerm>;  // decreasing monomials, no zero coefficient

inline bool operator==(const QTerm& a, const QTerm& b) { return a.e == b.e && a.c == b.c; }

inline void PrintTo(const QTerm& t, std::ostream* os) {
  *os << "[";
  for (size_t i = 0; i < t.e.size(); ++i) *os << (i ? " " : "") << t.e[i];
  *os << "]*" << t.c.get_str();
}

struct NaiveGroebnerQQ {
  BlockOrder order;

  struct Greater {
    const BlockOrder* o;
    bool operator()(const NMono& a, const NMono& b) const { return o->cmp(a, b) > 0; }
  };
  using Work = std::map<NMono, mpq_class, Greater>;

  Work work() const { return Work(Greater{&order}); }

  static QPoly from_work(const Work& w) {
    QPoly r;
    for (auto& [m, c] : w)
      if (c != 0) r.push_back({m, c});
    return r;
  }
  static QPoly monic(QPoly f) {
    if (f.empty()) return f;
    const mpq_class lc = f[0].c;
    for (auto& t : f) t.c /= lc;
    return f;
  }
  // Sorts the terms, adds equal monomials, drops zeros.
  QPoly normalise(const QPoly& f) const {
    Work w = work();
    for (auto& t : f) w[t.e] += t.c;
    return from_work(w);
  }

  // Full reduction of f by G (every term); the remainder is made monic.
  QPoly reduce(const QPoly& f, const std::vector<QPoly>& G) const { return monic(remainder(f, G)); }

  // The remainder of f by G (every term reduced), as it comes.
  QPoly remainder(const QPoly& f, const std::vector<QPoly>& G) const {
    Work w = work();
    for (auto& t : f) w[t.e] += t.c;
    Work done = work();
    while (!w.empty()) {
      auto it = w.begin();
      if (it->second == 0) {
        w.erase(it);
        continue;
      }
      const QPoly* by = nullptr;
      for (auto& g : G)
        if (!g.empty() && NaiveGroebner::divides(g[0].e, it->first)) {
          by = &g;
          break;
        }
      if (!by) {
        done.insert(*it);
        w.erase(it);
        continue;
      }
      NMono q = it->first;
      for (size_t i = 0; i < q.size(); ++i) q[i] -= (*by)[0].e[i];
      const mpq_class c = it->second / (*by)[0].c;
      const NMono lead = it->first;
      for (auto& t : *by) {
        NMono m = t.e;
        for (size_t i = 0; i < m.size(); ++i) m[i] += q[i];
        w[m] -= c * t.c;
      }
      w.erase(lead);
    }
    return from_work(done);
  }

  QPoly spoly(const QPoly& f, const QPoly& g) const {
    NMono l = NaiveGroebner::lcm(f[0].e, g[0].e);
    Work w = work();
    for (auto& t : f) {
      NMono m = t.e;
      for (size_t i = 0; i < m.size(); ++i) m[i] += l[i] - f[0].e[i];
      w[m] += t.c / f[0].c;
    }
    for (auto& t : g) {
      NMono m = t.e;
      for (size_t i = 0; i < m.size(); ++i) m[i] += l[i] - g[0].e[i];
      w[m] -= t.c / g[0].c;
    }
    return from_work(w);
  }

  // The reduced basis, monic, sorted by decreasing leading monomial.
  std::vector<QPoly> basis(const std::vector<QPoly>& input) const {
    std::vector<QPoly> R = reduced_basis(
        input, [this](const QPoly& f, const std::vector<QPoly>& G) { return reduce(f, G); },
        [this](const QPoly& f, const QPoly& g) { return spoly(f, g); });
    sort_basis(R);
    return R;
  }

  void sort_basis(std::vector<QPoly>& B) const {
    std::sort(B.begin(), B.end(),
              [this](const QPoly& a, const QPoly& b) { return order.cmp(a[0].e, b[0].e) > 0; });
  }

  // True when no term of any member is divisible by the leading monomial of
  // another member and every member is monic.
  bool is_reduced(const std::vector<QPoly>& B) const {
    for (size_t i = 0; i < B.size(); ++i) {
      if (B[i].empty() || B[i][0].c != 1) return false;
      for (size_t k = 0; k < B.size(); ++k) {
        if (k == i) continue;
        for (auto& t : B[i])
          if (NaiveGroebner::divides(B[k][0].e, t.e)) return false;
      }
    }
    return true;
  }
};

}  // namespace zel_test::buchberger

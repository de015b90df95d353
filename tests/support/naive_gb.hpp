// Naive Buchberger over GF(p): the slow, obviously right reference for the
// F4 engine's reduced bases.  Polynomials are maps from exponent vectors to
// residues, ordered by a block degree reverse lexicographic order: degree
// reverse lexicographic on variables 0 .. s-1, ties broken by the same on
// variables s .. n-1 (s = n: plain degree reverse lexicographic).
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "support/dense_rref.hpp"

namespace zel_test {

using Mono = std::vector<uint32_t>;

struct BlockOrder {
  size_t s;  // variables in the first block
  // Degree reverse lexicographic comparison of variables lo .. hi-1:
  // 1 when a > b, -1 when a < b, 0 when equal.
  static int drl(const Mono& a, const Mono& b, size_t lo, size_t hi) {
    uint64_t da = 0, db = 0;
    for (size_t i = lo; i < hi; ++i) {
      da += a[i];
      db += b[i];
    }
    if (da != db) return da > db ? 1 : -1;
    for (size_t i = hi; i-- > lo;)
      if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;
    return 0;
  }
  int cmp(const Mono& a, const Mono& b) const {
    const size_t n = a.size(), k = std::min(s, n);
    if (int c = drl(a, b, 0, k)) return c;
    return k < n ? drl(a, b, k, n) : 0;
  }
};

struct Poly {
  // Terms, largest monomial first.
  std::vector<std::pair<Mono, uint32_t>> t;
  bool zero() const { return t.empty(); }
  const Mono& lm() const { return t[0].first; }
};

struct NaiveGB {
  uint32_t p;
  BlockOrder ord;

  void normalise(Poly& f) const {
    std::map<Mono, uint64_t> acc;
    for (auto& [m, c] : f.t) acc[m] = (acc[m] + c) % p;
    f.t.clear();
    for (auto& [m, c] : acc)
      if (c) f.t.push_back({m, uint32_t(c)});
    std::sort(f.t.begin(), f.t.end(),
              [&](const auto& a, const auto& b) { return ord.cmp(a.first, b.first) > 0; });
  }
  void monic(Poly& f) const {
    if (f.zero()) return;
    const uint64_t u = inv_mod(f.t[0].second, p);
    for (auto& x : f.t) x.second = uint32_t(x.second * u % p);
  }
  static bool divides(const Mono& a, const Mono& b) {  // a | b
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] > b[i]) return false;
    return true;
  }
  // f - c * m * g
  Poly sub_mul(const Poly& f, uint32_t c, const Mono& m, const Poly& g) const {
    Poly r = f;
    for (auto& [gm, gc] : g.t) {
      Mono x = gm;
      for (size_t i = 0; i < x.size(); ++i) x[i] += m[i];
      r.t.push_back({x, uint32_t((uint64_t(p - c) * gc) % p)});
    }
    normalise(r);
    return r;
  }
  // Full reduction of f (normalised) by G (monic elements).
  Poly reduce(const Poly& f, const std::vector<Poly>& G) const {
    auto larger = [this](const Mono& a, const Mono& b) { return ord.cmp(a, b) > 0; };
    std::map<Mono, uint32_t, decltype(larger)> w(larger);
    for (const auto& [m, c] : f.t) w[m] = c;
    Poly out;
    while (!w.empty()) {
      const Mono m = w.begin()->first;
      const uint64_t c = w.begin()->second;
      const Poly* div = nullptr;
      for (const Poly& g : G)
        if (!g.zero() && divides(g.lm(), m)) {
          div = &g;
          break;
        }
      if (!div) {
        out.t.push_back({m, uint32_t(c)});
        w.erase(w.begin());
        continue;
      }
      for (const auto& [gm, gc] : div->t) {
        Mono x = gm;
        for (size_t i = 0; i < x.size(); ++i) x[i] += m[i] - div->lm()[i];
        auto it = w.find(x);
        const uint64_t old = it == w.end() ? 0 : it->second;
        const uint32_t v = uint32_t((old + (p - c) * gc) % p);
        if (v == 0) {
          if (it != w.end()) w.erase(it);
        } else if (it == w.end()) {
          w.emplace(x, v);
        } else {
          it->second = v;
        }
      }
    }
    return out;
  }
  Poly spoly(const Poly& f, const Poly& g) const {
    Mono l(f.lm().size());
    for (size_t i = 0; i < l.size(); ++i) l[i] = std::max(f.lm()[i], g.lm()[i]);
    Mono a = l, b = l;
    for (size_t i = 0; i < l.size(); ++i) {
      a[i] -= f.lm()[i];
      b[i] -= g.lm()[i];
    }
    Poly r;
    for (auto& [m, c] : f.t) {
      Mono x = m;
      for (size_t i = 0; i < x.size(); ++i) x[i] += a[i];
      r.t.push_back({x, c});
    }
    return sub_mul(r, 1, b, g);
  }
  // The reduced Groebner basis, monic, sorted by decreasing leading monomial.
  std::vector<Poly> reduced_basis(std::vector<Poly> F) const {
    std::vector<Poly> G;
    for (Poly& f : F) {
      normalise(f);
      if (!f.zero()) {
        monic(f);
        G.push_back(f);
      }
    }
    // Buchberger with two safe shortcuts: pairs with coprime leading
    // monomials are skipped, and an element whose leading monomial a new one
    // divides leaves the active set, its remainder coming back instead.
    std::vector<bool> active(G.size(), true);
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t j = 0; j < G.size(); ++j)
      for (size_t i = 0; i < j; ++i) pairs.push_back({i, j});
    auto active_set = [&] {
      std::vector<Poly> A;
      for (size_t k = 0; k < G.size(); ++k)
        if (active[k]) A.push_back(G[k]);
      return A;
    };
    std::vector<Poly> pending;
    auto add = [&](Poly h) {
      monic(h);
      for (size_t k = 0; k < G.size(); ++k)
        if (active[k] && divides(h.lm(), G[k].lm())) {
          active[k] = false;
          pending.push_back(G[k]);
        }
      for (size_t k = 0; k < G.size(); ++k)
        if (active[k]) pairs.push_back({k, G.size()});
      G.push_back(h);
      active.push_back(true);
    };
    auto coprime = [](const Mono& a, const Mono& b) {
      for (size_t v = 0; v < a.size(); ++v)
        if (a[v] && b[v]) return false;
      return true;
    };
    while (!pairs.empty() || !pending.empty()) {
      if (!pending.empty()) {
        Poly g = pending.back();
        pending.pop_back();
        Poly r = reduce(g, active_set());
        if (!r.zero()) add(r);
        continue;
      }
      const auto [i, j] = pairs.back();
      pairs.pop_back();
      if (!active[i] || !active[j] || coprime(G[i].lm(), G[j].lm())) continue;
      Poly h = reduce(spoly(G[i], G[j]), active_set());
      if (!h.zero()) add(h);
    }
    {
      std::vector<Poly> A = active_set();
      G.swap(A);
    }
    // Minimal, then reduced.
    std::vector<Poly> M;
    for (size_t i = 0; i < G.size(); ++i) {
      bool redundant = false;
      for (size_t j = 0; j < G.size() && !redundant; ++j)
        if (j != i && divides(G[j].lm(), G[i].lm()) && (G[j].lm() != G[i].lm() || j < i))
          redundant = true;
      if (!redundant) M.push_back(G[i]);
    }
    std::vector<Poly> R;
    for (size_t i = 0; i < M.size(); ++i) {
      std::vector<Poly> others;
      for (size_t j = 0; j < M.size(); ++j)
        if (j != i) others.push_back(M[j]);
      Poly h = M[i];
      Poly lead;
      lead.t.push_back(h.t[0]);
      h.t.erase(h.t.begin());
      Poly tail = reduce(h, others);
      lead.t.insert(lead.t.end(), tail.t.begin(), tail.t.end());
      normalise(lead);
      monic(lead);
      R.push_back(lead);
    }
    std::sort(R.begin(), R.end(),
              [&](const Poly& a, const Poly& b) { return ord.cmp(a.lm(), b.lm()) > 0; });
    return R;
  }
};

}  // namespace zel_test

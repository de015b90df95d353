// The naive Groebner reference: a plainly written Buchberger algorithm
// modulo a prime, with the normal selection strategy and Buchberger's two
// criteria (coprime leading monomials, chain), so that it reaches systems of
// the size of katsura-6 in about a second.  Whole reduced bases of the engine
// are compared with it (a reduced basis is unique); reduce and spoly also
// check that inputs and S-pairs reduce to zero by a basis.
//
// Monomial order: variables 0 .. s-1 form the first block and s .. n-1 the
// second; the first block is compared by degree then reverse lexicographic
// order, and on a tie the second block the same way (s = 0 or s = n: plain
// degree reverse lexicographic order).  With lex set, the plain
// lexicographic order x0 > x1 > ... > x_{n-1} instead (s is not read).
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace zel_test::buchberger {

using NMono = std::vector<int>;
struct NTerm {
  NMono e;
  uint32_t c;
};
using NGPoly = std::vector<NTerm>;  // decreasing monomials, no zero coefficient

struct BlockOrder {
  int s;             // size of the first block
  bool lex = false;  // lexicographic order instead
  // > 0 when a > b.
  int cmp(const NMono& a, const NMono& b) const {
    int n = int(a.size());
    if (lex) {
      for (int i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
      return 0;
    }
    if (int r = block(a, b, 0, std::min(s, n))) return r;
    return block(a, b, std::min(s, n), n);
  }
  static int block(const NMono& a, const NMono& b, int lo, int hi) {
    int da = 0, db = 0;
    for (int i = lo; i < hi; ++i) da += a[i], db += b[i];
    if (da != db) return da > db ? 1 : -1;
    for (int i = hi - 1; i >= lo; --i)
      if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;
    return 0;
  }
};

inline uint64_t gpow(uint64_t a, uint64_t e, uint64_t p) {
  uint64_t r = 1;
  for (a %= p; e; e >>= 1, a = a * a % p)
    if (e & 1) r = r * a % p;
  return r;
}

// Defined at the end of this file.
template <class Poly, class Reduce, class SPoly>
std::vector<Poly> reduced_basis(const std::vector<Poly>& input, Reduce reduce, SPoly spoly);

struct NaiveGroebner {
  BlockOrder order;
  uint64_t p;

  struct Greater {
    const BlockOrder* o;
    bool operator()(const NMono& a, const NMono& b) const { return o->cmp(a, b) > 0; }
  };
  using Work = std::map<NMono, uint64_t, Greater>;

  static bool divides(const NMono& a, const NMono& b) {
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] > b[i]) return false;
    return true;
  }
  static NMono lcm(const NMono& a, const NMono& b) {
    NMono r(a.size());
    for (size_t i = 0; i < a.size(); ++i) r[i] = std::max(a[i], b[i]);
    return r;
  }
  static int deg(const NMono& a) {
    int d = 0;
    for (int x : a) d += x;
    return d;
  }

  NGPoly from_work(const Work& w) const {
    NGPoly r;
    for (auto& [m, c] : w)
      if (c) r.push_back({m, uint32_t(c)});
    return r;
  }
  NGPoly monic(NGPoly f) const {
    if (f.empty()) return f;
    uint64_t inv = gpow(f[0].c, p - 2, p);
    for (auto& t : f) t.c = uint32_t(t.c * inv % p);
    return f;
  }
  // Sorts the terms, adds equal monomials, drops zeros.
  NGPoly normalise(const NGPoly& f) const {
    Work w(Greater{&order});
    for (auto& t : f) w[t.e] = (w[t.e] + t.c) % p;
    return from_work(w);
  }

  // Full reduction of f by G (every term), result monic.
  NGPoly reduce(const NGPoly& f, const std::vector<NGPoly>& G) const {
    return monic(remainder(f, G));
  }

  // The same at the scale of f (every g monic, each step subtracts a
  // multiple of one), as the library's normal forms give it.
  NGPoly remainder(const NGPoly& f, const std::vector<NGPoly>& G) const {
    Work w(Greater{&order});
    for (auto& t : f) w[t.e] = (w[t.e] + t.c) % p;
    Work done(Greater{&order});
    while (!w.empty()) {
      auto it = w.begin();
      if (it->second == 0) {
        w.erase(it);
        continue;
      }
      const NGPoly* by = nullptr;
      for (auto& g : G)
        if (!g.empty() && divides(g[0].e, it->first)) {
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
      uint64_t c = it->second;  // g is monic
      for (auto& t : *by) {
        NMono m = t.e;
        for (size_t i = 0; i < m.size(); ++i) m[i] += q[i];
        uint64_t& x = w[m];
        x = (x + p - c * t.c % p) % p;
      }
      w.erase(it->first);
    }
    return from_work(done);
  }

  NGPoly spoly(const NGPoly& f, const NGPoly& g) const {
    NMono l = lcm(f[0].e, g[0].e);
    Work w(Greater{&order});
    for (auto& t : f) {
      NMono m = t.e;
      for (size_t i = 0; i < m.size(); ++i) m[i] += l[i] - f[0].e[i];
      w[m] = (w[m] + t.c) % p;
    }
    for (auto& t : g) {
      NMono m = t.e;
      for (size_t i = 0; i < m.size(); ++i) m[i] += l[i] - g[0].e[i];
      w[m] = (w[m] + p - t.c) % p;
    }
    return from_work(w);
  }

  // The reduced basis, monic, sorted by decreasing leading monomial.
  std::vector<NGPoly> basis(const std::vector<NGPoly>& input) const {
    std::vector<NGPoly> R = reduced_basis(
        input, [this](const NGPoly& f, const std::vector<NGPoly>& G) { return reduce(f, G); },
        [this](const NGPoly& f, const NGPoly& g) { return spoly(f, g); });
    sort_basis(R);
    return R;
  }

  void sort_basis(std::vector<NGPoly>& B) const {
    std::sort(B.begin(), B.end(),
              [this](const NGPoly& a, const NGPoly& b) { return order.cmp(a[0].e, b[0].e) > 0; });
  }
};

inline bool operator==(const NTerm& a, const NTerm& b) { return a.e == b.e && a.c == b.c; }

// Readable failure messages: exponents, then the coefficient.
inline void PrintTo(const NTerm& t, std::ostream* os) {
  *os << "[";
  for (size_t i = 0; i < t.e.size(); ++i) *os << (i ? " " : "") << t.e[i];
  *os << "]*" << t.c;
}

// Buchberger's algorithm with the normal strategy, the coprime and chain
// criteria, then the minimal basis inter-reduced (unsorted), over any
// coefficients: reduce(f, G) is the normal form of f, spoly(f, g) the
// S-polynomial; polynomials are term vectors, leading term first.
template <class Poly, class Reduce, class SPoly>
std::vector<Poly> reduced_basis(const std::vector<Poly>& input, Reduce reduce, SPoly spoly) {
  std::vector<Poly> G;
  std::set<std::pair<int, int>> pending;
  std::set<std::tuple<int, int, int>> queue;  // (lcm degree, i, j)
  auto add = [&](Poly f) {
    int k = int(G.size());
    G.push_back(std::move(f));
    for (int i = 0; i < k; ++i)
      if (!G[i].empty()) {
        pending.insert({i, k});
        queue.insert({NaiveGroebner::deg(NaiveGroebner::lcm(G[i][0].e, G[k][0].e)), i, k});
      }
  };
  for (auto& f : input) {
    Poly r = reduce(f, G);
    if (!r.empty()) add(r);
  }
  while (!queue.empty()) {
    // Normal strategy: the pair of smallest lcm degree.
    auto [d, i, j] = *queue.begin();
    (void)d;
    queue.erase(queue.begin());
    pending.erase({i, j});
    const NMono& a = G[i][0].e;
    const NMono& b = G[j][0].e;
    NMono l = NaiveGroebner::lcm(a, b);
    bool coprime = true;
    for (size_t v = 0; v < a.size(); ++v)
      if (a[v] && b[v]) coprime = false;
    if (coprime) continue;
    // Chain criterion: some k with LM(k) | lcm whose pairs with i and j
    // are both done.
    bool chain = false;
    for (int k = 0; k < int(G.size()) && !chain; ++k) {
      if (k == i || k == j || G[k].empty() || !NaiveGroebner::divides(G[k][0].e, l)) continue;
      auto key = [](int x, int y) { return std::make_pair(std::min(x, y), std::max(x, y)); };
      chain = !pending.count(key(i, k)) && !pending.count(key(j, k));
    }
    if (chain) continue;
    Poly r = reduce(spoly(G[i], G[j]), G);
    if (!r.empty()) add(r);
  }
  // Minimal, then inter-reduced.
  std::vector<Poly> M;
  for (size_t i = 0; i < G.size(); ++i) {
    bool drop = false;
    for (size_t k = 0; k < G.size() && !drop; ++k) {
      if (k == i || !NaiveGroebner::divides(G[k][0].e, G[i][0].e)) continue;
      drop = G[k][0].e != G[i][0].e || k < i;
    }
    if (!drop) M.push_back(G[i]);
  }
  std::vector<Poly> R;
  for (size_t i = 0; i < M.size(); ++i) {
    std::vector<Poly> others;
    for (size_t k = 0; k < M.size(); ++k)
      if (k != i) others.push_back(M[k]);
    R.push_back(reduce(M[i], others));
  }
  return R;
}

}  // namespace zel_test::buchberger

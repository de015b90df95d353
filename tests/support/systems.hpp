// Standard benchmark systems modulo a prime, as lists of terms: cyclic-n,
// katsura-n, eco-n and noon-n.  Shared by the tests and the benchmark driver.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zel_test {

// A term: exponent vector and a residue.
using SysTerm = std::pair<std::vector<uint32_t>, uint32_t>;
using SysPoly = std::vector<SysTerm>;
struct System {
  std::string name;
  uint32_t nvars;
  std::vector<SysPoly> polys;
};

inline uint32_t sys_neg(uint64_t c, uint32_t p) { return uint32_t((p - c % p) % p); }

inline System cyclic(uint32_t n, uint32_t p) {
  System s{"cyclic-" + std::to_string(n), n, {}};
  for (uint32_t k = 1; k < n; ++k) {
    SysPoly f;
    for (uint32_t i = 0; i < n; ++i) {
      std::vector<uint32_t> e(n, 0);
      for (uint32_t j = 0; j < k; ++j) e[(i + j) % n] = 1;
      f.push_back({e, 1});
    }
    s.polys.push_back(f);
  }
  s.polys.push_back(
      {{std::vector<uint32_t>(n, 1), 1}, {std::vector<uint32_t>(n, 0), sys_neg(1, p)}});
  return s;
}

// Variables u_0 .. u_n.
inline System katsura(uint32_t n, uint32_t p) {
  const uint32_t nv = n + 1;
  System s{"katsura-" + std::to_string(n), nv, {}};
  auto idx = [&](int l) { return uint32_t(l < 0 ? -l : l); };
  for (int m = 0; m < int(n); ++m) {
    SysPoly f;
    for (int l = -int(n); l <= int(n); ++l) {
      const int k = m - l;
      if (k < -int(n) || k > int(n)) continue;
      std::vector<uint32_t> e(nv, 0);
      e[idx(l)] += 1;
      e[idx(k)] += 1;
      f.push_back({e, 1});
    }
    std::vector<uint32_t> e(nv, 0);
    e[uint32_t(m)] = 1;
    f.push_back({e, sys_neg(1, p)});
    s.polys.push_back(f);
  }
  SysPoly lin;
  for (uint32_t l = 0; l <= n; ++l) {
    std::vector<uint32_t> e(nv, 0);
    e[l] = 1;
    lin.push_back({e, l == 0 ? 1u : 2u});
  }
  lin.push_back({std::vector<uint32_t>(nv, 0), sys_neg(1, p)});
  s.polys.push_back(lin);
  return s;
}

// Variables x_1 .. x_n stored at 0 .. n-1.
inline System eco(uint32_t n, uint32_t p) {
  System s{"eco-" + std::to_string(n), n, {}};
  for (uint32_t k = 1; k <= n - 1; ++k) {
    SysPoly f;
    std::vector<uint32_t> e(n, 0);
    e[k - 1] = 1;
    e[n - 1] = 1;
    f.push_back({e, 1});
    for (uint32_t i = 1; i + k <= n - 1; ++i) {
      std::vector<uint32_t> g(n, 0);
      g[i - 1] += 1;
      g[i + k - 1] += 1;
      g[n - 1] += 1;
      f.push_back({g, 1});
    }
    f.push_back({std::vector<uint32_t>(n, 0), sys_neg(k, p)});
    s.polys.push_back(f);
  }
  SysPoly lin;
  for (uint32_t i = 0; i + 1 < n; ++i) {
    std::vector<uint32_t> e(n, 0);
    e[i] = 1;
    lin.push_back({e, 1});
  }
  lin.push_back({std::vector<uint32_t>(n, 0), 1});
  s.polys.push_back(lin);
  return s;
}

// 10 x_i (sum_{j != i} x_j^2) - 11 x_i + 10.
inline System noon(uint32_t n, uint32_t p) {
  System s{"noon-" + std::to_string(n), n, {}};
  for (uint32_t i = 0; i < n; ++i) {
    SysPoly f;
    for (uint32_t j = 0; j < n; ++j) {
      if (j == i) continue;
      std::vector<uint32_t> e(n, 0);
      e[i] = 1;
      e[j] += 2;
      f.push_back({e, 10});
    }
    std::vector<uint32_t> e(n, 0);
    e[i] = 1;
    f.push_back({e, sys_neg(11, p)});
    f.push_back({std::vector<uint32_t>(n, 0), 10});
    s.polys.push_back(f);
  }
  return s;
}

}  // namespace zel_test

// A zero-dimensional system built from its solutions: D points (x_k, z_k)
// with distinct z_k, the normal set {1, x, z, ..., z^(D-2)} ({1} for D = 1,
// {1, x} for D = 2), and the matrix T of multiplication by z on it, row c
// holding the coordinates of z * b_c (found through the evaluation matrix at
// the points).  The expected answers are prod (X - z_k) and the polynomial
// through the points (z_k, x_k).
#pragma once

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "engine/mem/zone.hpp"
#include "engine/variant.hpp"
#include "sparse/aligned.hpp"
#include "support/naive_poly.hpp"

namespace zel_test {

struct PointSystem {
  uint64_t p;
  int32_t D;
  std::vector<uint64_t> xs, zs;
  std::vector<std::pair<int, int>> basis;  // exponents (of x, of z)
  std::vector<int32_t> sparse, nosp;
  std::vector<std::vector<uint64_t>> dense;  // residue rows, in the order of nosp
  int32_t coord_x = -1;

  PointSystem(uint64_t prime, int32_t d, std::mt19937_64& rng, bool zero_z) : p(prime), D(d) {
    for (;;) {
      draw(rng, zero_z);
      if (build()) return;
    }
  }

  NPoly minpoly() const { return nfromroots(zs, p); }
  // The stored form of x's polynomial R satisfies x + R(z) = 0.
  NPoly x_stored() const { return nscale(ninterpolate(zs, xs, p), p - 1, p); }

  // Dense rows in the FGLM entry's form for this build.
  struct Rows {
    std::vector<zel::sparse_detail::AlignedBuf<int16_t>> sym;
    std::vector<int16_t*> table;
    zel::sparse_detail::AlignedBuf<uint32_t> block32;
    zel::sparse_detail::AlignedBuf<uint16_t> block16;
    // The FGLM entry's rows and the scalar entries' rows of this build.
    auto fglm_rows() {
      if constexpr (zel::ZEL_BUILD::kIntegerBuild)
        return block32.data();
      else
        return table.data();
    }
    auto plain_rows() {
      if constexpr (zel::ZEL_BUILD::kIntegerBuild)
        return block32.data();
      else
        return block16.data();
    }
  };
  Rows rows() const {
    Rows r;
    const uint32_t n8 = (D + 7) / 8 * 8, n4 = (D + 3) / 4 * 4;
    r.block32 = zel::sparse_detail::AlignedBuf<uint32_t>(n4 * dense.size() + 1);
    r.block16 = zel::sparse_detail::AlignedBuf<uint16_t>(n8 * dense.size() + 1);
    for (size_t k = 0; k < dense.size(); ++k) {
      r.sym.emplace_back(n8);
      for (int32_t c = 0; c < D; ++c) {
        const uint64_t v = dense[k][c];
        r.sym.back()[c] =
            static_cast<int16_t>(v > (p - 1) / 2 ? static_cast<int64_t>(v) - int64_t(p) : v);
        r.block32[k * n4 + c] = static_cast<uint32_t>(v);
        r.block16[k * n8 + c] = static_cast<uint16_t>(v);
      }
    }
    for (auto& s : r.sym) r.table.push_back(s.data());
    return r;
  }

 private:
  void draw(std::mt19937_64& rng, bool zero_z) {
    xs.assign(D, 0);
    zs.clear();
    while (static_cast<int32_t>(zs.size()) < D) {
      uint64_t z = rng() % p;
      bool fresh = true;
      for (uint64_t w : zs) fresh &= w != z;
      if (fresh) zs.push_back(z);
    }
    if (zero_z) {
      for (auto& z : zs)
        if (z == 0) z = 1 + rng() % (p - 1);  // keep them distinct below
      zs[rng() % D] = 0;
    }
    for (auto& x : xs) x = rng() % p;
  }

  uint64_t value(int k, std::pair<int, int> e) const {
    return static_cast<uint64_t>(static_cast<unsigned __int128>(npow(xs[k], e.first, p)) *
                                 npow(zs[k], e.second, p) % p);
  }

  int index_of(std::pair<int, int> e) const {
    for (size_t i = 0; i < basis.size(); ++i)
      if (basis[i] == e) return static_cast<int>(i);
    return -1;
  }

  bool build() {
    for (int32_t i = 0; i < D; ++i)
      for (int32_t j = 0; j < i; ++j)
        if (zs[i] == zs[j]) return false;
    basis = {{0, 0}};
    if (D >= 2) basis.push_back({1, 0});
    for (int32_t e = 1; static_cast<int32_t>(basis.size()) < D; ++e) basis.push_back({0, e});
    coord_x = D >= 2 ? 1 : -1;
    // Targets z * b_c outside the normal set need their coordinates: solve
    // V t = (values at the points) for all of them at once.
    sparse.clear();
    nosp.clear();
    std::vector<int> dense_rows;
    for (int32_t c = 0; c < D; ++c) {
      const std::pair<int, int> t{basis[c].first, basis[c].second + 1};
      const int r = index_of(t);
      if (r >= 0) {
        sparse.insert(sparse.end(), {c, r});
      } else {
        dense_rows.push_back(c);
        nosp.insert(nosp.end(), {c, 0});
      }
    }
    sparse.insert(sparse.end(), {-1, -1});
    nosp.insert(nosp.end(), {-1, -1});
    const int m = static_cast<int>(dense_rows.size());
    std::vector<std::vector<uint64_t>> a(D, std::vector<uint64_t>(D + m));
    for (int32_t k = 0; k < D; ++k) {
      for (int32_t i = 0; i < D; ++i) a[k][i] = value(k, basis[i]);
      for (int j = 0; j < m; ++j) {
        const auto b = basis[dense_rows[j]];
        a[k][D + j] = value(k, {b.first, b.second + 1});
      }
    }
    for (int32_t col = 0; col < D; ++col) {
      int32_t piv = col;
      while (piv < D && a[piv][col] == 0) ++piv;
      if (piv == D) return false;
      std::swap(a[piv], a[col]);
      const uint64_t inv = ninv(a[col][col], p);
      for (auto& v : a[col]) v = static_cast<uint64_t>(static_cast<unsigned __int128>(v) * inv % p);
      for (int32_t r = 0; r < D; ++r) {
        if (r == col || a[r][col] == 0) continue;
        const uint64_t f = p - a[r][col];
        for (int32_t i = col; i < D + m; ++i) {
          const uint64_t t = a[r][i] + f * a[col][i] % p;  // p < 2^32: no overflow
          a[r][i] = t >= p ? t - p : t;
        }
      }
    }
    dense.assign(m, std::vector<uint64_t>(D));
    for (int j = 0; j < m; ++j)
      for (int32_t i = 0; i < D; ++i) dense[j][i] = a[i][D + j];
    return true;
  }
};

}  // namespace zel_test

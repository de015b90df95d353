// Reduced row echelon form of a dense matrix modulo a prime: the slow,
// obviously right reference for the F4 elimination.
#pragma once

#include <cstdint>
#include <vector>

namespace zel_test {

using DenseRow = std::vector<uint32_t>;

inline uint32_t inv_mod(uint32_t a, uint32_t p) {
  uint64_t r = 1, b = a % p, e = p - 2;
  while (e) {
    if (e & 1) r = r * b % p;
    b = b * b % p;
    e >>= 1;
  }
  return uint32_t(r);
}

// The non-zero rows of the reduced echelon form of `m` (all rows of one
// length), monic, ordered by increasing pivot column (pivot = first non-zero
// column).
inline std::vector<DenseRow> dense_rref(std::vector<DenseRow> m, uint32_t p) {
  std::vector<DenseRow> out;
  if (m.empty()) return out;
  const size_t ncols = m[0].size();
  size_t r = 0;
  for (size_t c = 0; c < ncols && r < m.size(); ++c) {
    size_t k = r;
    while (k < m.size() && m[k][c] % p == 0) ++k;
    if (k == m.size()) continue;
    std::swap(m[r], m[k]);
    const uint64_t u = inv_mod(m[r][c] % p, p);
    for (auto& x : m[r]) x = uint32_t(x % p * u % p);
    for (size_t i = 0; i < m.size(); ++i) {
      if (i == r || m[i][c] % p == 0) continue;
      const uint64_t f = p - m[i][c] % p;
      for (size_t j = 0; j < ncols; ++j) m[i][j] = uint32_t((m[i][j] % p + f * m[r][j]) % p);
    }
    ++r;
  }
  m.resize(r);
  return m;
}

// Pivot column of a row (first non-zero entry), or the row length.
inline size_t pivot_of(const DenseRow& r) {
  size_t c = 0;
  while (c < r.size() && r[c] == 0) ++c;
  return c;
}

}  // namespace zel_test

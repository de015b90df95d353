// Naive references for packed monomials: exponent vectors as std::vector<int>.
//
// Everything here is written field by field, the obvious way, so that the
// word-level code of engine/mono can be checked against it.
#pragma once

#include <cstdint>
#include <vector>

namespace zel_test {

using NaiveMono = std::vector<int>;

// Degree reverse lexicographic on fields [lo, hi): 1 when a > b.
inline int naive_drl(const NaiveMono& a, const NaiveMono& b, int lo, int hi, bool with_degree) {
  if (with_degree) {
    long da = 0, db = 0;
    for (int i = lo; i < hi; ++i) da += a[i], db += b[i];
    if (da != db) return da > db ? 1 : -1;
  }
  for (int i = hi - 1; i >= lo; --i)
    if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;
  return 0;
}

// The engine's block orders over N variables with a first block of s:
// degree reverse lexicographic on the first block, then the second block
// reverse lexicographic without degree (second_degree false) or with it.
inline int naive_block_order(const NaiveMono& a, const NaiveMono& b, int s, int N,
                             bool second_degree) {
  if (s > N) s = N;
  if (s >= 1)
    if (int r = naive_drl(a, b, 0, s, true)) return r;
  if (s < N) return naive_drl(a, b, s, N, second_degree);
  return 0;
}

inline bool naive_divides(const NaiveMono& b, const NaiveMono& a) {
  for (size_t i = 0; i < a.size(); ++i)
    if (b[i] > a[i]) return false;
  return true;
}

inline NaiveMono naive_lcm(const NaiveMono& a, const NaiveMono& b) {
  NaiveMono r(a.size());
  for (size_t i = 0; i < a.size(); ++i) r[i] = a[i] > b[i] ? a[i] : b[i];
  return r;
}

inline NaiveMono naive_mul(const NaiveMono& a, const NaiveMono& b) {
  NaiveMono r(a.size());
  for (size_t i = 0; i < a.size(); ++i) r[i] = a[i] + b[i];
  return r;
}

inline NaiveMono naive_quo(const NaiveMono& a, const NaiveMono& b) {
  NaiveMono r(a.size());
  for (size_t i = 0; i < a.size(); ++i) r[i] = a[i] - b[i];
  return r;
}

// Fields read as a number in base 65536, field 0 most significant, mod p.
inline uint32_t naive_hash(const NaiveMono& a, uint64_t p) {
  uint64_t h = 0;
  for (int f : a) h = (h * 65536 + uint64_t(f)) % p;
  return uint32_t(h);
}

}  // namespace zel_test

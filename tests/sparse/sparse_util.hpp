// Helpers shared by the sparse layer's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "sparse/descriptor.hpp"
#include "support/naive_poly.hpp"

namespace zel_test {

using zel::ZEL_BUILD::Dom;

// Primes of this build: the largest first.
inline std::vector<uint32_t> build_primes() {
  if constexpr (zel::ZEL_BUILD::kIntegerBuild) return {4294967291u, 2147483659u};
  return {65521u, 32003u};
}

// Makes p the current modulus, as an entry point would.
struct PrimeScope {
  uint32_t cell;
  explicit PrimeScope(uint32_t p) : cell(p) {
    zel::ZEL_BUILD::Table_Primes = &cell;
    zel::ZEL_BUILD::init_wiedemann();
  }
};

// The coefficients of a into a buffer of at least n entries (zero padded).
inline std::vector<Dom> to_dom(const NPoly& a, size_t n) {
  std::vector<Dom> r(std::max(n, a.size()), 0);
  for (size_t i = 0; i < a.size(); ++i) r[i] = static_cast<Dom>(a[i]);
  return r;
}

inline NPoly from_dom(const Dom* a, int32_t d) {
  NPoly r;
  for (int32_t i = 0; i <= d; ++i) r.push_back(a[i]);
  trim(r);
  return r;
}

}  // namespace zel_test

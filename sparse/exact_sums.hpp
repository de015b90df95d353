// Vectors of exact sums of 64-bit products: each entry is a 64-bit sum and
// the number of times it wrapped past 2^64, so that value = wraps 2^64 +
// sum.  Products of 32-bit residues are added without any reduction; the
// caller reduces an entry when it needs its residue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/variant.hpp"
#include "sparse/modarith.hpp"

namespace zel::ZEL_BUILD {

// sums[j], wraps[j] += a[j] * x + b[j] * y for j < n (a, b, x, y below 2^32).
void add_two_scaled(uint64_t* sums, uint64_t* wraps, const uint32_t* a, uint64_t x,
                    const uint32_t* b, uint64_t y, uint32_t n);
// The plain loop (the tests' reference).
void add_two_scaled_plain(uint64_t* sums, uint64_t* wraps, const uint32_t* a, uint64_t x,
                          const uint32_t* b, uint64_t y, uint32_t n);

// The residue of one entry.
inline Dom reduce_entry(const Reducer& reduce_p, uint64_t sum, uint64_t wraps) {
  if constexpr (kIntegerBuild)
    return reduce_p((static_cast<Acc>(wraps) << 64) | sum);
  else
    return reduce_p(static_cast<Acc>(sum));  // 16-bit residues: no wrap
}

// A vector of such sums: residues added up without reduction, reduced once
// at the end.
class ExactSums {
 public:
  explicit ExactSums(uint32_t n) : sums_(n, 0), wraps_(n, 0) {}
  void add(uint32_t k, uint64_t v) {
    sums_[k] += v;
    wraps_[k] += sums_[k] < v;
  }
  // += a * x + b * y, entry by entry (a and b of the vector's length).
  void add_two(const uint32_t* a, uint64_t x, const uint32_t* b, uint64_t y) {
    add_two_scaled(sums_.data(), wraps_.data(), a, x, b, y, uint32_t(sums_.size()));
  }
  std::vector<uint32_t> residues(uint32_t p) const {
    const Reducer reduce_p{p};
    std::vector<uint32_t> r(sums_.size());
    for (std::size_t k = 0; k < r.size(); ++k)
      r[k] = uint32_t(reduce_entry(reduce_p, sums_[k], wraps_[k]));
    return r;
  }

 private:
  std::vector<uint64_t> sums_, wraps_;
};

}  // namespace zel::ZEL_BUILD

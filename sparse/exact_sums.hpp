// Vectors of exact sums of 64-bit products: each entry is a 64-bit sum and
// the number of times it wrapped past 2^64, so that value = wraps 2^64 +
// sum.  Products of 32-bit residues are added without any reduction; the
// caller reduces an entry when it needs its residue.
#pragma once

#include <cstdint>

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

}  // namespace zel::ZEL_BUILD

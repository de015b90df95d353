#include "sparse/session_projection.hpp"

#include <algorithm>

namespace zel::ZEL_BUILD {

namespace {

// splitmix64: a small generator whose sequence is fixed by its seed.
uint64_t next(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A coordinate as a residue in [0, p): the prime-field build keeps signed
// 16-bit values that stand for themselves mod p.
uint64_t residue(Coord c, uint32_t p) {
  if constexpr (kIntegerBuild)
    return c % p;
  else
    return static_cast<uint64_t>((static_cast<int64_t>(c) % p + p) % p);
}

}  // namespace

SessionProjection::SessionProjection(int32_t bk, int32_t D, uint32_t p)
    : rows_(std::max(bk, 1)), D_(std::max(D, 0)), p_(p) {
  uint64_t state = 0x5EED0F5E55105ull;  // same in every process of a session
  U_.resize(static_cast<size_t>(rows_) * D_);
  for (auto& u : U_) u = static_cast<uint32_t>(next(state) % p_);
}

void SessionProjection::apply(const Coord* x, uint32_t* out) const {
  for (int32_t i = 0; i < rows_; ++i) {
    const uint32_t* u = U_.data() + static_cast<size_t>(i) * D_;
    // Each reduced product is below 2^32: D of them fit in 64 bits.
    uint64_t acc = 0;
    for (int32_t j = 0; j < D_; ++j) acc += u[j] * residue(x[j], p_) % p_;
    out[i] = static_cast<uint32_t>(acc % p_);
  }
}

}  // namespace zel::ZEL_BUILD

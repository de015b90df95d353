// Integer build: integers modulo every prime of a batch at once.
#include "engine/coef/batch_residues.hpp"

namespace zel::ZEL_BUILD {

namespace {

// sums[l] := sum_j (d_j power_j,l mod p_l up to p_l), each term in [0, 2 p_l)
// by Shoup's method, so that the sum of fewer than 2^31 terms fits 64 bits.
// Products of 32-bit operands only: the loop over the primes vectorises (in
// the widest form the processor has).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
void sum_terms(uint64_t* sums, const uint32_t* digits, uint32_t words, const uint32_t* power,
               const uint32_t* shoup, const uint32_t* primes, uint32_t count) {
  for (uint32_t l = 0; l < count; ++l) sums[l] = 0;
  for (uint32_t j = 0; j < words; ++j) {
    const uint64_t d = digits[j];
    if (d == 0) continue;
    const uint32_t* pw = power + size_t(j) * count;
    const uint32_t* sh = shoup + size_t(j) * count;
    for (uint32_t l = 0; l < count; ++l) {
      const uint64_t q = (d * sh[l]) >> 32;
      sums[l] += d * pw[l] - q * primes[l];
    }
  }
}

}  // namespace

BatchResidues::BatchResidues(const uint32_t* primes, uint32_t count)
    : primes_(primes), count_(count), barrett_(count), sums_(count) {
  for (uint32_t l = 0; l < count; ++l) barrett_[l] = ~uint64_t(0) / primes[l];
  cover(2);
}

void BatchResidues::cover(uint32_t words) {
  if (words <= words_) return;
  power_.resize(size_t(words) * count_);
  shoup_.resize(size_t(words) * count_);
  for (uint32_t j = words_; j < words; ++j)
    for (uint32_t l = 0; l < count_; ++l) {
      const uint64_t p = primes_[l];
      const uint64_t pw = j == 0 ? 1 % p : (uint64_t(power_[size_t(j - 1) * count_ + l]) << 32) % p;
      power_[size_t(j) * count_ + l] = uint32_t(pw);
      shoup_[size_t(j) * count_ + l] = uint32_t((pw << 32) / p);
    }
  words_ = words;
}

void BatchResidues::put(const INT& c, Dom* const* lane, uint32_t k) {
  const uint32_t limbs = uint32_t(c._mp_size < 0 ? -c._mp_size : c._mp_size);
  constexpr uint32_t kPerLimb = sizeof(mp_limb_t) / sizeof(uint32_t);
  const uint32_t words = limbs * kPerLimb;
  cover(words);
  digits_.resize(words);
  for (uint32_t i = 0; i < limbs; ++i) {
    const mp_limb_t limb = c._mp_d[i];
    for (uint32_t h = 0; h < kPerLimb; ++h)
      digits_[i * kPerLimb + h] = uint32_t(uint64_t(limb) >> (32 * h));
  }
  sum_terms(sums_.data(), digits_.data(), words, power_.data(), shoup_.data(), primes_, count_);
  const bool negative = c._mp_size < 0;
  for (uint32_t l = 0; l < count_; ++l) {
    // Barrett's quotient estimate falls short by at most one.
    const uint64_t p = primes_[l], x = sums_[l];
    const uint64_t q = uint64_t((static_cast<unsigned __int128>(x) * barrett_[l]) >> 64);
    uint64_t r = x - q * p;
    if (r >= p) r -= p;
    lane[l][k] = Dom(negative && r != 0 ? p - r : r);
  }
}

}  // namespace zel::ZEL_BUILD

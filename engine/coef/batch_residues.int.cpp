// Integer build: integers modulo every prime of a batch at once.
#include "engine/coef/batch_residues.hpp"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace zel::ZEL_BUILD {

namespace {

// sums[l] := sum_j (d_j power_j,l mod p_l up to p_l), each term in [0, 2 p_l)
// by Shoup's method, so that the sum of fewer than 2^31 terms fits 64 bits.
// The tables hold `width` entries per word, a multiple of kGroup (zeros
// past the primes), and every product has two 32-bit operands: a group of
// primes is one vector of 64-bit lanes.
constexpr uint32_t kGroup = 8;

void sum_terms_plain(uint64_t* sums, const uint32_t* digits, uint32_t words,
                     const uint32_t* power, const uint32_t* shoup, const uint32_t* primes,
                     uint32_t width) {
  for (uint32_t l = 0; l < width; ++l) sums[l] = 0;
  for (uint32_t j = 0; j < words; ++j) {
    const uint64_t d = digits[j];
    const uint32_t* pw = power + size_t(j) * width;
    const uint32_t* sh = shoup + size_t(j) * width;
    for (uint32_t l = 0; l < width; ++l) {
      const uint64_t q = (d * sh[l]) >> 32;
      sums[l] += d * pw[l] - q * primes[l];
    }
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The forms with a zeroing mask of every lane: the plain ones pass an
// undefined vector through, which some compilers warn about.
constexpr __mmask8 kAll = 0xFF;

// Eight 32-bit entries as eight 64-bit lanes.
__attribute__((target("avx512f"), always_inline)) inline __m512i lanes_of(const uint32_t* v) {
  return _mm512_maskz_cvtepu32_epi64(kAll,
                                     _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v)));
}

// The products of the low 32 bits of each lane.
__attribute__((target("avx512f"), always_inline)) inline __m512i mul32(__m512i a, __m512i b) {
  return _mm512_maskz_mul_epu32(kAll, a, b);
}

__attribute__((target("avx512f"))) void sum_terms_avx512(uint64_t* sums, const uint32_t* digits,
                                                         uint32_t words, const uint32_t* power,
                                                         const uint32_t* shoup,
                                                         const uint32_t* primes, uint32_t width) {
  for (uint32_t g = 0; g < width; g += kGroup) {
    const __m512i p = lanes_of(primes + g);
    __m512i acc = _mm512_setzero_si512();
    for (uint32_t j = 0; j < words; ++j) {
      const __m512i d = _mm512_set1_epi64(int64_t(digits[j]));
      const size_t at = size_t(j) * width + g;
      const __m512i q = _mm512_maskz_srli_epi64(kAll, mul32(d, lanes_of(shoup + at)), 32);
      const __m512i term = _mm512_sub_epi64(mul32(d, lanes_of(power + at)), mul32(q, p));
      acc = _mm512_add_epi64(acc, term);
    }
    _mm512_storeu_si512(sums + g, acc);
  }
}
#endif

using SumTerms = void (*)(uint64_t*, const uint32_t*, uint32_t, const uint32_t*,
                          const uint32_t*, const uint32_t*, uint32_t);

SumTerms choose_sum_terms() {
#if defined(__x86_64__) && defined(__GNUC__)
  if (__builtin_cpu_supports("avx512f")) return sum_terms_avx512;
#endif
  return sum_terms_plain;
}

const SumTerms sum_terms = choose_sum_terms();

}  // namespace

BatchResidues::BatchResidues(const uint32_t* primes, uint32_t count)
    : count_(count),
      width_((count + kGroup - 1) / kGroup * kGroup),
      primes_(width_, 0),
      barrett_(count),
      sums_(width_) {
  for (uint32_t l = 0; l < count; ++l) {
    primes_[l] = primes[l];
    barrett_[l] = ~uint64_t(0) / primes[l];
  }
  cover(2);
}

void BatchResidues::cover(uint32_t words) {
  if (words <= words_) return;
  power_.resize(size_t(words) * width_, 0);
  shoup_.resize(size_t(words) * width_, 0);
  for (uint32_t j = words_; j < words; ++j)
    for (uint32_t l = 0; l < count_; ++l) {
      const uint64_t p = primes_[l];
      const uint64_t pw = j == 0 ? 1 % p : (uint64_t(power_[size_t(j - 1) * width_ + l]) << 32) % p;
      power_[size_t(j) * width_ + l] = uint32_t(pw);
      shoup_[size_t(j) * width_ + l] = uint32_t((pw << 32) / p);
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
  sum_terms(sums_.data(), digits_.data(), words, power_.data(), shoup_.data(), primes_.data(),
            width_);
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

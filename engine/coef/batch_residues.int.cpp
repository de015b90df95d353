// Integer build: integers modulo every prime of a batch at once.
#include "engine/coef/batch_residues.hpp"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include <algorithm>

#include "engine/coef/residue.hpp"
#include "engine/mem/cpu_features.hpp"

namespace zel::ZEL_BUILD {

namespace {

constexpr uint32_t kGroup = BatchResidues::kGroup;

// What the residues of one integer read, `width` entries per prime row (a
// multiple of kGroup, zeros past the primes: those lanes come out 0).
struct Tables {
  const uint32_t *power, *shoup;  // per word, as BatchResidues::power_
  const uint32_t *primes, *wrap, *wrap_shoup, *one_shoup, *factor, *factor_shoup;
  const uint32_t *chunk_wrap, *chunk_wrap_shoup;
  uint32_t width;
  uint32_t rows;  // words per chunk: the rows of the table
};

// The chunks of an integer of `words` words, the top one first: words
// [from, from + length), length at most `rows`.
uint32_t chunk_count(uint32_t words, uint32_t rows) { return (words + rows - 1) / rows; }

// x w mod p up to p, in [0, 2p), for x < 2^32 and w < p with its companion
// floor(w 2^32 / p) (Shoup's method).
inline uint64_t times(uint64_t x, uint64_t w, uint64_t w_shoup, uint64_t p) {
  return x * w - ((x * w_shoup) >> 32) * p;
}

inline uint64_t below(uint64_t t, uint64_t m) { return t >= m ? t - m : t; }

// out[l] := the residue modulo p_l of the integer of the given words and
// sign, times factor_l.  The sum of a chunk's terms (each in [0, 2p), far
// fewer than 2^31 of them) fits 64 bits; its two halves, weighted by
// 2^32 mod p and 1, give a value in [0, 4p).  The residue so far, times the
// chunk's weight, plus the chunk's is below 3p.
void residues_plain(uint32_t* out, const uint32_t* digits, uint32_t words, bool negative,
                    const Tables& t) {
  for (uint32_t l = 0; l < t.width; ++l) {
    const uint64_t p = t.primes[l];
    uint64_t r = 0;
    for (uint32_t k = chunk_count(words, t.rows); k-- > 0;) {
      const uint32_t from = k * t.rows, length = std::min(t.rows, words - from);
      uint64_t sum = 0;
      for (uint32_t j = 0; j < length; ++j) {
        const size_t at = size_t(j) * t.width + l;
        sum += times(digits[from + j], t.power[at], t.shoup[at], p);
      }
      uint64_t s = times(sum >> 32, t.wrap[l], t.wrap_shoup[l], p) +
                   times(sum & 0xFFFFFFFFu, 1, t.one_shoup[l], p);
      s = below(below(s, 2 * p), p);
      r = below(below(times(r, t.chunk_wrap[l], t.chunk_wrap_shoup[l], p) + s, 2 * p), p);
    }
    if (negative && r != 0) r = p - r;
    out[l] = uint32_t(below(times(r, t.factor[l], t.factor_shoup[l], p), p));
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, a group of eight primes per vector of 64-bit lanes.  The forms
// with a zeroing mask of every lane: the plain ones pass an undefined vector
// through, which some compilers warn about.
constexpr __mmask8 kAll = 0xFF;

// Eight 32-bit entries as eight 64-bit lanes.
__attribute__((target("avx512f"), always_inline)) inline __m512i lanes_of(const uint32_t* v) {
  return _mm512_maskz_cvtepu32_epi64(kAll,
                                     _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v)));
}

__attribute__((target("avx512f"), always_inline)) inline __m512i mul32(__m512i a, __m512i b) {
  return _mm512_maskz_mul_epu32(kAll, a, b);
}

__attribute__((target("avx512f"), always_inline)) inline __m512i times_v(__m512i x, __m512i w,
                                                                         __m512i w_shoup,
                                                                         __m512i p) {
  const __m512i q = _mm512_maskz_srli_epi64(kAll, mul32(x, w_shoup), 32);
  return _mm512_sub_epi64(mul32(x, w), mul32(q, p));
}

// t - m when t >= m, else t (t - m wraps above t then).
__attribute__((target("avx512f"), always_inline)) inline __m512i below_v(__m512i t, __m512i m) {
  return _mm512_maskz_min_epu64(kAll, t, _mm512_sub_epi64(t, m));
}

__attribute__((target("avx512f"))) void residues_avx512(uint32_t* out, const uint32_t* digits,
                                                        uint32_t words, bool negative,
                                                        const Tables& t) {
  const __m512i low_half = _mm512_set1_epi64(0xFFFFFFFF);
  const __m512i one = _mm512_set1_epi64(1);
  for (uint32_t g = 0; g < t.width; g += kGroup) {
    const __m512i p = lanes_of(t.primes + g);
    const __m512i twice_p = _mm512_add_epi64(p, p);
    __m512i r = _mm512_setzero_si512();
    for (uint32_t k = chunk_count(words, t.rows); k-- > 0;) {
      const uint32_t from = k * t.rows, length = std::min(t.rows, words - from);
      __m512i sum = _mm512_setzero_si512();
      for (uint32_t j = 0; j < length; ++j) {
        const __m512i d = _mm512_set1_epi64(int64_t(digits[from + j]));
        const size_t at = size_t(j) * t.width + g;
        sum = _mm512_add_epi64(sum, times_v(d, lanes_of(t.power + at), lanes_of(t.shoup + at), p));
      }
      __m512i s = _mm512_add_epi64(
          times_v(_mm512_maskz_srli_epi64(kAll, sum, 32), lanes_of(t.wrap + g),
                  lanes_of(t.wrap_shoup + g), p),
          times_v(_mm512_and_si512(sum, low_half), one, lanes_of(t.one_shoup + g), p));
      s = below_v(below_v(s, twice_p), p);
      r = _mm512_add_epi64(
          times_v(r, lanes_of(t.chunk_wrap + g), lanes_of(t.chunk_wrap_shoup + g), p), s);
      r = below_v(below_v(r, twice_p), p);
    }
    if (negative) r = _mm512_mask_sub_epi64(r, _mm512_test_epi64_mask(r, r), p, r);
    r = below_v(times_v(r, lanes_of(t.factor + g), lanes_of(t.factor_shoup + g), p), p);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + g), _mm512_maskz_cvtepi64_epi32(kAll, r));
  }
}

// The same with four 64-bit lanes per vector, a group as two halves.  The
// values stay below 2^63, so the signed comparison orders them.
__attribute__((target("avx2"), always_inline)) inline __m256i lanes4_of(const uint32_t* v) {
  return _mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)));
}

__attribute__((target("avx2"), always_inline)) inline __m256i times4(__m256i x, __m256i w,
                                                                    __m256i w_shoup, __m256i p) {
  const __m256i q = _mm256_srli_epi64(_mm256_mul_epu32(x, w_shoup), 32);
  return _mm256_sub_epi64(_mm256_mul_epu32(x, w), _mm256_mul_epu32(q, p));
}

__attribute__((target("avx2"), always_inline)) inline __m256i below4(__m256i t, __m256i m) {
  return _mm256_blendv_epi8(_mm256_sub_epi64(t, m), t, _mm256_cmpgt_epi64(m, t));
}

// The residues of four lanes from `at` on: what residues_plain computes.
struct Avx2Half {
  __m256i p, twice_p, r;
};

__attribute__((target("avx2"), always_inline)) inline __m256i reduced4(__m256i sum,
                                                                      const Tables& t,
                                                                      uint32_t at,
                                                                      const Avx2Half& h) {
  const __m256i s = _mm256_add_epi64(
      times4(_mm256_srli_epi64(sum, 32), lanes4_of(t.wrap + at), lanes4_of(t.wrap_shoup + at),
             h.p),
      times4(_mm256_and_si256(sum, _mm256_set1_epi64x(0xFFFFFFFF)), _mm256_set1_epi64x(1),
             lanes4_of(t.one_shoup + at), h.p));
  return below4(below4(s, h.twice_p), h.p);
}

__attribute__((target("avx2"), always_inline)) inline __m256i next_residue4(
    const Avx2Half& h, __m256i s, const Tables& t, uint32_t at) {
  const __m256i r = _mm256_add_epi64(
      times4(h.r, lanes4_of(t.chunk_wrap + at), lanes4_of(t.chunk_wrap_shoup + at), h.p), s);
  return below4(below4(r, h.twice_p), h.p);
}

__attribute__((target("avx2"), always_inline)) inline __m128i finished4(const Avx2Half& h,
                                                                       bool negative,
                                                                       const Tables& t,
                                                                       uint32_t at) {
  __m256i r = h.r;
  if (negative)
    r = _mm256_blendv_epi8(_mm256_sub_epi64(h.p, r), r,
                           _mm256_cmpeq_epi64(r, _mm256_setzero_si256()));
  r = below4(times4(r, lanes4_of(t.factor + at), lanes4_of(t.factor_shoup + at), h.p), h.p);
  // The low halves of the four lanes, in order.
  const __m256i picked = _mm256_permutevar8x32_epi32(r, _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0));
  return _mm256_castsi256_si128(picked);
}

__attribute__((target("avx2"))) void residues_avx2(uint32_t* out, const uint32_t* digits,
                                                   uint32_t words, bool negative,
                                                   const Tables& t) {
  for (uint32_t g = 0; g < t.width; g += kGroup) {
    Avx2Half lo, hi;
    lo.p = lanes4_of(t.primes + g);
    hi.p = lanes4_of(t.primes + g + 4);
    lo.twice_p = _mm256_add_epi64(lo.p, lo.p);
    hi.twice_p = _mm256_add_epi64(hi.p, hi.p);
    lo.r = hi.r = _mm256_setzero_si256();
    for (uint32_t k = chunk_count(words, t.rows); k-- > 0;) {
      const uint32_t from = k * t.rows, length = std::min(t.rows, words - from);
      __m256i sum_lo = _mm256_setzero_si256(), sum_hi = _mm256_setzero_si256();
      for (uint32_t j = 0; j < length; ++j) {
        const __m256i d = _mm256_set1_epi64x(int64_t(digits[from + j]));
        const size_t at = size_t(j) * t.width + g;
        sum_lo = _mm256_add_epi64(
            sum_lo, times4(d, lanes4_of(t.power + at), lanes4_of(t.shoup + at), lo.p));
        sum_hi = _mm256_add_epi64(
            sum_hi, times4(d, lanes4_of(t.power + at + 4), lanes4_of(t.shoup + at + 4), hi.p));
      }
      lo.r = next_residue4(lo, reduced4(sum_lo, t, g, lo), t, g);
      hi.r = next_residue4(hi, reduced4(sum_hi, t, g + 4, hi), t, g + 4);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + g), finished4(lo, negative, t, g));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + g + 4), finished4(hi, negative, t, g + 4));
  }
}
#endif

using Residues = void (*)(uint32_t*, const uint32_t*, uint32_t, bool, const Tables&);

// The forms this processor runs, the plain loop first, the fastest last.
std::vector<Residues> runnable_forms() {
  std::vector<Residues> forms = {residues_plain};
#if defined(__x86_64__) && defined(__GNUC__)
  if (__builtin_cpu_supports("avx2")) forms.push_back(residues_avx2);
  if (__builtin_cpu_supports("avx512f") && avx512_allowed()) forms.push_back(residues_avx512);
#endif
  return forms;
}

const std::vector<Residues>& forms() {
  static const std::vector<Residues> runnable = runnable_forms();
  return runnable;
}

uint32_t shoup_of(uint64_t w, uint64_t p) { return p == 0 ? 0 : uint32_t((w << 32) / p); }

}  // namespace

uint32_t BatchResidues::form_count() { return uint32_t(forms().size()); }

void BatchResidues::use_form(uint32_t k) { form_ = std::min(k, form_count() - 1); }

BatchResidues::BatchResidues(const uint32_t* primes, uint32_t count)
    : count_(count),
      width_((count + kGroup - 1) / kGroup * kGroup),
      form_(form_count() - 1),
      primes_(width_, 0),
      wrap_(width_, 0),
      wrap_shoup_(width_, 0),
      one_shoup_(width_, 0),
      factor_(width_, 0),
      factor_shoup_(width_, 0),
      chunk_wrap_(width_, 0),
      chunk_wrap_shoup_(width_, 0),
      out_(width_) {
  for (uint32_t l = 0; l < count; ++l) {
    const uint64_t p = primes[l];
    primes_[l] = uint32_t(p);
    wrap_[l] = uint32_t((uint64_t(1) << 32) % p);
    wrap_shoup_[l] = shoup_of(wrap_[l], p);
    one_shoup_[l] = shoup_of(1, p);
  }
  unscaled();
  cover(2);
}

void BatchResidues::cover(uint32_t words) {
  words = std::min(words, kChunkWords);
  if (words <= words_) return;
  power_.resize(size_t(words) * width_, 0);
  shoup_.resize(size_t(words) * width_, 0);
  for (uint32_t j = words_; j < words; ++j)
    for (uint32_t l = 0; l < count_; ++l) {
      const uint64_t p = primes_[l];
      const uint64_t pw = j == 0 ? 1 % p : (uint64_t(power_[size_t(j - 1) * width_ + l]) << 32) % p;
      power_[size_t(j) * width_ + l] = uint32_t(pw);
      shoup_[size_t(j) * width_ + l] = shoup_of(pw, p);
    }
  words_ = words;
  if (words_ == kChunkWords)
    for (uint32_t l = 0; l < count_; ++l) {
      const uint64_t p = primes_[l];
      chunk_wrap_[l] = uint32_t((uint64_t(power_[size_t(words_ - 1) * width_ + l]) << 32) % p);
      chunk_wrap_shoup_[l] = shoup_of(chunk_wrap_[l], p);
    }
}

void BatchResidues::set_factor(uint32_t l, uint32_t w) {
  factor_[l] = w;
  factor_shoup_[l] = shoup_of(w, primes_[l]);
}

void BatchResidues::unscaled() {
  for (uint32_t l = 0; l < count_; ++l) set_factor(l, 1 % primes_[l]);
}

void BatchResidues::scale_to_one(Dom* const* lane, uint32_t k) {
  for (uint32_t l = 0; l < count_; ++l) {
    const uint32_t p = primes_[l];
    set_factor(l, uint32_t(inv_Dom(lane[l][k], p)));
    lane[l][k] = Dom(1 % p);
  }
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
  const Tables t{power_.data(),      shoup_.data(),          primes_.data(),
                 wrap_.data(),       wrap_shoup_.data(),     one_shoup_.data(),
                 factor_.data(),     factor_shoup_.data(),   chunk_wrap_.data(),
                 chunk_wrap_shoup_.data(), width_,           words_};
  forms()[form_](out_.data(), digits_.data(), words, c._mp_size < 0, t);
  for (uint32_t l = 0; l < count_; ++l) lane[l][k] = Dom(out_[l]);
}

}  // namespace zel::ZEL_BUILD

// Residue arithmetic modulo the current prime, shared by the univariate
// layer and the kernels.
//
// Sums of many products are accumulated exactly in `Acc` and reduced once per
// coefficient: 64 bits hold 2^32 products of 16-bit residues, 128 bits any
// realistic number of products of 32-bit residues.
#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

using Acc = std::conditional_t<kIntegerBuild, unsigned __int128, uint64_t>;

inline Dom reduce(Acc a, uint32_t p) {
#if defined(__x86_64__)
  if constexpr (kIntegerBuild) {
    // One 128-by-64-bit division (the library call for a % p is slow); the
    // high word must be below p for the quotient to fit.
    uint64_t hi = static_cast<uint64_t>(a >> 64), quotient, remainder;
    if (hi >= p) hi %= p;
    asm("divq %4" : "=a"(quotient), "=d"(remainder) : "a"(static_cast<uint64_t>(a)), "d"(hi),
        "r"(static_cast<uint64_t>(p)));
    return static_cast<Dom>(remainder);
  }
#endif
  return static_cast<Dom>(a % p);
}

// reduce() for many sums modulo one p without a division per value
// (integer build): the sum is folded into 64 bits with 2^64 mod p, then
// reduced by Barrett's method with m = floor(2^64 / p), whose quotient
// estimate falls short by at most one.  The prime-field build's sums take
// one 64-bit remainder.
class Reducer {
 public:
  explicit Reducer(uint32_t p) : p_(p) {
    if constexpr (kIntegerBuild) {
      fast_ = p >= 2;
      c64_ = fast_ ? (0 - static_cast<uint64_t>(p)) % p : 0;
      m_ = fast_ ? ~uint64_t(0) / p : 0;
    }
  }
  Dom operator()(Acc a) const {
    if constexpr (kIntegerBuild) {
      if (fast_) {
        uint64_t hi = static_cast<uint64_t>(a >> 64);
        if (hi >> 32) hi %= p_;
        // hi 2^64 + lo = hi c64 + lo; a wrap past 2^64 adds c64 once more,
        // which cannot wrap again since (hi + 1) c64 < 2^64.
        const uint64_t x = hi * c64_;
        uint64_t sum = x + static_cast<uint64_t>(a);
        if (sum < x) sum += c64_;
        const uint64_t q = static_cast<uint64_t>((static_cast<unsigned __int128>(sum) * m_) >> 64);
        uint64_t r = sum - q * p_;
        if (r >= p_) r -= p_;
        return static_cast<Dom>(r);
      }
    }
    return reduce(a, p_);
  }

 private:
  uint32_t p_;
  bool fast_ = false;
  uint64_t c64_ = 0, m_ = 0;
};

// The exact product a*b as an accumulator term (one machine product: the
// factors are residues, the product fits 64 bits).
inline Acc mul_wide(Dom a, Dom b) { return static_cast<Acc>(static_cast<uint64_t>(a) * b); }

// Multiplication by one residue w many times (Shoup's method): with
// w' = floor(w 2^32 / p), x w - floor(x w' / 2^32) p lies in [0, 2p) for
// every x < 2^32, so a product costs two multiplications and no division.
class FixedFactor {
 public:
  FixedFactor(Dom w, uint32_t p)
      : w_(w), shoup_((static_cast<uint64_t>(w) << 32) / p), p_(p) {}
  Dom times(Dom x) const {
    const uint64_t q = (static_cast<uint64_t>(x) * shoup_) >> 32;
    return static_cast<Dom>(below_p(static_cast<uint64_t>(x) * w_ - q * p_, p_));
  }

  uint64_t factor() const { return w_; }
  uint64_t shoup() const { return shoup_; }

  // s - p when s >= p, else s, for s < 2p, without a branch: the loop
  // callers' operands are random, a branch would be mispredicted half the time.
  static uint64_t below_p(uint64_t s, uint64_t p) {
    const uint64_t t = s - p;
    return t + (p & (0 - (t >> 63)));
  }

 private:
  uint64_t w_, shoup_, p_;
};

// a + b mod p for residues a, b, without a branch.
inline Dom ADD(Dom a, Dom b, uint32_t p) {
  return static_cast<Dom>(FixedFactor::below_p(static_cast<uint64_t>(a) + b, p));
}

// a*b mod p.
inline Dom MUL(Dom a, Dom b, uint32_t p) {
  if constexpr (kIntegerBuild)
    return static_cast<Dom>(static_cast<uint64_t>(a) * b % p);
  else
    return static_cast<Dom>(static_cast<uint32_t>(a) * b % p);
}

// (a*b + c) mod p; a product of two residues plus a residue fits the
// intermediate (32 bits for p < 2^16, 64 bits for p < 2^32).
inline Dom ADDMUL(Dom a, Dom b, Dom c, uint32_t p) {
  if constexpr (kIntegerBuild)
    return static_cast<Dom>((static_cast<uint64_t>(a) * b + c) % p);
  else
    return static_cast<Dom>((static_cast<uint32_t>(a) * b + c) % p);
}

// -a mod p.
inline Dom NEG(Dom a, uint32_t p) { return a == 0 ? Dom(0) : static_cast<Dom>(p - a); }

// (a - b) mod p for reduced a, b.
inline Dom SUB(Dom a, Dom b, uint32_t p) {
  return a >= b ? static_cast<Dom>(a - b) : static_cast<Dom>(a + (p - b));
}

// A modulus this layer can work with: a prime whose residues fit the
// build's arithmetic, at most 65521 in the prime-field build (the symmetric
// kernels need |a| <= 32760).  A composite modulus has no inverses: the
// recurrences would give a wrong answer silently.
bool prime_ok(uint32_t p);

// a^-1 mod p for a prime p.  Zero has no inverse: the message is written,
// the modulus is flagged and 0 is returned, so later products vanish.
Dom INV_2args(Dom a, uint32_t p);

}  // namespace zel::ZEL_BUILD

// The symmetric residue representation of the prime-field build: the
// change-of-order steps set PrimeSign = p and PrimeHalf = (p-1)/2 before they
// build the dense rows of a multiplication matrix (entries in
// [-PrimeHalf, PrimeHalf]).  -1 until set.  Prime-field build only; exported
// under these plain names, so that a C caller of Zel_w_fglm sets them too.
#pragma once

#include <cstdint>

#include "engine/variant.hpp"

extern "C" {
extern int32_t PrimeSign;
extern int32_t PrimeHalf;
}

namespace zel::ZEL_BUILD {

// Sets both for the prime p.
inline void set_prime_sign(uint32_t p) {
  PrimeSign = static_cast<int32_t>(p);
  PrimeHalf = static_cast<int32_t>((p - 1) / 2);
}

}  // namespace zel::ZEL_BUILD

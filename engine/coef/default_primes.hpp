// The fixed table from which the integer build chooses its primes: the 40000
// largest primes below 2^32, in increasing order (4294075199 ... 4294967291).
#pragma once

#include <cstdint>

namespace zel {

inline constexpr int32_t kDefaultPrimes = 40000;

// The table, built on first use (a sieve over the top of the 32-bit range)
// and constant afterwards; shared by both builds.
const uint32_t* Zel_Default_Primes32();

}  // namespace zel

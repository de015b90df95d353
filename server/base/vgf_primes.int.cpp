// The table of the 20,000 largest primes below 2^32.
//
// Sieved once on first use rather than pasted as 20,000 literals: the window
// just below 2^32 that holds them is under 500,000 numbers wide, and its
// sieve by the primes below 2^16 takes a few milliseconds.
#include <memory>

#include "server/base/runtime.hpp"
#include "server/base/vgf.hpp"

namespace orv::ORV_BUILD {

namespace {

constexpr uint64_t kTop = uint64_t{1} << 32;
constexpr uint32_t kWindow = 500000;  // holds well over 20,000 primes

uint32_t table[kNbDefaultPrimes];

// Plain arrays: a std::vector of a standard type would be instantiated with
// default visibility and leak into the library's export table.
void sieve_top_primes() {
  std::unique_ptr<bool[]> composite(new bool[65536]());
  std::unique_ptr<bool[]> hit(new bool[kWindow]());
  const uint64_t lo = kTop - kWindow;
  for (uint32_t q = 2; q < 65536; ++q) {
    if (composite[q]) continue;
    for (uint32_t j = q * q; j < 65536; j += q) composite[j] = true;
    for (uint64_t m = (lo + q - 1) / q * q; m < kTop; m += q) hit[m - lo] = true;
  }
  uint32_t n = 0;
  for (uint32_t i = kWindow; i-- > 0 && n < kNbDefaultPrimes;)
    if (!hit[i]) table[kNbDefaultPrimes - 1 - n++] = static_cast<uint32_t>(lo + i);
  if (n < kNbDefaultPrimes) Fatal("Default_Primes32: sieve window too small\n");
}

}  // namespace

const uint32_t* Default_Primes32() {
  static const bool ready = (sieve_top_primes(), true);
  (void)ready;
  return table;
}

}  // namespace orv::ORV_BUILD

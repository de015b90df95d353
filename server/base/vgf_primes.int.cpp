// The table of the 20,000 largest primes below 2^32.
//
// Sieved once on first use rather than pasted as 20,000 literals: the window
// just below 2^32 that holds them is under 500,000 numbers wide, and its
// sieve by the primes below 2^16 takes a few milliseconds.
#include <vector>

#include "server/base/runtime.hpp"
#include "server/base/vgf.hpp"

namespace orv::ORV_BUILD {

namespace {

constexpr uint64_t kTop = uint64_t{1} << 32;
constexpr uint64_t kWindow = 500000;  // holds well over 20,000 primes

std::vector<uint32_t> sieve_top_primes() {
  std::vector<uint32_t> small;
  std::vector<bool> composite(65536, false);
  for (uint32_t i = 2; i < 65536; ++i) {
    if (composite[i]) continue;
    small.push_back(i);
    for (uint32_t j = i * i; j < 65536; j += i) composite[j] = true;
  }
  const uint64_t lo = kTop - kWindow;
  std::vector<bool> out(kWindow, false);
  for (uint32_t q : small) {
    uint64_t start = (lo + q - 1) / q * q;
    for (uint64_t m = start; m < kTop; m += q) out[m - lo] = true;
  }
  std::vector<uint32_t> primes;
  for (uint64_t i = 0; i < kWindow; ++i)
    if (!out[i]) primes.push_back(static_cast<uint32_t>(lo + i));
  if (primes.size() < kNbDefaultPrimes) Fatal("Default_Primes32: sieve window too small\n");
  primes.erase(primes.begin(), primes.end() - kNbDefaultPrimes);
  return primes;
}

}  // namespace

const uint32_t* Default_Primes32() {
  static const std::vector<uint32_t> table = sieve_top_primes();
  return table.data();
}

}  // namespace orv::ORV_BUILD

// The default prime table.  Shared by both builds, so compiled once (with the
// integer build's objects).
#include "engine/coef/default_primes.hpp"

#include <vector>

namespace zel {

namespace {

struct Table {
  uint32_t p[kDefaultPrimes];
  Table() {
    // The 40000 largest primes below 2^32 lie in its top 892,097 numbers; sieve
    // the top million with the primes below 2^16.
    constexpr uint64_t kTop = uint64_t(1) << 32;
    constexpr uint64_t kWindow = 1000000;
    constexpr uint64_t lo = kTop - kWindow;
    // Bytes, not bits: the marking loops write a few million entries, and a
    // packed bit costs a read-modify-write each (most of the process's start-up).
    std::vector<uint8_t> small(65536, 1);
    std::vector<uint8_t> composite(kWindow, 0);
    for (uint64_t q = 2; q < 65536; q++) {
      if (!small[q]) continue;
      for (uint64_t m = q * q; m < 65536; m += q) small[m] = 0;
      uint64_t first = (lo + q - 1) / q * q;
      for (uint64_t m = first; m < kTop; m += q) composite[m - lo] = 1;
    }
    int32_t k = kDefaultPrimes;
    for (uint64_t n = kTop - 1; k > 0; n--)
      if (!composite[n - lo]) p[--k] = uint32_t(n);
  }
};

}  // namespace

const uint32_t* Zel_Default_Primes32() {
  static const Table table;
  return table.p;
}

}  // namespace zel

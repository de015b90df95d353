// A request as a computer-algebra host makes it, through the binding's
// entries and the stand-in host: cyclic-4 modulo 65521, its reduced basis
// printed one polynomial per line (exponents and residues).
#include <cstdio>
#include <vector>

#include "engine/zel_binding.h"
#include "host/standin_host.hpp"

int main() {
  standin::Host host;
  const uint32_t n = 4, prime = 65521;
  // gbasis_init: four variables in one block, the prime, no recording.
  host.call(zel_gbasis_init, {host.integer(n), host.integer(0), host.integer(0),
                              host.integer(prime), host.integer(0)});
  // cyclic-4: x1+x2+x3+x4, x1x2+x2x3+x3x4+x4x1, ..., x1x2x3x4 - 1.
  for (uint32_t k = 1; k <= n; ++k) {
    std::vector<uint32_t> exps, coeffs;
    for (uint32_t i = 0; i < n; ++i) {
      if (k == n && i > 0) break;
      for (uint32_t j = 0; j < n; ++j) exps.push_back((j - i + n) % n < k ? 1 : 0);
      coeffs.push_back(1);
    }
    if (k == n) {
      exps.insert(exps.end(), n, 0);
      coeffs.push_back(prime - 1);
    }
    zel_send_poly(n, uint32_t(coeffs.size()), exps.data(), coeffs.data());
  }
  // compute: names for the time and the counts, verbosity 0, mode, options
  // (count 4: the count itself, _off, _index, _zone; the others default).
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");
  HostValue options = host.int32_rtable({4, 0, 0, 0}, {4});
  try {
    host.call(zel_gbasis_compute, {t, first, count, host.integer(0), host.integer(0),
                                   host.integer(0), host.integer(0), host.integer(0),
                                   host.string("ZEL_COMPUTE_GBASIS"), host.integer(0),
                                   host.integer(0), options});
  } catch (const standin::HostRaised& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  const long results = host.integer_of(host.value_of(count)).get_si();
  uint32_t m = uint32_t(host.integer_of(host.value_of(first)).get_ui()), next = 0;
  for (long k = 0; k < results; ++k, m = next) {
    std::vector<uint32_t> e(size_t(m) * n), c(m);
    if (zel_receive_poly(int32_t(k), n, m, e.data(), c.data(), &next) != 1) return 1;
    for (uint32_t i = 0; i < m; ++i) {
      std::printf("%s%u", i ? " + " : "", c[i]);
      for (uint32_t j = 0; j < n; ++j)
        if (e[i * n + j]) std::printf("*x%u^%u", j + 1, e[i * n + j]);
    }
    std::printf("\n");
  }
  return results == 7 ? 0 : 1;  // cyclic-4 has 7 polynomials in its reduced basis
}

// The allocation sweep's request through the host binding, with the
// stand-in host (alloc_failures.c): katsura-3 over the rationals, its
// coefficients sent and received as host integers (send_poly_gmp,
// receive_poly_gmp), the basis computed in between.  The allocations inside
// the entries are counted, the host's own made there included; or, with the
// host's integers on GMP's default functions (which end the process when
// memory runs out, as a host's own failure), only the binding's in the
// entries that carry integers (send_poly_gmp and receive_poly_gmp).
// A host that unwinds by longjmp runs the same request.  (Not under the
// sanitizers, as the sweep itself.)
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define AF_SANITIZED 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(AF_SANITIZED)
#include <gmpxx.h>

#include <cstring>
#include <new>
#include <vector>

#include "host/standin_host.hpp"
#include "support/zel_systems.h"
#include "zel_binding.h"

extern "C" int af_count(int on);

namespace {

// The entry with its allocations counted (and failing when chosen).
template <standin::Entry entry>
HostValue counted(HostKernel kv, HostValue args) {
  struct Pause {
    ~Pause() { af_count(0); }
  } pause;
  af_count(1);
  return entry(kv, args);
}

// Counting stops while the host makes an integer.
struct Uncounted {
  const int was = af_count(0);
  ~Uncounted() { af_count(was); }
};
HostValue (*host_from_integer)(HostKernel, long);
HostValue (*host_from_gmp_integer)(HostKernel, mpz_srcptr);
HostValue uncounted_from_integer(HostKernel kv, long n) {
  Uncounted u;
  return host_from_integer(kv, n);
}
HostValue uncounted_from_gmp_integer(HostKernel kv, mpz_srcptr z) {
  Uncounted u;
  return host_from_gmp_integer(kv, z);
}

constexpr int kN = 3;
constexpr int kVars = kN + 1;

struct Request {
  standin::Host host;
  // The arguments of the sends, made before any allocation fails.
  std::vector<std::vector<HostValue>> sends;
  std::vector<HostValue> compute;
  HostValue first = nullptr, count = nullptr, next = nullptr;
  bool count_all = true;  // the set-up and the compute counted too
  unsigned long long hash = 0;
};

Request* request;

void mix(unsigned long long x) { request->hash = (request->hash ^ x) * 1099511628211ULL; }

// A fresh exponent array of m terms for a receive.
HostValue exponents(uint32_t m) {
  return request->host.int32_rtable(std::vector<int32_t>(size_t(m) * kVars, 0),
                                    {int32_t(m) * kVars});
}

// The whole request; the hash of what comes back.
void run() {
  standin::Host& host = request->host;
  const bool all = request->count_all;
  host.call(all ? counted<zel_int_gbasis_init> : zel_int_gbasis_init,
            {host.integer(0), host.integer(kVars), host.integer(0), host.integer(0)});
  for (const auto& args : request->sends) host.call(counted<zel_int_send_poly_gmp>, args);
  host.call(all ? counted<zel_int_gbasis_compute> : zel_int_gbasis_compute, request->compute);
  request->hash = 1469598103934665603ULL;
  const long r = host.integer_of(host.value_of(request->count)).get_si();
  uint32_t m = uint32_t(host.integer_of(host.value_of(request->first)).get_ui());
  mix(uint64_t(r));
  for (long k = 0; k < r; ++k) {
    HostValue e = exponents(m);
    HostValue list = host.call(counted<zel_int_receive_poly_gmp>,
                               {host.integer(k), host.integer(kVars), host.integer(m), e,
                                request->next});
    mix(m);
    for (int32_t x : host.int32_elements(e)) mix(uint32_t(x));
    for (HostValue c : host.items_of(list)) {
      const mpz_class z = host.integer_of(c);
      mix(uint64_t(sgn(z)) + 7);
      for (size_t l = 0; l < mpz_size(z.get_mpz_t()); ++l) mix(mpz_getlimbn(z.get_mpz_t(), l));
    }
    if (k + 1 < r) m = uint32_t(host.integer_of(host.value_of(request->next)).get_ui());
  }
}

}  // namespace

extern "C" {

// The host and the request's arguments; with gmp_defaults, the host's
// integers on GMP's default functions, and out of the count.  With
// longjmp, the host unwinds its calls as a host written in C does, and one
// host error has been raised that way before the request: the library must
// take its own memory failures for its own all the same.
void af_binding_prepare(int gmp_defaults, int longjmp) {
  request = new Request;
  standin::Host& host = request->host;
  if (longjmp) {
    // The engine's fatal error: a column limit no table can take.
    host.unwinding = standin::Unwinding::kLongjmp;
    host.call(zel_int_gbasis_init, {host.integer(0), host.integer(1), host.integer(0),
                                    host.integer(0)});
    try {
      host.call(zel_int_gbasis_compute,
                {host.name("t"), host.name("first"), host.name("count"), host.integer(0),
                 host.integer(0), host.integer(0), host.integer(0), host.integer(0),
                 host.string("ZEL_COMPUTE_GBASIS"), host.integer(0), host.integer(0),
                 host.int32_rtable({4, 0, 10, 0}, {4})});
    } catch (const standin::HostRaised&) {
    }
  }
  if (gmp_defaults) {
    request->count_all = false;
    mp_set_memory_functions(nullptr, nullptr, nullptr);
    // The binding reaches the host's operations through the kernel handle.
    auto& ops = const_cast<HostOperations&>(*host.kernel());
    host_from_integer = ops.from_integer;
    host_from_gmp_integer = ops.from_gmp_integer;
    ops.from_integer = uncounted_from_integer;
    ops.from_gmp_integer = uncounted_from_gmp_integer;
  }
  zs_poly sys[kVars];
  zs_katsura(kN, sys);
  for (int k = 0; k < kVars; ++k) {
    std::vector<HostValue> coeffs;
    // Coefficients beyond a machine word, so that GMP allocates.
    for (int i = 0; i < sys[k].nterms; ++i)
      coeffs.push_back(host.integer(mpz_class(sys[k].c[i]) << 100));
    request->sends.push_back(
        {host.integer(kVars), host.integer(sys[k].nterms),
         host.int32_rtable(std::vector<int32_t>(sys[k].e, sys[k].e + sys[k].nterms * kVars),
                           {sys[k].nterms * kVars}),
         host.list(coeffs)});
    zs_free(&sys[k]);
  }
  request->first = host.name("first");
  request->count = host.name("count");
  request->next = host.name("next");
  request->compute = {host.name("t"),       request->first, request->count,
                      host.integer(0),      host.integer(0), host.integer(0),
                      host.integer(0),      host.integer(0), host.string("ZEL_COMPUTE_GBASIS"),
                      host.integer(0),      host.integer(0),
                      host.int32_rtable({4, 0, 0, 0}, {4})};
}

// Runs the request: 0 when it came through, 1 after a host error, whose
// message goes to `message`.
int af_binding_request(char* message, size_t size) {
  try {
    run();
    return 0;
  } catch (const standin::HostRaised& e) {
    std::strncpy(message, e.what(), size - 1);
    message[size - 1] = 0;
    return 1;
  }
}

// The hash of the last request that came through.
unsigned long long af_binding_hash(void) { return request->hash; }

}  // extern "C"
#endif

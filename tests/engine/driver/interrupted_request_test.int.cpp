// A request interrupted while it runs hands out nothing, in every mode and
// in any pass over the primes: stopped from another thread through the C
// interface (the stop flag, what a SIGINT handler sets), or through the
// binding of a host older than 11 (its SIGINT handler) or of a newer host
// (its interrupt check), it gives no result (no partial lift), says it was
// interrupted and gives its memory back; the next request answers as the
// first one did (support/stopped_requests.hpp).
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/call_zel.h"
#include "support/qq_capi.hpp"
#include "support/stopped_requests.hpp"
#include "support/zel_systems.h"

using zel_test::buchberger::NaiveGroebnerQQ;
using zel_test::buchberger::NMono;
using zel_test::buchberger::QPoly;

namespace {

constexpr int kKatsura = 5;
constexpr uint32_t kVars = kKatsura + 1;

std::vector<QPoly> katsura() {
  return zel_test::qq_system(NaiveGroebnerQQ{{0}}, zs_katsura, kKatsura);
}

// katsura-5 in a session of the C interface.
struct Session {
  std::vector<void*> in, out = std::vector<void*>(100000);
  Session() {
    zel_test::start_qq_session(0, kVars);
    in = zel_test::send_qq(katsura(), kVars);
  }
  ~Session() { Zel_int_reset_memory(); }

  UI32 run(int mode) {
    sZEL_Comp_Desc env{};
    env._compute = mode;
    double cpu = 0;
    // bk0 = 3: mode 11's second block.
    return Zel_int_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 3, -1, 0, &env);
  }
  std::vector<QPoly> results(UI32 count) { return zel_test::receive_qq(out.data(), count, kVars); }
};

// The same with its linear equation squared: every solution is double, so
// that the radical strategy adds the square-free minimal polynomial and
// computes a second basis.
struct DoubledSession : Session {
  DoubledSession() {
    const NaiveGroebnerQQ ring{{0}};
    const QPoly l = katsura().back();
    QPoly square;
    for (const auto& a : l)
      for (const auto& b : l) {
        zel_test::buchberger::QTerm t{a.e, a.c * b.c};
        for (size_t v = 0; v < t.e.size(); ++v) t.e[v] += b.e[v];
        square.push_back(t);
      }
    in.back() = zel_test::send_qq({ring.normalise(square)}, kVars)[0];
  }
};

// katsura-5 through the binding, at verbosity 4.
struct BindingRequest {
  standin::Host& host;
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");

  HostValue run(const char* mode) {
    host.call(zel_int_gbasis_init,
              {host.integer(0), host.integer(int(kVars)), host.integer(0), host.integer(0)});
    for (const QPoly& f : katsura()) {
      std::vector<int32_t> e;
      std::vector<HostValue> c;
      for (const auto& term : f) {
        e.insert(e.end(), term.e.begin(), term.e.end());
        c.push_back(host.integer(term.c.get_num()));
      }
      host.call(zel_int_send_poly_gmp, {host.integer(int(kVars)), host.integer(int(f.size())),
                                        host.int32_rtable(e, {int32_t(e.size())}), host.list(c)});
    }
    HostValue options = host.int32_rtable({4, 0, 0, 0}, {4});
    return host.call(
        zel_int_gbasis_compute,
        {t, first, count, host.integer(0), host.integer(4), host.integer(0), host.integer(0),
         host.integer(0), host.string(mode), host.integer(0), host.integer(0), options});
  }

  std::vector<QPoly> received() {
    std::vector<QPoly> r;
    const long n = host.integer_of(host.value_of(count)).get_si();
    HostValue next = host.name("next");
    long m = host.integer_of(host.value_of(first)).get_si();
    for (long k = 0; k < n; ++k) {
      HostValue e =
          host.int32_rtable(std::vector<int32_t>(size_t(m) * kVars, 0), {int32_t(m * kVars)});
      HostValue list =
          host.call(zel_int_receive_poly_gmp,
                    {host.integer(k), host.integer(int(kVars)), host.integer(m), e, next});
      const std::vector<int32_t> exps = host.int32_elements(e);
      const std::vector<HostValue> cs = host.items_of(list);
      QPoly f;
      for (long i = 0; i < m; ++i)
        f.push_back({NMono(exps.begin() + kVars * i, exps.begin() + kVars * (i + 1)),
                     mpq_class(host.integer_of(cs[size_t(i)]))});
      r.push_back(f);
      if (k + 1 < n) m = host.integer_of(host.value_of(next)).get_si();
    }
    return r;
  }
};

TEST(InterruptedRequest, GivesNoResultSaysSoAndLeavesTheNextRequestRight) {
  using namespace zel_test;
  // In the first pass's basis, in its change of order (which polls
  // nothing), at the start of the second pass (the first one has lifted
  // results), in the radical strategy's second basis.
  for (int mode : {ZEL_COMPUTE_GBASIS, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY,
                   ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_GBASIS_MULTI, ZEL_COMPUTE_MATRIXN}) {
    stop_through_c_interface<Session>(mode, "[3]");
    if (mode != ZEL_COMPUTE_GBASIS) stop_through_c_interface<Session>(mode, "Maximal degree");
    stop_through_c_interface<Session>(mode, "/S:1");
  }
  stop_through_c_interface<DoubledSession>(ZEL_COMPUTE_RADICAL_STRATEG1, "Recompute DRL");
  stop_through_old_host<BindingRequest>("ZEL_COMPUTE_MINPOLY", "/S:1");
  stop_through_old_host<BindingRequest>("ZEL_COMPUTE_GBASIS", "[3]");
  stop_through_new_host<BindingRequest>("ZEL_COMPUTE_MINPOLY", "[3]");
  stop_through_hosts_in_c<BindingRequest>();
}

}  // namespace

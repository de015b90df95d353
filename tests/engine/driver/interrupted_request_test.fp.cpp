// A request interrupted while it runs hands out nothing, in every mode:
// stopped from another thread through the C interface (the stop flag, what
// a SIGINT handler sets), or through the binding of a host older than 11
// (its SIGINT handler) or of a newer host (its interrupt check), it gives
// no result, says it was interrupted and gives its memory back; the next
// request answers as the first one did (support/stopped_requests.hpp).
#include <gtest/gtest.h>

#include <vector>

#include "engine/api/binding.hpp"
#include "engine/call_zel.h"
#include "support/stopped_requests.hpp"
#include "support/zel_systems.h"

using namespace zel::fp_build;

namespace {

constexpr UI32 kP = 65521;
constexpr int kKatsura = 5;
constexpr UI32 kVars = kKatsura + 1;

using Terms = std::vector<std::pair<std::vector<UI32>, UI32>>;
using Results = std::vector<Terms>;

// katsura-5 as residues modulo kP.
struct Katsura {
  std::vector<zs_poly> sys = std::vector<zs_poly>(kKatsura + 1);
  Katsura() { zs_katsura(kKatsura, sys.data()); }
  ~Katsura() {
    for (auto& f : sys) zs_free(&f);
  }
};

// katsura-5 in a session of the C interface.
struct Session {
  std::vector<void*> in, out = std::vector<void*>(100000);
  Session() {
    zs_session(0, kVars, kP, 0);
    Katsura k;
    for (auto& f : k.sys) in.push_back(zs_send(&f));
  }
  ~Session() { Zel_reset_memory(); }

  UI32 run(int mode) {
    sZEL_Comp_Desc env{};
    env._compute = mode;
    env._aggressive2 = env._dlim = env._skip = -1;
    double cpu = 0;
    // bk0 = 3: mode 11's second block.
    return Zel_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 3, 8, 0, &env);
  }
  Results results(UI32 count) {
    Results r;
    for (UI32 k = 0; k < count; ++k) {
      const UI32 m = Zel_nb_terms(out[k]);
      std::vector<UI32> e(size_t(m) * kVars + 1), c(m + 1);
      EXPECT_EQ(Zel_export_poly(kVars, m, e.data(), c.data(), out[k]), 1);
      r.emplace_back();
      for (UI32 t = 0; t < m; ++t)
        r.back().push_back(
            {std::vector<UI32>(e.begin() + t * kVars, e.begin() + (t + 1) * kVars), c[t]});
    }
    return r;
  }
};

// The same with its linear equation squared: every solution is double, so
// that the radical strategy adds the square-free minimal polynomial and
// computes a second basis.
struct DoubledSession : Session {
  DoubledSession() {
    Katsura k;
    const zs_poly& l = k.sys[kKatsura];
    zs_poly square;
    zs_init(&square, int(kVars));
    for (int a = 0; a < l.nterms; ++a)
      for (int b = 0; b < l.nterms; ++b) {
        int e[kVars];
        for (UI32 v = 0; v < kVars; ++v) e[v] = l.e[a * kVars + v] + l.e[b * kVars + v];
        zs_add_term(&square, e, l.c[a] * l.c[b]);
      }
    in.back() = zs_send(&square);
    zs_free(&square);
  }
};

// katsura-5 through the binding, at verbosity 4.
struct BindingRequest {
  standin::Host& host;
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");

  HostValue run(const char* mode, standin::Entry compute = zel_gbasis_compute) {
    host.call(zel_gbasis_init, {host.integer(0), host.integer(int(kVars)), host.integer(0),
                                host.integer(int(kP)), host.integer(0)});
    Katsura k;
    for (auto& p : k.sys) {
      std::vector<UI32> e(p.e, p.e + size_t(p.nterms) * kVars);
      std::vector<UI32> c;
      for (int i = 0; i < p.nterms; ++i) c.push_back(UI32((p.c[i] % kP + kP) % kP));
      EXPECT_EQ(zel_send_poly(kVars, UI32(p.nterms), e.data(), c.data()), 1);
    }
    HostValue options = host.int32_rtable({4, 0, 0, 0}, {4});
    return host.call(compute, {t, first, count, host.integer(0), host.integer(4), host.integer(0),
                               host.integer(0), host.integer(0), host.string(mode), host.integer(0),
                               host.integer(0), options});
  }

  Results received() {
    Results r;
    const long n = host.integer_of(host.value_of(count)).get_si();
    UI32 next = 0;
    for (long k = 0; k < n; ++k) {
      const UI32 m = k == 0 ? UI32(host.integer_of(host.value_of(first)).get_ui()) : next;
      std::vector<UI32> e(size_t(m) * kVars), c(m);
      EXPECT_EQ(zel_receive_poly(I32(k), kVars, m, e.data(), c.data(), &next), 1);
      r.emplace_back();
      for (UI32 i = 0; i < m; ++i)
        r.back().push_back(
            {std::vector<UI32>(e.begin() + i * kVars, e.begin() + (i + 1) * kVars), c[i]});
    }
    return r;
  }
};

// The compute of a stop that comes after the engine's last look at the
// flag: the request has its whole answer, then the flag is set.
uint32_t basis_then_stop(void** in, uint32_t n, double* cpu, int32_t bk0, int32_t pas0,
                         int32_t restrict_, sZEL_Comp_Desc* record) {
  const uint32_t r =
      Zel_groebner(in, n, module_table.base, 1, 0, cpu, bk0, pas0, restrict_, record);
  Zel_stop_immediately_semaphore = 1;
  return r;
}
HostValue compute_then_stop(HostKernel kv, HostValue args) {
  zel::bind_host(kv);
  return run_compute(kv, args, false, basis_then_stop);
}

// Such a stop gives no result either: -2 always comes with none.
void late_stop_case() {
  zel_test::BindingCaseEnd end;
  standin::Host host;
  host.version = "Maple 10.0";
  BindingRequest request{host};
  EXPECT_EQ(host.integer_of(request.run("ZEL_COMPUTE_GBASIS", compute_then_stop)), -2);
  EXPECT_EQ(host.integer_of(host.value_of(request.count)), 0);
  EXPECT_EQ(Zel_stop_immediately_semaphore, 0);
}

TEST(InterruptedRequest, GivesNoResultSaysSoAndLeavesTheNextRequestRight) {
  using namespace zel_test;
  // In the first basis, before its strong inter-reduction, in the change of
  // order (which polls nothing), in the radical strategy's second basis.
  for (int mode : {ZEL_COMPUTE_GBASIS, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY,
                   ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_GBASIS_MULTI, ZEL_COMPUTE_MATRIXN}) {
    stop_through_c_interface<Session>(mode, "[3]");
    stop_through_c_interface<Session>(mode, "Mingbasis2");
    if (mode != ZEL_COMPUTE_GBASIS) stop_through_c_interface<Session>(mode, "Maximal degree");
  }
  stop_through_c_interface<DoubledSession>(ZEL_COMPUTE_RADICAL_STRATEG1, "Recompute DRL");
  stop_through_old_host<BindingRequest>("ZEL_COMPUTE_RRFORM", "[3]");
  stop_through_old_host<BindingRequest>("ZEL_COMPUTE_GBASIS", "Mingbasis2");
  stop_through_new_host<BindingRequest>("ZEL_COMPUTE_RRFORM", "[3]");
  stop_through_hosts_in_c<BindingRequest>();
  late_stop_case();
}

}  // namespace

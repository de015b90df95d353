// A request interrupted while it runs hands out nothing, in every mode:
// stopped from another thread through the C interface (the stop flag, what
// a SIGINT handler sets), or through the binding of a host older than 11
// (its SIGINT handler) or of a newer host (its interrupt check), it gives
// no result, says it was interrupted and gives its memory back; the next
// request answers as the first one did.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/api/binding.hpp"
#include "engine/api/handles.hpp"
#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/call_zel.h"
#include "engine/mem/zone.hpp"
#include "engine/zel_binding.h"
#include "host/standin_host.hpp"
#include "support/interrupter.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel::fp_build;

namespace {

constexpr UI32 kP = 65521;
constexpr int kKatsura = 5;
constexpr UI32 kVars = kKatsura + 1;

using Terms = std::vector<std::pair<std::vector<UI32>, UI32>>;
using Results = std::vector<Terms>;

// Where the three zones stand: an interrupted request leaves them there.
std::vector<std::pair<uint32_t, const char*>> zone_tops() {
  std::vector<std::pair<uint32_t, const char*>> tops;
  for (const GarbageZone& z : garbage_zone) tops.emplace_back(z.cur_garbages, z.bignum_tas);
  return tops;
}

// katsura-5 as residues modulo kP.
std::vector<zs_poly> katsura() {
  std::vector<zs_poly> sys(kKatsura + 1);
  zs_katsura(kKatsura, sys.data());
  return sys;
}

// ---- through the C interface ---------------------------------------------------

// A C caller's host whose printing the interrupter watches; a raise (any
// fatal error) throws.
zel_test::Interrupter* watcher = nullptr;
std::string printed;
void watched_print(const char* text) {
  printed += text;
  if (watcher) watcher->saw(text);
}
void raise_error(const char* text) { throw zel_test::HostError(text); }
int no_interrupt() { return 0; }
void no_check() {}
double no_version() { return 0.0; }
const zel::HostServices kWatchedHost = {watched_print, watched_print, raise_error,
                                        no_interrupt,  no_check,      no_version};

Results exported(void* const* out, UI32 count) {
  Results r;
  for (UI32 k = 0; k < count; ++k) {
    const UI32 m = Zel_nb_terms(out[k]);
    std::vector<UI32> e(size_t(m) * kVars + 1), c(m + 1);
    EXPECT_EQ(Zel_export_poly(kVars, m, e.data(), c.data(), out[k]), 1);
    r.emplace_back();
    for (UI32 t = 0; t < m; ++t)
      r.back().push_back({std::vector<UI32>(e.begin() + t * kVars, e.begin() + (t + 1) * kVars),
                          c[t]});
  }
  return r;
}

UI32 groebner(std::vector<void*>& in, std::vector<void*>& out, int mode) {
  sZEL_Comp_Desc env{};
  env._compute = mode;
  env._aggressive2 = env._dlim = env._skip = -1;
  double cpu = 0;
  // bk0 = 3: mode 11's second block.
  return Zel_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 3, 8, 0, &env);
}

void c_interface_case(int mode, const char* marker) {
  SCOPED_TRACE(std::string("mode ") + std::to_string(mode) + " stopped at " + marker);
  zel_test::Interrupter interrupter([] { Zel_stop_immediately_semaphore = 1; });
  const zel::HostServices previous = zel::set_host(kWatchedHost);
  zel::Zel_verb_info = 4;
  watcher = &interrupter;
  std::vector<zs_poly> sys = katsura();
  zs_session(0, kVars, kP, 0);
  std::vector<void*> in, out(100000);
  for (auto& f : sys) in.push_back(zs_send(&f));
  const Results expected = exported(out.data(), groebner(in, out, mode));

  printed.clear();
  interrupter.arm(marker);
  const auto tops = zone_tops();
  const uint32_t handles = handle_count();
  const UI32 count = groebner(in, out, mode);
  ASSERT_TRUE(interrupter.fired()) << printed;
  EXPECT_EQ(count, 0u);
  EXPECT_NE(printed.find("interrupted"), std::string::npos);
  EXPECT_EQ(Zel_stop_immediately(), 1);
  EXPECT_EQ(handle_count(), handles);
  EXPECT_EQ(zone_tops(), tops);

  // The caller's host clears the flag (the binding does); the same request
  // in the same session then answers in full.
  Zel_stop_immediately_semaphore = 0;
  EXPECT_EQ(exported(out.data(), groebner(in, out, mode)), expected);

  watcher = nullptr;
  zel::Zel_verb_info = 0;
  zel::set_host(previous);
  for (auto& f : sys) zs_free(&f);
  Zel_reset_memory();
}

// ---- through the binding -------------------------------------------------------

struct BindingRequest {
  standin::Host& host;
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");

  HostValue run(const char* mode, standin::Entry compute = zel_gbasis_compute) {
    host.call(zel_gbasis_init, {host.integer(0), host.integer(int(kVars)), host.integer(0),
                                host.integer(int(kP)), host.integer(0)});
    std::vector<zs_poly> sys = katsura();
    for (auto& p : sys) {
      std::vector<UI32> e(p.e, p.e + size_t(p.nterms) * kVars);
      std::vector<UI32> c;
      for (int k = 0; k < p.nterms; ++k) c.push_back(UI32((p.c[k] % kP + kP) % kP));
      EXPECT_EQ(zel_send_poly(kVars, UI32(p.nterms), e.data(), c.data()), 1);
      zs_free(&p);
    }
    HostValue options = host.int32_rtable({4, 0, 0, 0}, {4});
    return host.call(compute,
                     {t, first, count, host.integer(0), host.integer(4), host.integer(0),
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

// A host older than 11: its SIGINT handler sets the stop flag, and the
// compute returns -2 with no result.
void old_host_case(const char* mode, const char* marker) {
  SCOPED_TRACE(std::string(mode) + " stopped at " + marker);
  standin::Host host;
  host.version = "Maple 10.0";
  zel_test::Interrupter interrupter([] { raise(SIGINT); });
  host.on_print = [&](const std::string& text) { interrupter.saw(text); };
  BindingRequest request{host};
  request.run(mode);
  const Results expected = request.received();

  host.printed.clear();
  interrupter.arm(marker);
  HostValue r = request.run(mode);
  ASSERT_TRUE(interrupter.fired()) << host.printed;
  EXPECT_EQ(host.integer_of(r), -2);
  EXPECT_EQ(host.integer_of(host.value_of(request.count)), 0);
  EXPECT_NE(host.printed.find("interrupted"), std::string::npos);

  request.run(mode);
  EXPECT_EQ(request.received(), expected);
  zel::set_host(zel::default_host());
  zel::Zel_verb_info = 0;
  forget_host_version();
  zel::restore_sigint();
}

// A host from version 13: the user's interrupt, seen at the next poll of
// the host, unwinds the compute into the host with its own message.
void new_host_case(const char* mode, const char* marker) {
  SCOPED_TRACE(std::string(mode) + " stopped at " + marker);
  standin::Host host;
  host.version = "Maple 13.0";
  zel_test::Interrupter interrupter([&host] {
    host.interrupt = true;
    count_interrupt = 0xFFF;  // the next poll asks the host
  });
  host.on_print = [&](const std::string& text) { interrupter.saw(text); };
  BindingRequest request{host};
  request.run(mode);
  const Results expected = request.received();

  interrupter.arm(marker);
  std::string raised;
  try {
    request.run(mode);
  } catch (const standin::HostRaised& e) {
    raised = e.what();
  }
  ASSERT_TRUE(interrupter.fired()) << host.printed;
  EXPECT_EQ(raised, "interrupted");

  request.run(mode);
  EXPECT_EQ(request.received(), expected);
  zel::set_host(zel::default_host());
  zel::Zel_verb_info = 0;
  forget_host_version();
}

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
  standin::Host host;
  host.version = "Maple 10.0";
  BindingRequest request{host};
  EXPECT_EQ(host.integer_of(request.run("ZEL_COMPUTE_GBASIS", compute_then_stop)), -2);
  EXPECT_EQ(host.integer_of(host.value_of(request.count)), 0);
  EXPECT_EQ(Zel_stop_immediately_semaphore, 0);
  zel::set_host(zel::default_host());
  zel::Zel_verb_info = 0;
  forget_host_version();
  zel::restore_sigint();
}

TEST(InterruptedRequest, GivesNoResultSaysSoAndLeavesTheNextRequestRight) {
  // In the first basis, before its strong inter-reduction, in the change of
  // order (which polls nothing), in the radical strategy's second basis.
  for (int mode : {ZEL_COMPUTE_GBASIS, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY,
                   ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_GBASIS_MULTI, ZEL_COMPUTE_MATRIXN}) {
    c_interface_case(mode, "[3]");
    c_interface_case(mode, "Mingbasis2");
    if (mode != ZEL_COMPUTE_GBASIS) c_interface_case(mode, "Maximal degree");
  }
  c_interface_case(ZEL_COMPUTE_RADICAL_STRATEG1, "Recompute DRL");
  old_host_case("ZEL_COMPUTE_RRFORM", "[3]");
  old_host_case("ZEL_COMPUTE_GBASIS", "Mingbasis2");
  new_host_case("ZEL_COMPUTE_RRFORM", "[3]");
  late_stop_case();
}

}  // namespace

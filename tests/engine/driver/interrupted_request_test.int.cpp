// A request interrupted while it runs hands out nothing, in every mode and
// in any pass over the primes: stopped from another thread through the C
// interface (the stop flag, what a SIGINT handler sets), or through the
// binding of a host older than 11 (its SIGINT handler) or of a newer host
// (its interrupt check), it gives no result (no partial lift), says it was
// interrupted and gives its memory back; the next request answers as the
// first one did.
#include <gmpxx.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
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
#include "support/qq_capi.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel::int_build;
using zel_test::buchberger::NMono;
using zel_test::buchberger::QPoly;

namespace {

constexpr int kKatsura = 5;
constexpr uint32_t kVars = kKatsura + 1;

// Where the three zones stand: an interrupted request leaves them there.
std::vector<std::pair<uint32_t, const char*>> zone_tops() {
  std::vector<std::pair<uint32_t, const char*>> tops;
  for (const GarbageZone& z : garbage_zone) tops.emplace_back(z.cur_garbages, z.bignum_tas);
  return tops;
}

// katsura-5 over the integers.
std::vector<QPoly> katsura() {
  std::vector<zs_poly> raw(kKatsura + 1);
  zs_katsura(kKatsura, raw.data());
  std::vector<QPoly> F;
  for (auto& r : raw) {
    QPoly f;
    for (int t = 0; t < r.nterms; ++t) {
      const int* e = r.e + size_t(t) * size_t(r.nvars);
      f.push_back({NMono(e, e + r.nvars), mpq_class(r.c[t])});
    }
    F.push_back(f);
    zs_free(&r);
  }
  return F;
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

UI32 groebner(std::vector<void*>& in, std::vector<void*>& out, int mode) {
  sZEL_Comp_Desc env{};
  env._compute = mode;
  double cpu = 0;
  // bk0 = 3: mode 11's second block.
  return Zel_int_groebner(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 3, -1, 0, &env);
}

void c_interface_case(int mode, const char* marker) {
  SCOPED_TRACE(std::string("mode ") + std::to_string(mode) + " stopped at " + marker);
  zel_test::Interrupter interrupter([] { Zel_int_stop_immediately_semaphore = 1; });
  const zel::HostServices previous = zel::set_host(kWatchedHost);
  zel::Zel_verb_info = 4;
  watcher = &interrupter;
  zel_test::start_qq_session(0, kVars);
  std::vector<void*> in = zel_test::send_qq(katsura(), kVars), out(100000);
  const auto expected = zel_test::receive_qq(out.data(), groebner(in, out, mode), kVars);

  printed.clear();
  interrupter.arm(marker);
  const auto tops = zone_tops();
  const uint32_t handles = handle_count();
  const UI32 count = groebner(in, out, mode);
  ASSERT_TRUE(interrupter.fired()) << printed;
  EXPECT_EQ(count, 0u);
  EXPECT_NE(printed.find("interrupted"), std::string::npos);
  EXPECT_EQ(Zel_int_stop_immediately(), 1);
  EXPECT_EQ(handle_count(), handles);
  EXPECT_EQ(zone_tops(), tops);

  // The caller's host clears the flag (the binding does); the same request
  // in the same session then answers in full.
  Zel_int_stop_immediately_semaphore = 0;
  EXPECT_EQ(zel_test::receive_qq(out.data(), groebner(in, out, mode), kVars), expected);

  watcher = nullptr;
  zel::Zel_verb_info = 0;
  zel::set_host(previous);
  Zel_int_reset_memory();
}

// ---- through the binding -------------------------------------------------------

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
    return host.call(zel_int_gbasis_compute,
                     {t, first, count, host.integer(0), host.integer(4), host.integer(0),
                      host.integer(0), host.integer(0), host.string(mode), host.integer(0),
                      host.integer(0), options});
  }

  std::vector<QPoly> received() {
    std::vector<QPoly> r;
    const long n = host.integer_of(host.value_of(count)).get_si();
    HostValue next = host.name("next");
    long m = host.integer_of(host.value_of(first)).get_si();
    for (long k = 0; k < n; ++k) {
      HostValue e = host.int32_rtable(std::vector<int32_t>(size_t(m) * kVars, 0),
                                      {int32_t(m * kVars)});
      HostValue list = host.call(zel_int_receive_poly_gmp,
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
  const std::vector<QPoly> expected = request.received();

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
  const std::vector<QPoly> expected = request.received();

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

TEST(InterruptedRequest, GivesNoResultSaysSoAndLeavesTheNextRequestRight) {
  // In the first pass's basis, in its change of order (which polls
  // nothing), at the start of the second pass (the first one has lifted
  // results), in the radical strategy's second basis.
  for (int mode : {ZEL_COMPUTE_GBASIS, ZEL_COMPUTE_RRFORM, ZEL_COMPUTE_MINPOLY,
                   ZEL_COMPUTE_RADICAL_STRATEG1, ZEL_COMPUTE_GBASIS_MULTI, ZEL_COMPUTE_MATRIXN}) {
    c_interface_case(mode, "[3]");
    if (mode != ZEL_COMPUTE_GBASIS) c_interface_case(mode, "Maximal degree");
    c_interface_case(mode, "/S:1");
  }
  c_interface_case(ZEL_COMPUTE_RADICAL_STRATEG1, "Recompute DRL");
  old_host_case("ZEL_COMPUTE_MINPOLY", "/S:1");
  old_host_case("ZEL_COMPUTE_GBASIS", "[3]");
  new_host_case("ZEL_COMPUTE_MINPOLY", "[3]");
}

}  // namespace

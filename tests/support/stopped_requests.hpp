// The checks of an interrupted request, shared by both builds' tests: the
// request is stopped from another thread once it has printed a marker
// (interrupter.hpp), through the C interface or through the binding, and
// must give no result, say it was interrupted and leave the next request
// right.  The build's tests supply the request itself:
//
//   C interface (Session): the constructor starts a session and sends the
//   system; UI32 run(int mode) computes; results(count) reads the results
//   back in a comparable form; the destructor resets the memory.
//
//   Binding (Request, built on a standin::Host&): HostValue run(mode)
//   starts the request, sends the system and computes (the mode's name),
//   received() reads the results back, `count` is the name assigned the
//   result count.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <thread>
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

namespace zel_test {

// Where the build's three zones stand: an interrupted request leaves them
// there.
inline std::vector<std::pair<uint32_t, const char*>> zone_tops() {
  std::vector<std::pair<uint32_t, const char*>> tops;
  for (const auto& z : zel::ZEL_BUILD::garbage_zone)
    tops.emplace_back(z.cur_garbages, z.bignum_tas);
  return tops;
}

// A C caller's host (no interrupt check) whose printing the interrupter
// watches, at verbosity 4; a raise (any fatal error) throws.
struct WatchedHost {
  static inline Interrupter* watcher = nullptr;
  static inline std::string printed;
  static void print(const char* text) {
    printed += text;
    if (watcher) watcher->saw(text);
  }
  static void raise(const char* text) { throw HostError(text); }
  static int no_interrupt() { return 0; }
  static void no_check() {}
  static double no_version() { return 0.0; }

  explicit WatchedHost(Interrupter& interrupter)
      : previous_(zel::set_host({print, print, raise, no_interrupt, no_check, no_version})) {
    watcher = &interrupter;
    printed.clear();
    zel::Zel_verb_info = 4;
  }
  ~WatchedHost() {
    watcher = nullptr;
    zel::Zel_verb_info = 0;
    zel::set_host(previous_);
  }
  WatchedHost(const WatchedHost&) = delete;
  WatchedHost& operator=(const WatchedHost&) = delete;

 private:
  zel::HostServices previous_;
};

// Through the C interface: the stop flag set from another thread (what a
// SIGINT handler does).
template <class Session>
void stop_through_c_interface(int mode, const char* marker) {
  using namespace zel::ZEL_BUILD;
  SCOPED_TRACE(std::string("mode ") + std::to_string(mode) + " stopped at " + marker);
  Interrupter interrupter([] { ZEL_C(stop_immediately_semaphore) = 1; });
  WatchedHost host(interrupter);
  Session session;
  const auto expected = session.results(session.run(mode));

  WatchedHost::printed.clear();
  interrupter.arm(marker);
  const auto tops = zone_tops();
  const uint32_t handles = handle_count();
  const UI32 count = session.run(mode);
  ASSERT_TRUE(interrupter.fired()) << WatchedHost::printed;
  EXPECT_EQ(count, 0u);
  EXPECT_NE(WatchedHost::printed.find("interrupted"), std::string::npos);
  EXPECT_EQ(ZEL_C(stop_immediately)(), 1);
  EXPECT_EQ(handle_count(), handles);
  EXPECT_EQ(zone_tops(), tops);

  // The stop ended the request it stopped: the same request in the same
  // session then answers in full.
  EXPECT_EQ(session.results(session.run(mode)), expected);
  EXPECT_EQ(ZEL_C(stop_immediately)(), 0);
}

// Undoes what a binding case set up in the engine.
struct BindingCaseEnd {
  ~BindingCaseEnd() {
    zel::set_host(zel::default_host());
    zel::Zel_verb_info = 0;
    zel::ZEL_BUILD::forget_host_version();
    zel::restore_sigint();
  }
};

// A thread other than the host's can call the library once the host's call
// is over, however the host unwound it.
inline void another_thread_is_served() {
  std::string raised;
  std::thread([&raised] {
    standin::Host other;
    try {
      other.call(ZEL_LC(internal_version), {});
    } catch (const standin::HostRaised& e) {
      raised = e.what();
    }
  }).join();
  EXPECT_EQ(raised, "");
}

// A binding request of `host` stopped at `marker` by `interrupter`: the
// compute returns -2 with no result and says it was interrupted, or, when
// the host `unwinds` it, raises the host's "interrupted" and leaves the
// library to any thread; the next request answers as the first one did.
template <class Request>
void stopped_binding_request(standin::Host& host, Interrupter& interrupter, const char* mode,
                             const char* marker, bool unwinds = false) {
  host.on_print = [&](const std::string& text) { interrupter.saw(text); };
  Request request{host};
  request.run(mode);
  const auto expected = request.received();

  host.printed.clear();
  interrupter.arm(marker);
  if (unwinds) {
    std::string raised;
    try {
      request.run(mode);
    } catch (const standin::HostRaised& e) {
      raised = e.what();
    }
    ASSERT_TRUE(interrupter.fired()) << host.printed;
    EXPECT_EQ(raised, "interrupted");
    another_thread_is_served();
  } else {
    HostValue r = request.run(mode);
    ASSERT_TRUE(interrupter.fired()) << host.printed;
    EXPECT_EQ(host.integer_of(r), -2);
    EXPECT_EQ(host.integer_of(host.value_of(request.count)), 0);
    EXPECT_NE(host.printed.find("interrupted"), std::string::npos);
  }

  request.run(mode);
  EXPECT_EQ(request.received(), expected);
}

// Through the binding of a host older than 11: its SIGINT handler, raised
// on another thread, sets the stop flag; the compute returns -2 with no
// result.
template <class Request>
void stop_through_old_host(const char* mode, const char* marker) {
  SCOPED_TRACE(std::string(mode) + " stopped at " + marker);
  BindingCaseEnd end;
  standin::Host host;
  host.version = "Maple 10.0";
  Interrupter interrupter([] { raise(SIGINT); });
  stopped_binding_request<Request>(host, interrupter, mode, marker);
}

// Through the binding of a host from version 11 (13 by default): the user's
// interrupt, seen at the next poll of the host, unwinds the compute into
// the host with the host's own message, by an exception or, as a host
// written in C does, by longjmp.
template <class Request>
void stop_through_new_host(const char* mode, const char* marker,
                           standin::Unwinding unwinding = standin::Unwinding::kException,
                           const char* version = "Maple 13.0") {
  SCOPED_TRACE(std::string(mode) + " stopped at " + marker + " by " + version +
               (unwinding == standin::Unwinding::kLongjmp ? ", longjmp" : ""));
  BindingCaseEnd end;
  standin::Host host;
  host.version = version;
  host.unwinding = unwinding;
  Interrupter interrupter([&host] {
    host.interrupt = true;
    zel::ZEL_BUILD::count_interrupt = 0xFFF;  // the next poll asks the host
  });
  stopped_binding_request<Request>(host, interrupter, mode, marker, true);
}

// A host of version 13 that reports a pending interrupt, whose check then
// returns (the interrupt was taken back meanwhile): the memory was reset
// first, so the compute ends as an interrupted one all the same.
template <class Request>
void interrupt_taken_back(const char* mode, const char* marker) {
  SCOPED_TRACE(std::string(mode) + " interrupt taken back at " + marker);
  BindingCaseEnd end;
  standin::Host host;
  host.version = "Maple 13.0";
  static bool pending = false;
  auto& ops = const_cast<HostOperations&>(*host.kernel());
  ops.interrupt_value = [](HostKernel) -> int32_t { return std::exchange(pending, false); };
  Interrupter interrupter([] {
    pending = true;
    zel::ZEL_BUILD::count_interrupt = 0xFFF;
  });
  stopped_binding_request<Request>(host, interrupter, mode, marker);
}

// What a host written in C does: it unwinds by longjmp, from version 11 on,
// and may take back an interrupt it reported.
template <class Request>
void stop_through_hosts_in_c() {
  for (const char* version : {"Maple 12.0", "Maple 13.0"})
    stop_through_new_host<Request>("ZEL_COMPUTE_GBASIS", "[3]", standin::Unwinding::kLongjmp,
                                   version);
  for (const char* mode : {"ZEL_COMPUTE_GBASIS", "ZEL_COMPUTE_RRFORM", "ZEL_COMPUTE_MATRIXN"})
    interrupt_taken_back<Request>(mode, "[3]");
}

}  // namespace zel_test

// A host that unwinds a call by longjmp runs no destructor and no catch
// block of the library.  After such a call the library is free for any
// thread, and the next entry starts afresh; a call refused for another
// thread never reaches the holder's host; an entry called back from the
// host's print while a compute runs may only read.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/binding.hpp"
#include "engine/api/entry_guard.hpp"
#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/call_zel.h"
#include "engine/zel_binding.h"
#include "host/standin_host.hpp"
#include "support/child_case.h"
#include "support/stopped_requests.hpp"
#include "support/zel_systems.h"

namespace {

using standin::Host;
using standin::HostRaised;
using standin::Unwinding;

constexpr int kN = 4;  // katsura-4
constexpr int kVars = kN + 1;
constexpr const char* kOneThread = "the library serves one thread at a time";
constexpr const char* kFromCallback = "called from a host callback while a call runs";

using CaseEnd = zel_test::BindingCaseEnd;

// The raised message of a call, "" when it returned.
std::string raised_by(Host& host, standin::Entry entry, const std::vector<HostValue>& args) {
  try {
    host.call(entry, args);
  } catch (const HostRaised& e) {
    return e.what();
  }
  return "";
}

// katsura-4 through the binding of `host`.
struct Request {
  Host& host;
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");

  std::vector<HostValue> init_args() {
#ifdef ZEL_VARIANT_INT
    return {host.integer(0), host.integer(kVars), host.integer(0), host.integer(0)};
#else
    return {host.integer(0), host.integer(kVars), host.integer(0), host.integer(65521),
            host.integer(0)};
#endif
  }
  void send() {
    host.call(ZEL_LC(gbasis_init), init_args());
    std::vector<zs_poly> sys(kVars);
    zs_katsura(kN, sys.data());
    for (zs_poly& f : sys) {
      std::vector<int32_t> e(f.e, f.e + size_t(f.nterms) * kVars);
#ifdef ZEL_VARIANT_INT
      std::vector<HostValue> c;
      for (int i = 0; i < f.nterms; ++i) c.push_back(host.integer(f.c[i]));
      host.call(zel_int_send_poly_gmp, {host.integer(kVars), host.integer(f.nterms),
                                        host.int32_rtable(e, {int32_t(e.size())}), host.list(c)});
#else
      std::vector<UI32> ue(e.begin(), e.end()), c;
      for (int i = 0; i < f.nterms; ++i) c.push_back(UI32((f.c[i] % 65521 + 65521) % 65521));
      EXPECT_EQ(zel_send_poly(kVars, UI32(f.nterms), ue.data(), c.data()), 1);
#endif
      zs_free(&f);
    }
  }
  // The compute's answer: its value, the count and the first term count.
  std::string compute(HostValue mode, HostValue options = nullptr, int verbosity = 0) {
    if (options == nullptr) options = host.int32_rtable({4, 0, 0, 0}, {4});
    HostValue r = host.call(
        ZEL_LC(gbasis_compute),
        {t, first, count, host.integer(0), host.integer(verbosity), host.integer(0),
         host.integer(0), host.integer(0), mode, host.integer(0), host.integer(0), options});
    return host.show(r) + " " + host.show(host.value_of(count)) + " " +
           host.show(host.value_of(first));
  }
  std::string basis(int verbosity = 0) {
    send();
    return compute(host.string("ZEL_COMPUTE_GBASIS"), nullptr, verbosity);
  }
};

// One entry of the C interface and one of the binding, each on a thread of
// its own: "" when both were served.
std::string another_thread_calls() {
  std::string raised;
  std::thread([&raised] {
    ZEL_C(internal_version)();  // a refusal ends the process with status 1
    Host other;
    raised = raised_by(other, ZEL_LC(internal_version), {});
  }).join();
  return raised;
}

// A host error raised by longjmp (argument errors of the binding, then an
// interrupt at version 12 inside a compute) leaves the library to any
// thread.  Run in a child: a refused entry of the C interface ends the
// process.
void free_after_longjmp() {
  CaseEnd end;
  Host host;
  host.unwinding = Unwinding::kLongjmp;
  if (raised_by(host, ZEL_LC(debug_level), {host.string("x")}).empty()) _exit(2);
  if (!another_thread_calls().empty()) _exit(3);
  host.version = "Maple 12.0";
  Request request{host};
  request.send();
  // A value of the wrong type: the binding's own error, raised as any other.
  const std::string wrong = raised_by(
      host, ZEL_LC(gbasis_compute),
      {request.t, request.first, request.count, host.integer(0), host.string("v"), host.integer(0),
       host.integer(0), host.integer(0), host.string("ZEL_COMPUTE_GBASIS"), host.integer(0),
       host.integer(0), host.int32_rtable({4, 0, 0, 0}, {4})});
  if (wrong.find("integer expected for 5th argument") != 0) _exit(7);
  if (!another_thread_calls().empty()) _exit(8);
  host.interrupt = true;
  zel::ZEL_BUILD::count_interrupt = 0xFFF;
  try {
    request.compute(host.string("ZEL_COMPUTE_GBASIS"));
    _exit(4);
  } catch (const HostRaised& e) {
    if (std::strcmp(e.what(), "interrupted") != 0) _exit(5);
  }
  if (!another_thread_calls().empty()) _exit(6);
  _exit(0);
}

TEST(HostUnwinding, ACallLeftByLongjmpLeavesTheLibraryToAnyThread) {
  static char err[1 << 16];
  EXPECT_EQ(cc_run(free_after_longjmp, err, sizeof err), 0) << err;
}

// A host's own error in an entry of the binding (a value of the wrong
// type, thrown by the host's conversion) unwinds through the entry's catch
// block, which gives the library back.
TEST(HostUnwinding, AHostErrorThrownThroughAnEntryGivesTheLibraryBack) {
  CaseEnd end;
  Host host;
  Request request{host};
  request.send();
  EXPECT_THROW(request.compute(host.integer(1)), HostRaised);
  EXPECT_EQ(another_thread_calls(), "");
}

// A C entry whose body runs out of memory: the fatal path's message.
UI32 c_entry_out_of_memory() try {
  ZEL_ENTRY_CLAIM;
  throw std::bad_alloc();
}
ZEL_ENTRY_CATCH("entry_out_of_memory")

// Every outermost entry starts with no raise and no host check in flight,
// although a host that unwound the last one by longjmp never ran the catch
// blocks that clear them: a memory failure is then the library's own, not
// the host's unwinding, and ends with its message.
TEST(HostUnwinding, AnEntryAfterALongjmpTakesItsOwnFailureForItsOwn) {
  CaseEnd end;
  const std::string oom = std::string(ZEL_PREFIX) + "entry_out_of_memory: not enough memory\n";
  const auto run_out_of_memory = [](HostKernel kv, HostValue) -> HostValue {
    c_entry_out_of_memory();
    return ToMapleInteger(kv, 0);
  };
  for (const char* version : {"", "Maple 12.0"}) {
    SCOPED_TRACE(*version ? "after an interrupt" : "after a fatal error");
    Host host;
    host.unwinding = Unwinding::kLongjmp;
    host.version = version;
    zel::ZEL_BUILD::forget_host_version();
    Request request{host};
    request.send();
    if (*version) {
      host.interrupt = true;
      zel::ZEL_BUILD::count_interrupt = 0xFFF;
      EXPECT_THROW(request.compute(host.string("ZEL_COMPUTE_GBASIS")), HostRaised);
    } else {
      // A column limit below what any table takes: the engine's fatal error.
      HostValue narrow = host.int32_rtable({4, 0, 10, 0}, {4});
      EXPECT_THROW(request.compute(host.string("ZEL_COMPUTE_GBASIS"), narrow), HostRaised);
    }
    try {
      EXPECT_EQ(raised_by(host, run_out_of_memory, {}), oom);
    } catch (const std::bad_alloc&) {
      ADD_FAILURE() << "the memory failure left the entry as an exception";
    }
  }
}

// An entry of the C interface refused on a second thread while the first
// is inside a binding request: the message on the error stream and status
// 1, never a raise through the first thread's host on the second thread.
void refused_beside_a_binding_request() {
  Host host;
  std::mutex m;
  std::condition_variable cv;
  bool inside = false;
  host.on_print = [&](const std::string&) {
    std::unique_lock<std::mutex> lock(m);
    inside = true;
    cv.notify_all();
    cv.wait(lock, [] { return false; });  // the second thread ends the process
  };
  std::thread second([&] {
    {
      std::unique_lock<std::mutex> lock(m);
      cv.wait(lock, [&] { return inside; });
    }
    try {
      ZEL_C(internal_version)();
    } catch (...) {
      _exit(3);  // raised through the first thread's host
    }
    _exit(4);  // served while the first thread held the library
  });
  second.detach();
  Request request{host};
  request.basis(4);
  _exit(5);
}

TEST(HostUnwinding, ACallRefusedBesideABindingRequestLeavesItsHostAlone) {
  static char err[1 << 16];
  EXPECT_EQ(cc_run(refused_beside_a_binding_request, err, sizeof err), 1) << err;
  EXPECT_NE(std::strstr(err, kOneThread), nullptr) << err;
}

// From the host's print during a compute: an entry that would replace the
// session is refused, one that reads is served.  A binding entry's refusal
// unwinds that nested call only, and the compute finishes right; an entry
// of the C interface ends the running compute with its message.  The next
// request is right either way.
TEST(HostUnwinding, AnEntryCalledBackFromTheHostsPrintMayOnlyRead) {
  for (Unwinding unwinding : {Unwinding::kException, Unwinding::kLongjmp}) {
    SCOPED_TRACE(unwinding == Unwinding::kLongjmp ? "longjmp" : "exception");
    CaseEnd end;
    Host host;
    host.unwinding = unwinding;
    Request request{host};
    const std::string expected = request.basis();

    std::string nested;
    int version = 0;
    host.on_print = [&](const std::string&) {
      if (!nested.empty()) return;
      nested = raised_by(host, ZEL_LC(gbasis_init), request.init_args());
      version = ZEL_C(internal_version)();
    };
    EXPECT_EQ(request.basis(4), expected);
    EXPECT_NE(nested.find(kFromCallback), std::string::npos) << nested;
    EXPECT_EQ(version, ZEL_C(internal_version)());

    host.on_print = [&](const std::string&) {
      host.on_print = nullptr;
      ZEL_C(reset_memory)();
    };
    std::string ended;
    try {
      request.basis(4);
    } catch (const HostRaised& e) {
      ended = e.what();
    }
    EXPECT_NE(ended.find(kFromCallback), std::string::npos) << ended;
    EXPECT_EQ(request.basis(), expected);
    EXPECT_EQ(another_thread_calls(), "");
  }
}

}  // namespace

// The library serves one caller thread at a time: a second caller thread is
// refused with a message rather than let into the first one's state.
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/call_zel.h"
#include "engine/mem/zone.hpp"
#include "engine/variant.hpp"
#include "support/child_case.h"
#include "support/test_host.hpp"
#include "support/zel_systems.h"
#include "tests/engine/api/api_session.hpp"

namespace {

constexpr const char* kOneThread = "the library serves one thread at a time";

const zel_test::System katsura6 = zel_test::katsura(6, zel_test::kTestPrime);

// The inputs of a katsura-6 request in a fresh session of the build under
// test.
std::vector<void*> katsura6_session() {
  const zel_test::System& sys = katsura6;
  zel_test::start_session(0, sys.nvars);
  std::vector<void*> in;
  for (const zel_test::SysPoly& f : sys.polys) {
    void* p = ZEL_C(creat_poly)(UI32(f.size()));
    for (size_t t = 0; t < f.size(); ++t) {
      std::vector<I32> e(f[t].first.begin(), f[t].first.end());
      ZEL_C(set_expos2)(p, UI32(t), e.data(), sys.nvars);
#ifdef ZEL_VARIANT_INT
      const I32 c[2] = {1, I32(f[t].second)};
      ZEL_C(set_coeff_raw)(p, UI32(t), c, 2);
#else
      ZEL_C(set_coeff_I32)(p, UI32(t), I32(f[t].second));
#endif
    }
    ZEL_C(full_sort_poly2)(p);
    in.push_back(p);
  }
  return in;
}

// A basis request of mode 1 with every option left alone; the results as
// text (exponents and coefficients of every term).
std::string basis(std::vector<void*>& in) {
  std::vector<void*> out(100000);
  sZEL_Comp_Desc env{};
  env._compute = ZEL_COMPUTE_GBASIS;
  env._aggressive2 = env._dlim = env._skip = -1;
  double cpu = 0;
  const UI32 n = ZEL_C(groebner)(in.data(), UI32(in.size()), out.data(), 1, 0, &cpu, 0, 0, 0, &env);
  const UI32 nvars = katsura6.nvars;
  std::string text;
  for (UI32 k = 0; k < n; ++k) {
    const UI32 m = ZEL_C(nb_terms)(out[k]);
    std::vector<UI32> e(size_t(m) * nvars + 1);
#ifdef ZEL_VARIANT_INT
    mpz_srcptr* c = ZEL_C(export_poly_INT_gmp)(nvars, m, e.data(), out[k]);
    for (UI32 t = 0; t < m; ++t) text += std::to_string(mpz_get_si(c[t])) + " ";
#else
    std::vector<UI32> c(m + 1);
    ZEL_C(export_poly)(nvars, m, e.data(), c.data(), out[k]);
    for (UI32 t = 0; t < m; ++t) text += std::to_string(c[t]) + " ";
#endif
    for (UI32 x : e) text += std::to_string(x) + ",";
    text += "\n";
  }
  return text;
}

// What the child below compares its results with.
std::string expected_basis;

// Two threads start the same request at once.  The process ends with status
// 1 and the message (the second thread was refused, and a C caller's refusal
// ends the process), or with status 0 when the two did not meet (both
// answers then are right); 2 for a wrong answer.
void two_requests_at_once() {
  alarm(120);  // a caller that corrupted the other's state may never end
  zel::set_host(zel::default_host());
  std::vector<void*> in = katsura6_session();
  std::mutex m;
  std::condition_variable cv;
  int ready = 0;
  std::string got[2];
  auto run = [&](int i) {
    {
      std::unique_lock<std::mutex> lock(m);
      if (++ready == 2) cv.notify_all();
      cv.wait(lock, [&] { return ready == 2; });
    }
    got[i] = basis(in);
  };
  std::thread a(run, 0), b(run, 1);
  a.join();
  b.join();
  _exit(got[0] == expected_basis && got[1] == expected_basis ? 0 : 2);
}

TEST(EntryClaim, ASecondCallerThreadIsRefusedWithAMessage) {
  std::vector<void*> in = katsura6_session();
  expected_basis = basis(in);
  ASSERT_FALSE(expected_basis.empty());
  ZEL_C(reset_memory)();
  for (int run = 0; run < 10; ++run) {
    static char err[1 << 16];
    const int status = cc_run(two_requests_at_once, err, sizeof err);
    if (status == 1 && std::strstr(err, kOneThread) != nullptr) continue;
    ASSERT_EQ(status, 0) << "run " << run << ", standard error:\n" << err;
  }
}

// Run by the host's print, that is while the printing entry holds the
// library.
std::function<void()> while_printing;
void print_running_it(const char*) {
  if (while_printing) while_printing();
  while_printing = nullptr;
}

// Any thread may read the stop flag, but the host's interrupt poll belongs
// to the call running inside the library.  Polled from a host callback of
// that call (its frames lie under the host's), a pending interrupt sets the
// stop flag and keeps the memory: the call ends at its own next poll.
TEST(EntryClaim, StopImmediatelyFromAnotherThreadLeavesTheHostToTheCall) {
  using zel::ZEL_BUILD::count_interrupt;
  zel_test::TestHost test_host(4);
  zel::HostServices printing = zel::current_host();
  printing.print = print_running_it;
  zel::set_host(printing);
  zel::ZEL_BUILD::forget_host_version();
  zel_test::captured().version = 13.0;
  zel_test::captured().interrupt_pending = true;
  zel_test::start_session(0, 2);
  count_interrupt = 0;
  bool session_kept = false;
  while_printing = [&] {
    std::thread([] {
      for (int i = 0; i < 2 * 4096; ++i) ZEL_C(stop_immediately)();
    }).join();
    session_kept = zel::ZEL_BUILD::zone_tables_ready();
    EXPECT_EQ(zel_test::captured().interrupts_checked, 0);
    // The call's own thread polls.
    for (int i = 0; i < 4096; ++i) ZEL_C(stop_immediately)();
  };
  ZEL_C(Output)("x");
  EXPECT_TRUE(session_kept);
  EXPECT_EQ(zel_test::captured().interrupts_checked, 1);
  EXPECT_TRUE(zel::ZEL_BUILD::zone_tables_ready());
  EXPECT_EQ(zel::ZEL_BUILD::ZEL_C(stop_immediately_semaphore), 1);
  zel::ZEL_BUILD::ZEL_C(stop_immediately_semaphore) = 0;
  zel::ZEL_BUILD::forget_host_version();
}

}  // namespace

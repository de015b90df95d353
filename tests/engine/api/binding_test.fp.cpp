// The prime-field build's host entries, driven through the stand-in host:
// a whole request against the C interface, the argument errors, the options
// table, the message routing and interrupts.
#include <gtest/gtest.h>
#include <signal.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/binding.hpp"
#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/zel_binding.h"
#include "host/standin_host.hpp"
#include "support/zel_systems.h"

namespace {

using standin::Host;
using standin::HostRaised;
using Basis = std::vector<std::vector<std::pair<std::vector<UI32>, UI32>>>;

// Restores the C caller's host services and version cache after a test.
struct BindingFixture : ::testing::Test {
  Host host;
  ~BindingFixture() override {
    zel::set_host(zel::default_host());
    zel::Zel_verb_info = 0;
    zel::fp_build::forget_host_version();
    zel::restore_sigint();
    zel::fp_build::current_debug = 0;
  }

  // The options after their count, which counts itself too.
  HostValue options(std::vector<int32_t> opts) {
    opts.insert(opts.begin(), int32_t(opts.size()) + 1);
    return host.int32_rtable(opts, {int32_t(opts.size())});
  }

  // The twelve compute arguments: names for time, first count and count.
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");
  std::vector<HostValue> compute_args(const char* mode, HostValue opts, int verbosity = 0) {
    return {t,
            first,
            count,
            host.integer(0),
            host.integer(verbosity),
            host.integer(0),
            host.integer(0),
            host.integer(0),
            host.string(mode),
            host.integer(0),
            host.integer(0),
            opts};
  }

  void init(int n1, int n2, int prime = 65521) {
    host.call(zel_gbasis_init, {host.integer(n1), host.integer(n2), host.integer(0),
                                host.integer(prime), host.integer(0)});
  }

  void send_cyclic(int n) {
    std::vector<zs_poly> sys(static_cast<size_t>(n));
    zs_cyclic(n, sys.data());
    for (auto& p : sys) {
      std::vector<UI32> e(p.e, p.e + size_t(p.nterms) * size_t(n));
      std::vector<UI32> c;  // residues, as the host hands them over
      for (int t = 0; t < p.nterms; ++t) c.push_back(UI32((p.c[t] % 65521 + 65521) % 65521));
      ASSERT_EQ(zel_send_poly(UI32(n), UI32(p.nterms), e.data(), c.data()), 1);
      zs_free(&p);
    }
  }

  Basis receive_all(UI32 nvars, long results) {
    Basis out;
    UI32 next = 0;
    for (long k = 0; k < results; ++k) {
      UI32 m = k == 0 ? UI32(host.integer_of(host.value_of(first)).get_ui()) : next;
      std::vector<UI32> e(size_t(m) * nvars), c(m);
      EXPECT_EQ(zel_receive_poly(I32(k), nvars, m, e.data(), c.data(), &next), 1);
      out.emplace_back();
      for (UI32 i = 0; i < m; ++i)
        out.back().push_back({std::vector<UI32>(e.begin() + i * nvars, e.begin() + (i + 1) * nvars),
                              c[i]});
    }
    return out;
  }
};

// The same basis through the C interface.
Basis c_interface_cyclic(int n) {
  zs_session(UI32(n), 0, 65521, 0);
  std::vector<zs_poly> sys(static_cast<size_t>(n));
  zs_cyclic(n, sys.data());
  std::vector<void*> in, out(100000);
  for (auto& p : sys) {
    in.push_back(zs_send(&p));
    zs_free(&p);
  }
  const UI32 r = zs_groebner(in.data(), UI32(in.size()), out.data(), 0, 0);
  Basis b;
  for (UI32 k = 0; k < r; ++k) {
    const UI32 m = Zel_nb_terms(out[k]);
    std::vector<UI32> e(size_t(m) * n), c(m);
    Zel_export_poly(UI32(n), m, e.data(), c.data(), out[k]);
    b.emplace_back();
    for (UI32 i = 0; i < m; ++i)
      b.back().push_back({std::vector<UI32>(e.begin() + i * n, e.begin() + (i + 1) * n), c[i]});
  }
  return b;
}

TEST_F(BindingFixture, WholeRequestMatchesTheCInterfaceTwiceInARow) {
  const Basis expected = c_interface_cyclic(5);
  ASSERT_EQ(expected.size(), 20u);
  for (int round = 0; round < 2; ++round) {
    init(5, 0);
    send_cyclic(5);
    HostValue r = host.call(zel_gbasis_compute, compute_args("ZEL_COMPUTE_GBASIS", options({0, 0, 0, 0})));
    EXPECT_EQ(host.integer_of(host.value_of(count)), 20);
    EXPECT_GE(host.float_of(host.value_of(t)), 0.0);
    const Basis got = receive_all(5, 20);
    EXPECT_TRUE(got == expected);
    size_t largest = 0;
    for (const auto& p : got) largest = std::max(largest, p.size());
    EXPECT_EQ(host.integer_of(r), long(largest));
    // Receives outside the results export nothing.
    UI32 e[5], c[1], next = 0;
    EXPECT_EQ(zel_receive_poly(20, 5, 1, e, c, &next), -1);
    EXPECT_EQ(zel_receive_poly(-1, 5, 1, e, c, &next), -1);
  }
  // The other build's request resets the memory of both: no result is left
  // to read.
  host.call(zel_int_gbasis_init, {host.integer(2), host.integer(0), host.integer(0),
                                  host.integer(0)});
  std::vector<UI32> e(5 * expected[0].size()), c(expected[0].size());
  EXPECT_EQ(zel_receive_poly(0, 5, UI32(expected[0].size()), e.data(), c.data(), nullptr), -1);
}

TEST_F(BindingFixture, ArgumentErrorsRaiseTheHostMessages) {
  // Raised by an exception and, as a host written in C does, by longjmp.
  for (standin::Unwinding unwinding :
       {standin::Unwinding::kException, standin::Unwinding::kLongjmp}) {
    host.unwinding = unwinding;
    EXPECT_THROW(
        try { host.call(zel_gbasis_init, {host.integer(1), host.integer(0), host.integer(0)}); } catch (
            const HostRaised& e) {
          EXPECT_STREQ(e.what(), "5th arguments expected");
          throw;
        },
        HostRaised);
    try {
      host.call(zel_gbasis_init, {host.integer(1), host.string("a"), host.integer(0),
                                  host.integer(65521), host.integer(0)});
      ADD_FAILURE();
    } catch (const HostRaised& e) {
      EXPECT_STREQ(e.what(), "integer expected for 2nd argument, instead got \"a\"");
    }
    init(2, 0);
    try {
      host.call(zel_gbasis_compute, {host.integer(1)});
      ADD_FAILURE();
    } catch (const HostRaised& e) {
      EXPECT_STREQ(e.what(),
                   "Incorrect number of arguments ! (C code new version with Options table/12 args "
                   "--> receive 1st arguments)");
    }
    try {
      host.call(zel_debug_level, {});
      ADD_FAILURE();
    } catch (const HostRaised& e) {
      EXPECT_STREQ(e.what(), "1st arguments expected");
    }
    // Options: too few, not INTEGER32, a count larger than the table.
    const auto raises = [&](HostValue opts, const char* text) {
      try {
        host.call(zel_gbasis_compute, compute_args("", opts));
        ADD_FAILURE() << text;
      } catch (const HostRaised& e) {
        EXPECT_STREQ(e.what(), text);
      }
    };
    raises(options({0, 0}), "Incorrect number of options for this version of the interface !");
    raises(host.float_rtable(5), "array is not of type INTEGER32");
    raises(host.int32_rtable({6, 0, 0, 0, 0}, {5}), "the options table of count 6 holds only 5 entries");
  }
}

TEST_F(BindingFixture, OptionCountsAndUnknownModes) {
  // Count 12 warns and still computes; an unknown mode string is a basis.
  init(3, 0);
  send_cyclic(3);
  testing::internal::CaptureStderr();
  host.call(zel_gbasis_compute,
            compute_args("no such mode", options({0, 0, 0, 0, 0, 0, 0, -1, -1, -1, 0})));
  EXPECT_NE(testing::internal::GetCapturedStderr().find(
                "Warning some optional parameters (number 12) are not correctly parsed"),
            std::string::npos);
  EXPECT_EQ(host.integer_of(host.value_of(count)), 3);  // cyclic-3 has 3 polynomials
  // No input: no results, both counts 0.
  init(2, 0);
  HostValue r = host.call(zel_gbasis_compute, compute_args("ZEL_COMPUTE_GBASIS", options({0, 0, 0, 0})));
  EXPECT_EQ(host.integer_of(r), 0);
  EXPECT_EQ(host.integer_of(host.value_of(first)), 0);
  EXPECT_EQ(host.integer_of(host.value_of(count)), 0);
}

TEST_F(BindingFixture, MessagesAreRoutedByVerbosity) {
  zel::bind_host(host.kernel());
  zel::Zel_verb_info = 4;
  zel::info_Maple("100%d done\n");
  EXPECT_EQ(host.printed, "100%d done\n");
  host.printed.clear();
  zel::Zel_verb_info = 1;
  zel::reset_info_Maple_count();
  for (int i = 0; i < 11; ++i) zel::info_Maple("a");
  EXPECT_EQ(host.printed, "aaaaaaaaaa\na");
  host.printed.clear();
  zel::info_Maple("%d\n");
  zel::info_Maple("[");
  zel::info_Maple("]");
  EXPECT_EQ(host.printed, "%d\n[\n]");
  zel::Zel_verb_info = 2;
  zel::info_Maple("note");
  EXPECT_EQ(host.user_info, "zel: note");
}

TEST_F(BindingFixture, OldHostsStopBySigint) {
  host.version = "Maple 10.0";
  init(6, 0);
  send_cyclic(6);
  raise(SIGINT);  // the handler installed by init only sets the stop flag
  EXPECT_EQ(zel::fp_build::Zel_stop_immediately_semaphore, 1);
  HostValue r = host.call(zel_gbasis_compute, compute_args("", options({0, 0, 0, 0})));
  EXPECT_EQ(host.integer_of(r), -2);
  EXPECT_EQ(zel::fp_build::Zel_stop_immediately_semaphore, 0);
}

TEST_F(BindingFixture, NewHostsUnwindOnAPendingInterrupt) {
  host.version = "Maple 13.0";
  init(6, 0);
  send_cyclic(6);
  host.interrupt = true;
  zel::fp_build::count_interrupt = 0xFFF;  // the next poll asks the host
  EXPECT_THROW(host.call(zel_gbasis_compute, compute_args("", options({0, 0, 0, 0}))), HostRaised);
  // The memory was reset: a new request works.
  init(3, 0);
  send_cyclic(3);
  host.call(zel_gbasis_compute, compute_args("", options({0, 0, 0, 0})));
  EXPECT_EQ(host.integer_of(host.value_of(count)), 3);
}

TEST_F(BindingFixture, SendSkipsZeroTermsAndRefusesAFullTable) {
  init(2, 0);
  UI32 e[4] = {1, 0, 0, 1}, c[2] = {0, 0};
  ASSERT_EQ(zel_send_poly(2, 2, e, c), 1);
  EXPECT_EQ(Zel_nb_terms(zel::fp_build::module_table.base[0]), 0u);
  zel::fp_build::module_table.global_nb = zel::fp_build::kModuleSlots;
  EXPECT_EQ(zel_send_poly(2, 2, e, c), -1);
  zel::fp_build::module_table.global_nb = 0;
}

// zel_send_poly takes plain C arguments, so a program may call it outside
// any host call, as the host example does: its refusal then has no call to
// unwind and ends the process with the message and status 1.
TEST_F(BindingFixture, ARaiseOutsideAHostCallEndsWithTheMessageAndStatusOne) {
  init(4, 0);
  UI32 e[5] = {1, 0, 0, 0, 1}, c[1] = {1};
  EXPECT_EXIT(zel_send_poly(5, 1, e, c), ::testing::ExitedWithCode(1),
              "Zel interface error: 5 exponents given for 4 variables");
  // Inside a call the same refusal unwinds to the host.
  const auto send = [](HostKernel kv, HostValue) -> HostValue {
    UI32 e5[5] = {1, 0, 0, 0, 1}, c1[1] = {1};
    zel_send_poly(5, 1, e5, c1);
    return ToMapleInteger(kv, 1);
  };
  try {
    host.call(send, {});
    ADD_FAILURE() << "no error raised";
  } catch (const HostRaised& error) {
    EXPECT_NE(std::string(error.what()).find("5 exponents given for 4 variables"),
              std::string::npos)
        << error.what();
  }
}

// The library serves one thread at a time.  Two host threads, each with its
// own host, compute at once: the one that comes second gets a host error on
// its own host, and the first one's results stand.
TEST_F(BindingFixture, ASecondHostThreadGetsAnErrorAndTheFirstOneItsResults) {
  const Basis expected = c_interface_cyclic(6);
  Host other;
  const auto args_of = [](Host& h) {
    return std::vector<HostValue>{h.name("t"),       h.name("first"),   h.name("count"),
                                  h.integer(0),      h.integer(0),      h.integer(0),
                                  h.integer(0),      h.integer(0),      h.string(""),
                                  h.integer(0),      h.integer(0),
                                  h.int32_rtable({4, 0, 0, 0}, {4})};
  };
  for (int round = 0; round < 5; ++round) {
    init(6, 0);
    send_cyclic(6);
    Host* hosts[2] = {&host, &other};
    std::vector<HostValue> args[2] = {args_of(host), args_of(other)};
    std::string raised[2];
    std::mutex m;
    std::condition_variable cv;
    int ready = 0;
    auto run = [&](int i) {
      {
        std::unique_lock<std::mutex> lock(m);
        if (++ready == 2) cv.notify_all();
        cv.wait(lock, [&] { return ready == 2; });
      }
      try {
        hosts[i]->call(zel_gbasis_compute, args[i]);
      } catch (const HostRaised& e) {
        raised[i] = e.what();
      }
    };
    std::thread a(run, 0), b(run, 1);
    a.join();
    b.join();
    // When the two did not meet, the second computed the basis of the first's
    // results: the same basis.
    EXPECT_TRUE(raised[0].empty() || raised[1].empty());
    for (const std::string& r : raised) {
      if (!r.empty()) {
        EXPECT_EQ(r, "zel_gbasis_compute: the library serves one thread at a time\n");
      }
    }
    const auto& table = zel::fp_build::module_table;
    Basis got;
    for (UI32 k = 0; k < table.global_nb; ++k) {
      const UI32 n = Zel_nb_terms(table.base[k]);
      std::vector<UI32> e(size_t(n) * 6), c(n);
      ASSERT_EQ(zel_receive_poly(I32(k), 6, n, e.data(), c.data(), nullptr), 1);
      got.emplace_back();
      for (UI32 i = 0; i < n; ++i)
        got.back().push_back({std::vector<UI32>(e.begin() + i * 6, e.begin() + (i + 1) * 6), c[i]});
    }
    EXPECT_TRUE(got == expected) << "round " << round;
  }
}

TEST_F(BindingFixture, SendReducesCoefficientsModuloThePrime) {
  init(1, 0);
  // x^3 * 65536 + x^2 * 70000 + x * (-1) + 65521: the last term is zero.
  UI32 e[4] = {3, 2, 1, 0}, c[4] = {65536, 70000, UI32(-1), 65521};
  ASSERT_EQ(zel_send_poly(1, 4, e, c), 1);
  void* p = zel::fp_build::module_table.base[0];
  ASSERT_EQ(Zel_nb_terms(p), 3u);
  UI32 got_e[3], got_c[3];
  ASSERT_EQ(Zel_export_poly(1, 3, got_e, got_c, p), 1);
  EXPECT_EQ(std::vector<UI32>(got_c, got_c + 3), (std::vector<UI32>{15, 4479, 65520}));
}

// What reaches the engine from the twelve compute arguments and the options
// table, seen through an engine call of our own.
struct SeenCall {
  int32_t bk0, pas0, restrict_;
  sZEL_Comp_Desc record;
} seen;

uint32_t seeing_engine(void**, uint32_t, double*, int32_t bk0, int32_t pas0, int32_t restrict_,
                       sZEL_Comp_Desc* record) {
  seen = {bk0, pas0, restrict_, *record};
  return 0;
}

HostValue seeing_compute(HostKernel kv, HostValue args) {
  return zel::fp_build::run_compute(kv, args, false, seeing_engine);
}

TEST_F(BindingFixture, ArgumentsAndOptionsReachTheirFields) {
  init(2, 0);
  const auto args = [&](const char* mode, HostValue opts) {
    return std::vector<HostValue>{t, first, count, host.integer(4), host.integer(0),
                                  host.integer(6), host.integer(7), host.integer(8),
                                  host.string(mode), host.integer(10), host.integer(11), opts};
  };
  // Count 4 (the count and three options): the later options default.
  host.call(seeing_compute, args("ZEL_COMPUTE_MINPOLY", host.int32_rtable({4, 1, 2, 3}, {4})));
  EXPECT_EQ(seen.pas0, 6);
  EXPECT_EQ(seen.bk0, 7);
  EXPECT_EQ(seen.restrict_, 8);
  const sZEL_Comp_Desc& r = seen.record;
  EXPECT_EQ(r._compute, ZEL_COMPUTE_MINPOLY);
  EXPECT_EQ(r._nb, 10);
  EXPECT_EQ(r._force_elim, 11);
  EXPECT_EQ(std::vector<int32_t>({r._off, r._index, r._zone, r._memory, r._nb2, r._bk2,
                                  r._force_elim2, r._aggressive2, r._dlim, r._skip}),
            std::vector<int32_t>({1, 2, 3, 0, 0, 0, 0, -1, -1, -1}));
  // Count 11: elements 1 to 10 in order.
  host.call(seeing_compute,
            args("ZEL_COMPUTE_MATRIXN",
                 host.int32_rtable({11, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30}, {11})));
  const sZEL_Comp_Desc& q = seen.record;
  EXPECT_EQ(q._compute, ZEL_COMPUTE_MATRIXN);
  EXPECT_EQ(std::vector<int32_t>({q._off, q._index, q._zone, q._memory, q._nb2, q._bk2,
                                  q._force_elim2, q._aggressive2, q._dlim, q._skip}),
            std::vector<int32_t>({21, 22, 23, 24, 25, 26, 27, 28, 29, 30}));
}

}  // namespace

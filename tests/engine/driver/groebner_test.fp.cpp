// The prime-field compute entry end to end through the C interface: whole
// reduced bases against the naive Buchberger reference, elimination, input
// normalisation, the options of a request and the modes this build refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/interrupt.hpp"
#include "engine/api/stop_flag.hpp"
#include "engine/driver/threads.hpp"
#include "engine/f4/worker_team.hpp"
#include "engine/f4/elimination.hpp"
#include "engine/f4/pairs.hpp"
#include "support/naive_buchberger.hpp"
#include "support/seeds.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"

using namespace zel::ZEL_BUILD;
using zel_test::buchberger::NaiveGroebner;
using zel_test::buchberger::NGPoly;
using zel_test::buchberger::NMono;

namespace {

constexpr UI32 kP = 65521;

NGPoly to_naive(const zs_poly& f) {
  NGPoly r;
  for (int t = 0; t < f.nterms; ++t) {
    int64_t c = f.c[t] % int64_t(kP);
    r.push_back({NMono(f.e + t * f.nvars, f.e + (t + 1) * f.nvars), uint32_t(c < 0 ? c + kP : c)});
  }
  return r;
}

NGPoly exported(void* h, UI32 nvars) {
  UI32 m = Zel_nb_terms(h);
  std::vector<UI32> e(size_t(m) * nvars + 1), c(m + 1);
  EXPECT_EQ(Zel_export_poly(nvars, m, e.data(), c.data(), h), 1);
  NGPoly r;
  for (UI32 t = 0; t < m; ++t)
    r.push_back({NMono(e.begin() + t * nvars, e.begin() + (t + 1) * nvars), c[t]});
  return r;
}

struct Request {
  sZEL_Comp_Desc env{};
  Request() {
    env._compute = ZEL_COMPUTE_GBASIS;
    env._aggressive2 = -1;
    env._dlim = -1;
    env._skip = -1;
  }
};

struct GroebnerTest : ::testing::Test {
  zel_test::TestHost host{0};
  std::vector<void*> out = std::vector<void*>(100000);
  void TearDown() override {
    internal_threads(1);
    Zel_reset_memory();
  }

  // Sends the system in a fresh session of n1 + n2 variables and computes.
  std::vector<NGPoly> compute(std::vector<zs_poly>& sys, UI32 n1, UI32 n2, Request r = {},
                              I32 restrict_ = 0, I32 block = 0) {
    zs_session(n1, n2, kP, 0);
    std::vector<void*> in;
    for (auto& f : sys) in.push_back(zs_send(&f));
    double t = -1;
    UI32 n = Zel_groebner(in.data(), UI32(in.size()), out.data(), 1, block, &t, 0, 8, restrict_,
                          &r.env);
    std::vector<NGPoly> B;
    for (UI32 i = 0; i < n; ++i) B.push_back(exported(out[i], n1 + n2));
    NaiveGroebner{{int(n1)}, kP}.sort_basis(B);
    return B;
  }

  std::vector<NGPoly> reference(std::vector<zs_poly>& sys, int s) {
    std::vector<NGPoly> in;
    for (auto& f : sys) in.push_back(to_naive(f));
    return NaiveGroebner{{s}, kP}.basis(in);
  }
};

void free_all(std::vector<zs_poly>& sys) {
  for (auto& f : sys) zs_free(&f);
}

// Keeps the polynomials free of the first s variables.
std::vector<NGPoly> eliminate(std::vector<NGPoly> B, int s) {
  std::vector<NGPoly> r;
  for (auto& f : B) {
    bool free_of = true;
    for (auto& t : f)
      for (int v = 0; v < s; ++v) free_of &= t.e[v] == 0;
    if (free_of) r.push_back(f);
  }
  return r;
}

TEST_F(GroebnerTest, KatsuraSixMatchesTheNaiveBasis) {
  std::vector<zs_poly> sys(7);
  zs_katsura(6, sys.data());
  std::vector<NGPoly> ref = reference(sys, 0);
  EXPECT_EQ(compute(sys, 0, 7), ref);
  // The same order given as one first block.
  EXPECT_EQ(compute(sys, 7, 0), ref);
  // More threads, same basis, also on the small steps.
  internal_threads(3);
  min_threaded_work = 0;
  EXPECT_EQ(compute(sys, 0, 7), ref);
  min_threaded_work = kDefaultThreadedWork;
  free_all(sys);
}

TEST_F(GroebnerTest, RandomSystemsMatchTheNaiveBasis) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(11);
  for (long round = 0; round < zel_test::iterations(12); ++round) {
    // Small enough for the naive reference under elimination orders too.
    const int n = 2 + int(rng() % 2), s = int(rng() % n);
    std::vector<zs_poly> sys(2 + rng() % 2);
    for (auto& f : sys) {
      zs_init(&f, n);
      for (int t = 0; t < 4; ++t) {
        int e[8] = {0};
        for (int v = 0; v < n; ++v) e[v] = int(rng() % 3);
        zs_add_term(&f, e, int(rng() % 2000) - 1000);
      }
    }
    SCOPED_TRACE("round " + std::to_string(round) + ", blocks " + std::to_string(s) + "+" +
                 std::to_string(n - s));
    std::vector<NGPoly> ref = reference(sys, s);
    EXPECT_EQ(compute(sys, UI32(s), UI32(n - s)), ref);
    free_all(sys);
  }
}

TEST_F(GroebnerTest, TwoBlockEliminationMatchesTheNaiveBasis) {
  // t | x y z: x - t^2 - t, y - t^3 + 2, z - t*x: the ideal of the curve
  // in x, y, z, and a random dense system in 2 + 2 variables.
  std::vector<zs_poly> sys(3);
  int t2[] = {2, 0, 0, 0}, t1[] = {1, 0, 0, 0}, x[] = {0, 1, 0, 0}, y[] = {0, 0, 1, 0},
      z[] = {0, 0, 0, 1}, t3[] = {3, 0, 0, 0}, one[] = {0, 0, 0, 0}, tx[] = {1, 1, 0, 0};
  for (auto& f : sys) zs_init(&f, 4);
  zs_add_term(&sys[0], x, 1), zs_add_term(&sys[0], t2, -1), zs_add_term(&sys[0], t1, -1);
  zs_add_term(&sys[1], y, 1), zs_add_term(&sys[1], t3, -1), zs_add_term(&sys[1], one, 2);
  zs_add_term(&sys[2], z, 1), zs_add_term(&sys[2], tx, -1);
  std::vector<NGPoly> ref = eliminate(reference(sys, 1), 1);
  ASSERT_FALSE(ref.empty());
  Request r;
  r.env._force_elim = 1;
  EXPECT_EQ(compute(sys, 1, 3, r), ref);
  EXPECT_EQ(compute(sys, 1, 3, Request{}, 1), ref);  // restrict
  EXPECT_EQ(compute(sys, 1, 3, Request{}, 0, 1), ref);  // block
  free_all(sys);

  SEED_TRACE();
  auto rng = zel_test::make_rng(12);
  for (long round = 0; round < zel_test::iterations(6); ++round) {
    std::vector<zs_poly> dense(3);
    for (auto& f : dense) {
      zs_init(&f, 4);
      for (int t = 0; t < 4; ++t) {
        int e[] = {int(rng() % 2), int(rng() % 2), int(rng() % 3), int(rng() % 2)};
        zs_add_term(&f, e, int(rng() % 65521));
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    ref = eliminate(reference(dense, 2), 2);
    r.env._force_elim = 1;
    EXPECT_EQ(compute(dense, 2, 2, r), ref);
    free_all(dense);
  }
}

TEST_F(GroebnerTest, UnnormalisedInputGivesTheBasisOfItsNormalForm) {
  std::vector<zs_poly> sys(4), messy(4);
  zs_katsura(3, sys.data());
  SEED_TRACE();
  auto rng = zel_test::make_rng(13);
  for (size_t k = 0; k < sys.size(); ++k) {
    // Every term split in two with a random share, negative parts as
    // p - c and as -c, zero terms sprinkled in, terms shuffled.
    zs_init(&messy[k], sys[k].nvars);
    std::vector<int> order(sys[k].nterms);
    for (int t = 0; t < sys[k].nterms; ++t) order[t] = t;
    std::shuffle(order.begin(), order.end(), rng);
    for (int t : order) {
      const int* e = sys[k].e + t * sys[k].nvars;
      int share = int(rng() % 70000) - 35000;
      zs_add_term(&messy[k], e, share);
      zs_add_term(&messy[k], e, sys[k].c[t] - share);
      zs_add_term(&messy[k], e, 0);
      zs_add_term(&messy[k], e, int(kP));
    }
  }
  std::vector<NGPoly> clean = compute(sys, 0, 4);
  EXPECT_EQ(compute(messy, 0, 4), clean);
  EXPECT_EQ(clean, reference(sys, 0));
  free_all(sys);
  free_all(messy);
}

// A host that interrupts at its first poll: by the stop flag (what the SIGINT
// handler of old hosts does) or, from version 13 on, by unwinding the request
// after the memory reset.
namespace interrupting_host {
bool unwind = false;
void print(const char*) {}
void raise(const char* t) { throw zel_test::HostError(t); }
int pending() { return unwind; }
void check() {
  if (!unwind) ZEL_C(stop_immediately_semaphore) = 1;
  else throw zel_test::HostError("interrupted");
}
double version() { return unwind ? 13.0 : 12.0; }
const zel::HostServices kHost = {print, print, raise, pending, check, version};
}  // namespace interrupting_host

// A request interrupted anywhere in its steps (the engine asks the host at
// every 4096th poll, so the count starts that many polls short; cyclic-6
// polls about a thousand times) leaves nothing behind that changes the next
// one, although the step buffers and the code table are kept between
// requests.
TEST_F(GroebnerTest, AnInterruptedRequestLeavesTheNextOneIntact) {
  std::vector<zs_poly> sys(6);
  zs_cyclic(6, sys.data());
  const std::vector<NGPoly> want = compute(sys, 0, 6);
  min_threaded_work = 0;
  for (bool unwind : {false, true})
    for (int threads : {1, 3})
      for (uint32_t polls : {1u, 200u, 450u, 700u, 950u, 1200u}) {
        SCOPED_TRACE("unwind " + std::to_string(unwind) + " threads " + std::to_string(threads) +
                     " polls " + std::to_string(polls));
        interrupting_host::unwind = unwind;
        const zel::HostServices previous = zel::set_host(interrupting_host::kHost);
        forget_host_version();
        count_interrupt = 4096 - polls;
        internal_threads(threads);
        std::vector<NGPoly> got;
        try {
          got = compute(sys, 0, 6);
        } catch (const zel_test::HostError&) {
          got.clear();
        }
        zel::set_host(previous);
        forget_host_version();
        ZEL_C(stop_immediately_semaphore) = 0;
        EXPECT_TRUE(got.empty() || got == want);
        EXPECT_EQ(compute(sys, 0, 6), want);
      }
  min_threaded_work = kDefaultThreadedWork;
  free_all(sys);
}

// A host of version 12: polled, never interrupting.
namespace polled_host {
void print(const char*) {}
void raise(const char* t) { throw zel_test::HostError(t); }
int pending() { return 0; }
void check() {}
double version() { return 12.0; }
const zel::HostServices kHost = {print, print, raise, pending, check, version};
}  // namespace polled_host

// Stopping from another thread is what stop_immediately is for: a second
// thread calls it while requests run.  It reads the stop flag and leaves the
// host to the request's own thread, so the requests' polls are theirs alone
// and none is lost or added; no stop was asked, so none is reported and the
// bases are whole.
TEST_F(GroebnerTest, StopImmediatelyIsCalledFromAnotherThreadDuringARequest) {
  std::vector<zs_poly> sys(6);
  zs_cyclic(6, sys.data());
  const std::vector<NGPoly> want = compute(sys, 0, 6);
  const zel::HostServices previous = zel::set_host(polled_host::kHost);
  forget_host_version();
  count_interrupt = 0;
  compute(sys, 0, 6);
  const uint32_t request_polls = count_interrupt;
  count_interrupt = 0;
  std::atomic<bool> done{false};
  uint32_t polls = 0;
  int stops = 0;
  std::thread poller([&] {
    do {
      stops += Zel_stop_immediately();
      ++polls;
    } while (!done.load());
  });
  std::vector<std::vector<NGPoly>> got;
  for (int k = 0; k < 3; ++k) got.push_back(compute(sys, 0, 6));
  done = true;
  poller.join();
  const uint32_t counted = count_interrupt;
  zel::set_host(previous);
  forget_host_version();
  for (const auto& g : got) EXPECT_EQ(g, want);
  EXPECT_EQ(stops, 0);
  EXPECT_GT(polls, 0u);
  EXPECT_EQ(counted, 3 * request_polls);
  free_all(sys);
}

TEST_F(GroebnerTest, RequestsDoNotInheritEarlierOptions) {
  std::vector<zs_poly> sys(5);
  zs_katsura(4, sys.data());
  std::vector<NGPoly> full = compute(sys, 0, 5);
  Request low;
  low.env._dlim = 2;
  EXPECT_NE(compute(sys, 0, 5, low), full);
  EXPECT_EQ(Dlim, 2u);
  EXPECT_EQ(compute(sys, 0, 5), full);
  Request aggressive;
  aggressive.env._aggressive2 = 7;
  aggressive.env._skip = 3;
  aggressive.env._index = 100000;
  aggressive.env._memory = 2;
  EXPECT_EQ(compute(sys, 0, 5, aggressive), full);
  EXPECT_EQ(ZEL_C(want_aggressive), 1u);
  EXPECT_EQ(want_skip_comput, 3u);
  EXPECT_EQ(zel_max_index, 100000u);
  EXPECT_EQ(compute(sys, 0, 5), full);
  EXPECT_EQ(ZEL_C(want_aggressive), 0u);
  EXPECT_EQ(want_skip_comput, 0u);
  zel::ZEL_BUILD::zel_max_index = 5000000;
  free_all(sys);
}

// The same handles may go to several requests: a computation leaves its
// inputs as they were.
TEST_F(GroebnerTest, InputsCanBeHandedToSeveralRequests) {
  for (int which = 0; which < 2; ++which) {
    std::vector<zs_poly> sys(5);
    if (which == 0) {
      zs_katsura(4, sys.data());
    } else {
      zs_cyclic(5, sys.data());
    }
    const std::vector<NGPoly> ref = reference(sys, 0);
    zs_session(0, 5, kP, 0);
    std::vector<void*> in;
    for (auto& f : sys) in.push_back(zs_send(&f));
    std::vector<NGPoly> before;
    for (void* h : in) before.push_back(exported(h, 5));
    std::vector<void*> first;  // the results of round 0, still valid later
    for (int round = 0; round < 3; ++round) {
      Request r;
      double t;
      UI32 n = Zel_groebner(in.data(), 5, out.data(), 1, 0, &t, 0, 8, 0, &r.env);
      std::vector<NGPoly> B;
      for (UI32 i = 0; i < n; ++i) B.push_back(exported(out[i], 5));
      NaiveGroebner{{0}, kP}.sort_basis(B);
      EXPECT_EQ(B, ref) << "round " << round;
      if (round == 0) first.assign(out.begin(), out.begin() + n);
    }
    std::vector<NGPoly> after;
    for (void* h : in) after.push_back(exported(h, 5));
    EXPECT_EQ(after, before);
    std::vector<NGPoly> kept;
    for (void* h : first) kept.push_back(exported(h, 5));
    NaiveGroebner{{0}, kP}.sort_basis(kept);
    EXPECT_EQ(kept, ref);
    free_all(sys);
  }
}

TEST_F(GroebnerTest, UnknownModesFailWithAMessage) {
  std::vector<zs_poly> sys(3);
  zs_katsura(2, sys.data());
  for (int mode : {0, 13, -1}) {
    Request r;
    r.env._compute = mode;
    EXPECT_RAISES(compute(sys, 0, 3, r), "compute mode " + std::to_string(mode) +
                                             " (ZEL_\?\?\?) is not available in this version of "
                                             "the library\n");
  }
  double t;
  EXPECT_RAISES(Zel_groebner(out.data(), 0, out.data(), 1, 0, &t, 0, 8, 0, nullptr),
                "Zel interface error: no compute record given to groebner\n");
  free_all(sys);
}

TEST_F(GroebnerTest, EdgeCases) {
  // No input: no result.  A unit ideal: the basis {1}.
  std::vector<zs_poly> none;
  EXPECT_TRUE(compute(none, 0, 2).empty());
  std::vector<zs_poly> unit(2);
  int x[] = {1, 0}, one[] = {0, 0};
  for (auto& f : unit) zs_init(&f, 2);
  zs_add_term(&unit[0], x, 1);
  zs_add_term(&unit[1], x, 1), zs_add_term(&unit[1], one, -1);
  std::vector<NGPoly> B = compute(unit, 0, 2);
  ASSERT_EQ(B.size(), 1u);
  EXPECT_EQ(B[0], (NGPoly{{{0, 0}, 1}}));
  free_all(unit);
  // restrict without a first block keeps everything.
  std::vector<zs_poly> k3(4);
  zs_katsura(3, k3.data());
  EXPECT_EQ(compute(k3, 0, 4, Request{}, 1), reference(k3, 0));
  free_all(k3);
  char buf[64];
  I32 n = Zel_recompute(buf, sizeof buf);
  EXPECT_EQ(n, I32(std::strlen(buf)));
  EXPECT_GE(n, 15);
  EXPECT_EQ(Zel_recompute(buf, 5), 0);
}

}  // namespace

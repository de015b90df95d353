// The integer build's host entries through the stand-in host: polynomials in
// as coefficient words and as host integers, out as word arrays, lists of
// host integers and expressions; their argument errors; GMP left as found.
#include <gmp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include "engine/api/binding.hpp"
#include "engine/api/host.hpp"
#include "engine/api/interrupt.hpp"
#include "engine/zel_binding.h"
#include "host/standin_host.hpp"
#include "support/naive_buchberger_qq.hpp"

// Exported for hosts that switch GMP's functions themselves; no header
// declares it.
extern "C" void Zel_pop_safe_gmp_alloc_fnct(void);

// The prime-field build's version cache, which a test below fills too.
namespace zel::fp_build {
void forget_host_version();
}

namespace {

using standin::Host;
using standin::HostRaised;

struct IntBinding : ::testing::Test {
  Host host;
  void* (*alloc0)(size_t) = nullptr;
  void* (*realloc0)(void*, size_t, size_t) = nullptr;
  void (*free0)(void*, size_t) = nullptr;

  void SetUp() override { mp_get_memory_functions(&alloc0, &realloc0, &free0); }
  ~IntBinding() override {
    zel::set_host(zel::default_host());
    zel::Zel_verb_info = 0;
    zel::int_build::forget_host_version();
    zel::restore_sigint();
  }
  // GMP's memory functions are the caller's again after every entry.
  void expect_gmp_untouched() {
    void* (*a)(size_t);
    void* (*r)(void*, size_t, size_t);
    void (*f)(void*, size_t);
    mp_get_memory_functions(&a, &r, &f);
    EXPECT_EQ(a, alloc0);
    EXPECT_EQ(r, realloc0);
    EXPECT_EQ(f, free0);
  }
  void init(int n) {
    host.call(zel_int_gbasis_init,
              {host.integer(n), host.integer(0), host.integer(0), host.integer(0)});
  }
  std::string raised(standin::Entry entry, const std::vector<HostValue>& args) {
    try {
      host.call(entry, args);
    } catch (const HostRaised& e) {
      return e.what();
    }
    return "(nothing raised)";
  }
};

// 3*x1^12 - (2^40 + 5)*x2 + 7 as coefficient words (sign, then magnitude
// least significant first, width 3).
const std::vector<int32_t> kExps = {12, 0, 0, 1, 0, 0};
const std::vector<int32_t> kWords = {1, 3, 0, -1, 5, 256, 1, 7, 0};

std::map<std::vector<int32_t>, mpz_class> expected_terms() {
  return {{{12, 0}, 3}, {{0, 1}, -(mpz_class(1) << 40) - 5}, {{0, 0}, 7}};
}

TEST_F(IntBinding, WordsAndHostIntegersInAndOut) {
  init(2);
  host.call(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3),
                                host.int32_rtable(kExps, {6}), host.int32_rtable(kWords, {9})});
  expect_gmp_untouched();
  const auto terms = expected_terms();
  std::vector<HostValue> coeffs;
  for (int t = 0; t < 3; ++t)
    coeffs.push_back(host.integer(terms.at({kExps[2 * t], kExps[2 * t + 1]})));
  host.call(zel_int_send_poly_gmp,
            {host.integer(2), host.integer(3), host.int32_rtable(kExps, {6}), host.list(coeffs)});
  expect_gmp_untouched();

  // Before any compute the table holds what was sent: read both back.
  for (int k = 0; k < 2; ++k) {
    HostValue e = host.int32_rtable(std::vector<int32_t>(6, -1), {6});
    HostValue next = host.name("next");
    HostValue words = host.call(
        zel_int_receive_poly, {host.integer(k), host.integer(2), host.integer(3), e, next});
    expect_gmp_untouched();
    const std::vector<int32_t> b = host.bounds_of(words);
    ASSERT_EQ(b.size(), 2u);
    ASSERT_EQ(b[0], 3);
    const int32_t width = b[1];
    EXPECT_GE(width, 3);
    EXPECT_FALSE(host.is_foreign(words));  // the host's own copy
    const std::vector<int32_t> exps = host.int32_elements(e), w = host.int32_elements(words);
    std::map<std::vector<int32_t>, mpz_class> got;
    for (int t = 0; t < 3; ++t) {
      mpz_class mag = 0;
      for (int i = width - 1; i >= 1; --i) mag = (mag << 32) + uint32_t(w[t * width + i]);
      got[{exps[2 * t], exps[2 * t + 1]}] = w[t * width] < 0 ? -mag : mag;
    }
    EXPECT_EQ(got, terms);
    if (k == 0) {
      EXPECT_EQ(host.integer_of(host.value_of(next)), 3);
    }

    HostValue list = host.call(zel_int_receive_poly_gmp,
                               {host.integer(k), host.integer(2), host.integer(3), e, next});
    const std::vector<HostValue> items = host.items_of(list);
    ASSERT_EQ(items.size(), 3u);
    const std::vector<int32_t> exps2 = host.int32_elements(e);
    for (int t = 0; t < 3; ++t)
      EXPECT_EQ(host.integer_of(items[t]), terms.at({exps2[2 * t], exps2[2 * t + 1]}));
    expect_gmp_untouched();
  }

  // Arrays handed out stay valid after the next request resets the engine.
  HostValue e = host.int32_rtable(std::vector<int32_t>(6, 0), {6});
  HostValue words = host.call(zel_int_receive_poly, {host.integer(0), host.integer(2),
                                                     host.integer(3), e, host.name("n")});
  const std::vector<int32_t> before = host.int32_elements(words);
  // A memory reset from a C caller frees the export zone's block: the next
  // receive must take a fresh one, not write into the freed block.
  ASSERT_NE(zel::Zel_int_zone, nullptr);
  Zel_int_reset_memory();
  EXPECT_EQ(zel::Zel_int_zone, nullptr);
  init(2);
  EXPECT_EQ(host.int32_elements(words), before);
}

TEST_F(IntBinding, ExpressionsCapExponentsAtTen) {
  init(2);
  host.call(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3),
                                host.int32_rtable(kExps, {6}), host.int32_rtable(kWords, {9})});
  HostValue vars = host.list({host.name("x"), host.name("y")});
  HostValue out = host.call(zel_int_receive_poly_new, {host.integer(0), vars, host.integer(2)});
  const std::vector<HostValue> items = host.items_of(out);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(host.show(items[0]), "x^10");
  EXPECT_EQ(host.show(items[1]), "x^10+y+1");
  EXPECT_EQ(raised(zel_int_receive_poly_new, {host.integer(1), vars, host.integer(2)}),
            "cannot export poly: code=3rd");
}

// A receive of fewer exponents than the variables would read x2 as 1: the
// export fails and the host gets its error.
TEST_F(IntBinding, ReceivesOfFewerVariablesRaiseTheExportError) {
  init(2);
  host.call(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3),
                                host.int32_rtable(kExps, {6}), host.int32_rtable(kWords, {9})});
  HostValue e = host.int32_rtable(std::vector<int32_t>(3, -1), {3});
  const std::string code = "cannot export poly: code=-1st";  // the host's ordinal of -1
  EXPECT_EQ(raised(zel_int_receive_poly,
                   {host.integer(0), host.integer(1), host.integer(3), e, host.name("n")}),
            code);
  EXPECT_EQ(raised(zel_int_receive_poly_gmp,
                   {host.integer(0), host.integer(1), host.integer(3), e, host.name("n")}),
            code);
  EXPECT_EQ(host.int32_elements(e), std::vector<int32_t>(3, -1));
  EXPECT_EQ(raised(zel_int_receive_poly_new,
                   {host.integer(0), host.list({host.name("x")}), host.integer(1)}),
            code);
}

TEST_F(IntBinding, ArgumentErrors) {
  // Raised by an exception and, as a host written in C does, by longjmp.
  for (standin::Unwinding unwinding :
       {standin::Unwinding::kException, standin::Unwinding::kLongjmp}) {
    host.unwinding = unwinding;
    EXPECT_EQ(raised(zel_int_gbasis_init, {host.integer(1)}), "4th arguments expected");
    // Variable counts the engine refuses, before any is named.
    EXPECT_EQ(raised(zel_int_gbasis_init,
                     {host.integer(-1), host.integer(0), host.integer(0), host.integer(0)}),
              "the 1st argument must be at least 0");
    EXPECT_EQ(raised(zel_int_gbasis_init, {host.integer(1), host.integer(0x7fffffff),
                                           host.integer(0), host.integer(0)}),
              "at most 9999 variables, instead got 2147483648");
    init(2);
    const auto rt = [&](std::vector<int32_t> v) { return host.int32_rtable(v, {int32_t(v.size())}); };
    // Arrays shorter than the counts they come with.
    EXPECT_EQ(raised(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3),
                                         rt(kExps), rt({1, 3, 0})}),
              "the array holds 3 entries where 9 are needed");
    EXPECT_EQ(raised(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3),
                                         host.string("E"), rt(kWords)}),
              "rtable expected for parameter 1");
    EXPECT_EQ(raised(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3),
                                         host.float_rtable(6), rt(kWords)}),
              "integer[4] rtable expected for parameter 1");
    EXPECT_EQ(raised(zel_int_send_poly_gmp,
                     {host.integer(2), host.integer(3), rt(kExps), host.integer(4)}),
              "Args 3 is not a list !\n");
    EXPECT_EQ(raised(zel_int_send_poly_gmp,
                     {host.integer(2), host.integer(3), host.name("E"), host.list({})}),
              "Incorrect paramaters 3 not an array");
    EXPECT_EQ(raised(zel_int_send_poly_gmp,
                     {host.integer(2), host.integer(3), rt(kExps), host.list({host.integer(1)})}),
              "the list holds 1 coefficients where 3 are needed");
    // No result 0 yet.
    EXPECT_EQ(raised(zel_int_receive_poly,
                     {host.integer(0), host.integer(2), host.integer(3), rt(kExps), host.name("n")}),
              "cannot export poly: code=-1st");
    // The session is still usable.
    host.call(zel_int_send_poly, {host.integer(3), host.integer(2), host.integer(3), rt(kExps),
                                  rt(kWords)});
    expect_gmp_untouched();
  }
}

using Terms = std::vector<std::pair<std::vector<int32_t>, mpz_class>>;
const mpz_class kBig = (mpz_class(1) << 70) + 12345;
// x0^2 - big*x1 + 3, x1^2 - 7*x0*x1 - 2, x0*x1^2 + x2^2 - big
const std::vector<Terms> kSystem = {{{{2, 0, 0}, 1}, {{0, 1, 0}, -kBig}, {{0, 0, 0}, 3}},
                                    {{{0, 2, 0}, 1}, {{1, 1, 0}, -7}, {{0, 0, 0}, -2}},
                                    {{{1, 2, 0}, 1}, {{0, 0, 2}, 1}, {{0, 0, 0}, -kBig}}};

// Sends kSystem as coefficient words (sign word and three magnitude words)
// and computes its basis; the names t, first and count get the results.
HostValue send_and_compute(Host& host, HostValue t, HostValue first, HostValue count) {
  for (const auto& f : kSystem) {
    const int32_t w = 4;
    std::vector<int32_t> exps, words;
    for (const auto& [e, c] : f) {
      exps.insert(exps.end(), e.begin(), e.end());
      words.push_back(sgn(c) < 0 ? -1 : 1);
      mpz_class mag = abs(c);
      for (int i = 1; i < w; ++i) {
        words.push_back(int32_t(uint32_t(mpz_class(mag & 0xFFFFFFFFu).get_ui())));
        mag >>= 32;
      }
    }
    const int32_t m = int32_t(f.size());
    host.call(zel_int_send_poly, {host.integer(w), host.integer(3), host.integer(m),
                                  host.int32_rtable(exps, {3 * m}),
                                  host.int32_rtable(words, {w * m})});
  }
  HostValue options = host.int32_rtable({4, 0, 0, 0}, {4});
  return host.call(zel_int_gbasis_compute,
                   {t, first, count, host.integer(0), host.integer(0), host.integer(0),
                    host.integer(0), host.integer(0), host.string("ZEL_COMPUTE_GBASIS"),
                    host.integer(0), host.integer(0), options});
}

// A whole request: polynomials with large and negative coefficients sent as
// words, the basis computed and received as host integers, equal to the
// naive reduced basis over the rationals; twice in a row.
TEST_F(IntBinding, WholeRequestGivesTheReducedBasisOverTheRationals) {
  using namespace zel_test::buchberger;
  NaiveGroebnerQQ gb{{0}};
  std::vector<QPoly> F;
  for (const auto& f : kSystem) {
    QPoly q;
    for (const auto& [e, c] : f) q.push_back({NMono(e.begin(), e.end()), mpq_class(c)});
    F.push_back(gb.normalise(q));
  }
  const std::vector<QPoly> expected = gb.basis(F);
  ASSERT_GT(expected.size(), 2u);

  for (int round = 0; round < 2; ++round) {
    init(3);
    HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");
    send_and_compute(host, t, first, count);
    expect_gmp_untouched();
    const long r = host.integer_of(host.value_of(count)).get_si();
    ASSERT_EQ(size_t(r), expected.size());
    std::vector<QPoly> got;
    HostValue next = host.name("next");
    long m = host.integer_of(host.value_of(first)).get_si();
    for (long k = 0; k < r; ++k) {
      HostValue e = host.int32_rtable(std::vector<int32_t>(size_t(3 * m), 0), {int32_t(3 * m)});
      HostValue list = host.call(zel_int_receive_poly_gmp,
                                 {host.integer(k), host.integer(3), host.integer(m), e, next});
      const std::vector<int32_t> exps = host.int32_elements(e);
      const std::vector<HostValue> cs = host.items_of(list);
      QPoly f;
      for (long i = 0; i < m; ++i)
        f.push_back({NMono(exps.begin() + 3 * i, exps.begin() + 3 * (i + 1)),
                     mpq_class(host.integer_of(cs[size_t(i)]))});
      got.push_back(NaiveGroebnerQQ::monic(f));
      if (k + 1 < r) m = host.integer_of(host.value_of(next)).get_si();
    }
    gb.sort_basis(got);
    EXPECT_TRUE(got == expected);
  }
}

// A host from version 13 is polled with GMP on its own functions; a pending
// interrupt unwinds the compute, GMP is the caller's again and the next
// request works.
TEST_F(IntBinding, NewHostsArePolledOutsideTheGmpContextAndCanInterrupt) {
  host.version = "Maple 13.0";
  HostValue t = host.name("t"), first = host.name("first"), count = host.name("count");
  init(3);
  zel::int_build::count_interrupt = 0xFFF;  // the next poll asks the host
  send_and_compute(host, t, first, count);
  ASSERT_GT(host.interrupt_checks, 0);
  EXPECT_EQ(host.gmp_alloc_at_check, alloc0);

  init(3);
  host.interrupt = true;
  zel::int_build::count_interrupt = 0xFFF;
  EXPECT_THROW(send_and_compute(host, t, first, count), HostRaised);
  expect_gmp_untouched();
  init(3);
  send_and_compute(host, t, first, count);
  EXPECT_GT(host.integer_of(host.value_of(count)), 2);
}

// Once a request is over the host has no call to unwind, and its raise
// returns: an entry that raises then (here the guard of GMP's functions) ends
// the process with the message and status 1.
TEST_F(IntBinding, ARaiseOutsideAHostCallEndsWithTheMessageAndStatusOne) {
  init(2);
  EXPECT_EXIT(
      {
        alarm(30);  // a child that hangs ends with SIGALRM
        Zel_pop_safe_gmp_alloc_fnct();
      },
      ::testing::ExitedWithCode(1), "Zel_pop_safe_gmp_alloc_fnct\n");
}

// On hosts older than 11.0 both builds install their SIGINT handler; the
// unload gives back the handler the process had, whichever build came last.
void host_own_sigint(int) {}

TEST_F(IntBinding, UnloadGivesSigintBack) {
  struct sigaction own {}, before {}, after {};
  own.sa_handler = host_own_sigint;
  sigemptyset(&own.sa_mask);
  sigaction(SIGINT, &own, &before);
  host.version = "Maple 10.0";
  host.call(zel_gbasis_init, {host.integer(2), host.integer(0), host.integer(0),
                              host.integer(65521), host.integer(0)});
  init(2);
  sigaction(SIGINT, nullptr, &after);
  EXPECT_NE(after.sa_handler, host_own_sigint);
  host.call(zel_int_unload, {});
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, host_own_sigint);
  sigaction(SIGINT, &before, nullptr);
  zel::fp_build::forget_host_version();
}

}  // namespace

// Session set-up of the C interface: the size and order checks, primes,
// variables and the reset shared by both builds.
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/api/session.hpp"
#include "engine/coef/primes.hpp"
#include "engine/mem/messages.hpp"
#include "engine/mono/expos_layout.hpp"
#include "engine/poly/dpol.hpp"
#include "support/test_host.hpp"
#include "support/zel_systems.h"
#include "tests/engine/api/api_session.hpp"

// The serial counters of both builds.
namespace zel::int_build {
extern uint32_t gen_sym_Dpol;
}
namespace zel::fp_build {
extern uint32_t gen_sym_Dpol;
}

using namespace zel::ZEL_BUILD;

namespace {

struct SessionTest : ::testing::Test {
  zel_test::TestHost host{0};
  void SetUp() override { ZEL_C(reset_memory)(); }
  void TearDown() override { ZEL_C(reset_memory)(); }
};

TEST_F(SessionTest, InitUrgentRefusesWrongSizesAndOrders) {
  const UI32 other = kIntegerBuild ? 2 : 4;
  const std::string coeff_msg =
      kIntegerBuild ? "Coefficients (Dom): Orv compiled for 16 bits and Zel for 32 bits !\n"
                    : "Coefficients (Dom): Orv compiled for 32 bits and Zel for 16 bits !\n";
  EXPECT_RAISES(ZEL_C(init_urgent)(other, 2, "DRLDRL", 100000, 0), coeff_msg);
  EXPECT_RAISES(ZEL_C(init_urgent)(sizeof(Dom), 2, "DRLDRL", 5000, 0),
                "MAXI_BASE=100000 in Zel and 5000 in ORV\n");
  EXPECT_RAISES(ZEL_C(init_urgent)(sizeof(Dom), 4, "DRLDRL", 100000, 0),
                std::string("Exponents: Maple interface compiled for 32 bits and Zel for 16 bits "
                            "in LIBMODE=") +
                    (kIntegerBuild ? "2" : "1") + "!\n");
  // Shorter, longer and different names: the whole string must match.
  for (const char* order : {"DRL", "DRLDRLX", "drldrl", ""})
    EXPECT_RAISES(ZEL_C(init_urgent)(sizeof(Dom), 2, order, 100000, 0),
                  std::string("Zel was compiled for a elimination ordering and Orv for ") + order +
                      "\n");
  EXPECT_NE(ZEL_C(init_urgent)(sizeof(Dom), 2, "DRLDRL", 100000, 0), nullptr);
}

TEST_F(SessionTest, InitBeforeInitUrgentIsRefused) {
  EXPECT_RAISES(ZEL_C(init)(1, 1, 0, nullptr), "Zel interface error: init before init_urgent\n");
}

TEST_F(SessionTest, PolynomialsBeforeInitUrgentAreRefused) {
  EXPECT_RAISES(ZEL_C(creat_poly)(2), "Zel interface error: creat_poly before init_urgent\n");
#ifdef ZEL_VARIANT_INT
  EXPECT_RAISES(ZEL_C(reset_coeffs)(1), "Zel interface error: reset_coeffs before init_urgent\n");
#endif
}

TEST_F(SessionTest, ARequestAfterTheOtherBuildsResetSaysWhatClearedItsSession) {
  zel_test::start_session(0, 2);
  void* in[1] = {ZEL_C(creat_poly)(0)};
  ZEL_C(full_sort_poly2)(in[0]);
  void* out[4];
  if (kIntegerBuild)
    Zel_reset_memory();
  else
    Zel_int_reset_memory();
  const std::string other = kIntegerBuild ? "prime-field" : "integer";
  EXPECT_RAISES(ZEL_C(gbasis_rr_form)(in, 1, out, nullptr),
                "Zel interface error: gbasis_rr_form after a memory reset of the " + other +
                    " build, which also cleared this build's session: set it up again from "
                    "init_urgent on\n");
  // A reset of its own build is a fresh start again.
  ZEL_C(reset_memory)();
  EXPECT_RAISES(ZEL_C(creat_poly)(2), "Zel interface error: creat_poly before init_urgent\n");
}

TEST_F(SessionTest, VariablesAreNamedAndTheTableIsBounded) {
  zel_test::start_session(2, 3);
  EXPECT_EQ(var_second_block, 2u);
  EXPECT_EQ(nb_of_affine_variables, 5u);
  EXPECT_EQ(current_id_vars, 5u);
  EXPECT_STREQ(Liste_variables[4], "x4");
  EXPECT_STREQ(Liste_variables[5], "?");
  // 9999 names and the "?" fill the 10000 slots; one more would write past.
  std::vector<std::string> storage(10000, "v");
  std::vector<char*> names;
  for (auto& s : storage) names.push_back(&s[0]);
  ZEL_C(reset_expos)(9999, 0, names.data());
  EXPECT_STREQ(Liste_variables[9999], "?");
  EXPECT_RAISES(ZEL_C(reset_expos)(5000, 5000, names.data()),
                "Zel interface error: at most 9999 variables (got 10000)\n");
  EXPECT_RAISES(ZEL_C(reset_expos)(0xFFFFFFFFu, 2, names.data()),
                "Zel interface error: at most 9999 variables (got 4294967297)\n");
}

#if defined(ZEL_VARIANT_FP) && !defined(__SANITIZE_ADDRESS__)
// (Not under the sanitizer: its allocator keeps accounts of its own.)
TEST_F(SessionTest, FreeMemoryGivesBackWhatASolvingModeTook) {
  zs_poly sys[11];
  void* in[11];
  void* out[64];
  zs_session(0, 11, 65521, 0);
  zs_katsura(10, sys);
  for (int k = 0; k < 11; ++k) {
    in[k] = zs_send(&sys[k]);
    zs_free(&sys[k]);
  }
  const size_t before = mallinfo2().uordblks;
  sZEL_Comp_Desc env{};
  env._compute = ZEL_COMPUTE_RRFORM;
  env._aggressive2 = env._dlim = env._skip = -1;
  double t = 0;
  ASSERT_EQ(Zel_groebner(in, 11, out, 1, 0, &t, 0, 8, 0, &env), 11u);
  Zel_free_memory();
  // The change of order alone kept 20 MB here (1024 solutions).
  EXPECT_LT(mallinfo2().uordblks, before + (4u << 20));
}
#endif

#ifdef ZEL_VARIANT_FP
TEST_F(SessionTest, ThePrimeMustBeAPrimeBelow65536) {
  zel_test::start_session(0, 2);
  // n other than 1 still means the one prime pr[0].
  UI32 pr[] = {32003, 7};
  ZEL_C(reset_coeffs)(5, pr);
  EXPECT_EQ(ZEL_C(vectorize), 1u);
  EXPECT_EQ(ZEL_C(Primes)[0], 32003u);
  for (UI32 bad : {65536u, 65537u}) {
    UI32 q[] = {bad};
    EXPECT_RAISES(ZEL_C(reset_coeffs)(1, q), "The prime-field build needs a prime below 65536 (got " +
                                                 std::to_string(bad) + ")\n");
  }
  // Below 65536 the message says what is wrong with the number.
  for (UI32 bad : {65520u, 65535u, 1u, 0u, 100u}) {
    UI32 q[] = {bad};
    EXPECT_RAISES(ZEL_C(reset_coeffs)(1, q), "The prime-field build needs a prime below 65536 (got " +
                                                 std::to_string(bad) + ", which is not prime)\n");
  }
}
#endif

TEST_F(SessionTest, AResetOfOneBuildResetsTheOther) {
  zel_test::start_session(0, 2);
  zel::int_build::gen_sym_Dpol = 7;
  zel::fp_build::gen_sym_Dpol = 9;
  ZEL_C(reset_memory)();
  EXPECT_EQ(zel::int_build::gen_sym_Dpol, 0u);
  EXPECT_EQ(zel::fp_build::gen_sym_Dpol, 0u);
  EXPECT_EQ(ZEL_C(free_memory)(), 1);
  // After free_memory a new session starts cleanly.
  zel_test::start_session(1, 1);
  EXPECT_EQ(nb_of_affine_variables, 2u);
}

// Every entry that takes a polynomial handle refuses one whose memory went
// with a reset, instead of reading it.
TEST_F(SessionTest, EveryHandleEntryRefusesAHandleFromBeforeAReset) {
  zel_test::start_session(0, 2);
  void* h = ZEL_C(creat_poly)(1);
  const I32 e[2] = {1, 0};
  ZEL_C(set_expos2)(h, 0, e, 2);
#ifdef ZEL_VARIANT_INT
  ZEL_C(set_coeff_gmp_str)(h, 0, "1");
#else
  ZEL_C(set_coeff_I32)(h, 0, 1);
#endif
  ZEL_C(full_sort_poly2)(h);
  ZEL_C(free_memory)();
  zel_test::start_session(0, 2);
  UI32 exps[2], words[4];
  Dom c[8] = {1};
  I32 got[2];
  std::vector<void*> out(100000);
  double cpu = 0;
  sZEL_Comp_Desc env{};
  env._compute = ZEL_COMPUTE_GBASIS;
#ifdef ZEL_VARIANT_INT
  UI32 width;
  struct Integer {
    mpz_t v;
    Integer() { mpz_init_set_ui(v, 1); }
    ~Integer() { mpz_clear(v); }
    mpz_srcptr get() const { return v; }
  } one;
#endif
  const std::vector<std::pair<std::string, std::function<void()>>> entries = {
      {"set_expos2", [&] { ZEL_C(set_expos2)(h, 0, e, 2); }},
      {"set_coeff_I32", [&] { ZEL_C(set_coeff_I32)(h, 0, 1); }},
      {"nb_terms", [&] { ZEL_C(nb_terms)(h); }},
      {"size_poly", [&] { ZEL_C(size_poly)(h); }},
      {"export_poly", [&] { ZEL_C(export_poly)(2, 1, exps, words, h); }},
      {"set_coeff", [&] { ZEL_C(set_coeff)(h, 0, c); }},
      {"get_coeff", [&] { ZEL_C(get_coeff)(h, 0, c); }},
      {"set_expos", [&] { ZEL_C(set_expos)(h, 0, e); }},
      {"set_expos_d", [&] { ZEL_C(set_expos_d)(h, 0, exps); }},
      {"get_expos", [&] { ZEL_C(get_expos)(h, 0, got); }},
      {"sort_poly", [&] { ZEL_C(sort_poly)(h); }},
      {"full_sort_poly", [&] { ZEL_C(full_sort_poly)(h); }},
      {"full_sort_poly2", [&] { ZEL_C(full_sort_poly2)(h); }},
      {"coeff_Dpol", [&] { ZEL_C(coeff_Dpol)(h); }},
      {"groebner", [&] { ZEL_C(groebner)(&h, 1, out.data(), 1, 0, &cpu, 0, 0, 0, &env); }},
      {"hilbert", [&] { ZEL_C(hilbert)(&h, 1, out.data(), 1, 0, &cpu, 0, 0, 0); }},
      {"gbasis_rr_form", [&] { ZEL_C(gbasis_rr_form)(&h, 1, out.data(), &cpu); }},
#ifdef ZEL_VARIANT_INT
      {"set_coeff_raw", [&] { ZEL_C(set_coeff_raw)(h, 0, e, 2); }},
      {"set_coeff_gmp", [&] { ZEL_C(set_coeff_gmp)(h, 0, one.get()); }},
      {"set_coeff_gmp_str", [&] { ZEL_C(set_coeff_gmp_str)(h, 0, "1"); }},
      {"export_poly_INT", [&] { ZEL_C(export_poly_INT)(2, 1, exps, words, 4, h, &width); }},
      {"export_poly_mon_INT",
       [&] { ZEL_C(export_poly_mon_INT)(0, 2, 1, exps, words, 4, h, &width); }},
      {"export_poly_INT_gmp", [&] { ZEL_C(export_poly_INT_gmp)(2, 1, exps, h); }},
      {"export_monom_INT", [&] { ZEL_C(export_monom_INT)(0, 2, exps, h); }},
      {"see_Dpol_INT", [&] { ZEL_C(see_Dpol_INT)(h); }},
#else
      {"see_Dpol", [&] { ZEL_C(see_Dpol)(h); }},
#endif
  };
  for (const auto& [who, call] : entries)
    EXPECT_RAISES(call(), "Zel interface error: " + who +
                              " was given a polynomial that is not a handle of this session "
                              "(made before the last reset_memory?)\n");
}

// A monomial is checked like a handle: one made before a reset (its memory
// is gone) or a pointer that never was a monomial would be read as whatever
// lies there now.
TEST_F(SessionTest, SetExposDRefusesAMonomialThatIsNotOneOfThisSession) {
  zel_test::start_session(0, 2);
  const I32 e[2] = {1, 1};
  void* old = ZEL_C(assign_expos)(e, 2);
  ZEL_C(reset_memory)();
  zel_test::start_session(0, 2);
  void* h = ZEL_C(creat_poly)(2);
  const std::string refused =
      "Zel interface error: set_expos_d was given a monomial that is not one of this session "
      "(assign_expos or set_expos; made before the last reset_memory?)\n";
  EXPECT_RAISES(ZEL_C(set_expos_d)(h, 0, old), refused);
  I32 not_a_monomial[8] = {};
  EXPECT_RAISES(ZEL_C(set_expos_d)(h, 0, not_a_monomial), refused);
  EXPECT_RAISES(ZEL_C(set_expos_d)(h, 0, h), refused);
  EXPECT_RAISES(ZEL_C(set_expos_d)(h, 0, nullptr),
                "Zel interface error: null monomial given to set_expos_d\n");
  // This session's monomials are taken.
  ZEL_C(set_expos_d)(h, 0, ZEL_C(assign_expos)(e, 2));
  const I32 f[2] = {0, 3};
  ZEL_C(set_expos_d)(h, 1, ZEL_C(set_expos)(h, 0, f));
  I32 got[2];
  ZEL_C(get_expos)(h, 1, got);
  EXPECT_EQ(got[0], 0);
  EXPECT_EQ(got[1], 3);
}

// A monomial made for other variables would lose exponents or read others:
// made for five, it read back as x0^3*x1^2 in a session of two.  A return to
// its variables takes it again.
TEST_F(SessionTest, SetExposDRefusesAMonomialMadeForOtherVariables) {
  zel_test::start_session(0, 5);
  const I32 e[5] = {3, 2, 4, 5, 6};
  void* five = ZEL_C(assign_expos)(e, 5);
  ZEL_C(reset_expos)(0, 2, zel_test::test_names(2));
  void* h = ZEL_C(creat_poly)(1);
  EXPECT_RAISES(ZEL_C(set_expos_d)(h, 0, five),
                "Zel interface error: set_expos_d was given a monomial made for 5 variables, "
                "but the session has 2 since reset_expos\n");
  ZEL_C(reset_memory)();
  zel_test::start_session(0, 5);
  five = ZEL_C(assign_expos)(e, 5);
  ZEL_C(reset_expos)(2, 1, zel_test::test_names(3));
  ZEL_C(reset_expos)(1, 4, zel_test::test_names(5));
  h = ZEL_C(creat_poly)(1);
  ZEL_C(set_expos_d)(h, 0, five);
  I32 got[5];
  ZEL_C(get_expos)(h, 0, got);
  EXPECT_EQ(std::vector<I32>(got, got + 5), std::vector<I32>(e, e + 5));
}

TEST_F(SessionTest, InitSetsTheFlagsAndTheRootPair) {
  zel_test::start_session(0, 2);
  void* root = ZEL_C(init)(0, 0, 1, nullptr);
  EXPECT_EQ(root, static_cast<void*>(z_Crit));
  EXPECT_EQ(ZEL_C(want_quiet), 0u);
  EXPECT_EQ(ZEL_C(want_chinese_only), 1);
  EXPECT_EQ(ZEL_C(want_full_lift)(), 1);
  ZEL_C(init)(0, 1, 0, nullptr);
  EXPECT_EQ(ZEL_C(want_quiet), 1u);
  EXPECT_EQ(want_pipe2, 1);
}

TEST_F(SessionTest, SmallEntries) {
  EXPECT_EQ(ZEL_C(internal_version)(), kIntegerBuild ? 11804 : 11803);
  EXPECT_EQ(ZEL_C(scheduler)(), 0);
  EXPECT_EQ(ZEL_C(attendre1)(), 1);
  EXPECT_EQ(ZEL_C(size_memory_coeff)(), 8 * ZEL_C(vectorize));
  EXPECT_GE(ZEL_C(cpu)(), 0.0);
  zel_test::TestHost report{4};
  EXPECT_EQ(ZEL_C(internal_report)(), ZEL_C(internal_version)());
  const std::string& out = zel_test::captured().printed;
  EXPECT_NE(out.find(kIntegerBuild ? "(LIBMODE=2)" : "(LIBMODE=1)"), std::string::npos);
  EXPECT_NE(out.find("\tHASH_PRIME = 5666677\n"), std::string::npos);
  EXPECT_NE(out.find("\tMAX_GARBAGES=30000\n"), std::string::npos);
}

TEST_F(SessionTest, ACCallerSeesTheReport) {
  // A C caller's messages are silent: the report goes to standard error.
  testing::internal::CaptureStderr();
  ZEL_C(internal_report)();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("\tMAX_GARBAGES=30000\n"), std::string::npos);
  EXPECT_EQ(zel::Zel_verb_info, 0);
}

TEST(SessionDeathTest, AttendreNeverReturns) {
  // It holds the process for a debugger: only a signal ends it.
  EXPECT_EXIT(
      {
        alarm(1);
        ZEL_C(attendre)();
      },
      ::testing::KilledBySignal(SIGALRM), "");
}

}  // namespace

// BigDexp: layout, the examples of its documentation, random cross-checks
// against naive monomials, and its fatal paths.
#include "server/base/bigdexp.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "server/base/exp_crosscheck.hpp"
#include "server/log_capture.hpp"

using namespace orv::ORV_BUILD;
using orv_test::make;
using orv_test::Vec;
using zel_test::Mono;

namespace {

struct BigDexpT {
  using Flat = uint16_t;
  static constexpr unsigned kTop = 1000;  // 13 variables: products stay below 2^15
  static constexpr uint64_t kSalt = 1;
  static void setup(unsigned n) { set_nb_var_BigDexp(n, 0, 0); }
  static unsigned words() { return internal_nb_dbl_block_BigDexp; }
  static int naive_order(const Mono& a, const Mono& b) { return zel_test::naive_drl(a, b); }
  static int naive_rev_order(const Mono& a, const Mono& b) { return zel_test::naive_rev_drl(a, b); }
  ORV_EXP_NAMES(BigDexp)
};

Vec<BigDexpT> mono(std::initializer_list<unsigned> e) { return make<BigDexpT>(Mono(e)); }

}  // namespace

TEST(BigDexp, LayoutPutsTheDegreeOnTopOfWordZeroAndVariableZeroLast) {
  set_nb_var_BigDexp(3, 0, 0);
  EXPECT_EQ(internal_nb_dbl_block_BigDexp, 1u);
  set_nb_var_BigDexp(0, 0, 0);
  EXPECT_EQ(internal_nb_dbl_block_BigDexp, 0u);
  set_nb_var_BigDexp(4, 0, 0);
  EXPECT_EQ(internal_nb_block_BigDexp, 2u);
  auto x0 = mono({7, 0, 0, 0});
  EXPECT_EQ(x0.w[0], uint64_t(7) << 48);
  EXPECT_EQ(x0.w[1], uint64_t(7) << 48);  // x0 alone in word 1's top field
  // n = 6: word 0 = degree, x5, x4, x3; word 1 = x2, x1, x0, unused.
  set_nb_var_BigDexp(6, 0, 0);
  EXPECT_EQ(size_memory_buf_BigDexp(), 12u);
  EXPECT_EQ(Nombre_variables_BigDexp(), 6u);
  EXPECT_EQ(nb_first_block_BigDexp(), 6u);
  EXPECT_EQ(nb_second_block_BigDexp(), 0u);
  auto v = mono({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(v.w[0], 0x0015000600050004ULL);
  EXPECT_EQ(v.w[1], 0x0003000200010000ULL);
  EXPECT_EQ(extraire_BigDexp(v.p(), 6), 21u);  // i = n is the degree
  EXPECT_EQ(phys_index_BigDexp(0), 5u);
  EXPECT_EQ(phys_index_BigDexp(6), 3u);
  // Replacing an exponent moves the degree by the difference.
  ranger_BigDexp(v.p(), 10, 2);
  EXPECT_EQ(degree_BigDexp(v.p()), 28u);
  ranger_add_BigDexp(v.p(), 2, 2);
  EXPECT_EQ(extraire_BigDexp(v.p(), 2), 12u);
  EXPECT_EQ(degree_BigDexp(v.p()), 30u);
  ranger_BigDexp(v.p(), 99, 6);
  EXPECT_EQ(degree_BigDexp(v.p()), 99u);
}

TEST(BigDexp, DocumentedExamples) {
  set_nb_var_BigDexp(4, 0, 0);
  // x0^2 > x0 x1: equal degree, neither has x2 or x3, x1 decides.
  EXPECT_EQ(greater_BigDexp(mono({2, 0, 0, 0}).p(), mono({1, 1, 0, 0}).p()), 1);
  auto a = mono({2, 1, 0, 0}), one = mono({0, 0, 0, 0});
  EXPECT_EQ(is_sub_BigDexp(a.p(), mono({1, 1, 0, 0}).p()), 1);
  EXPECT_EQ(is_sub_BigDexp(a.p(), mono({0, 2, 0, 0}).p()), 0);
  EXPECT_EQ(is_sub_BigDexp(a.p(), a.p()), 1);
  EXPECT_EQ(is_sub_BigDexp(a.p(), one.p()), 1);
  unsigned d = 0;
  EXPECT_EQ(is_power_BigDexp(mono({0, 0, 0, 3}).p(), d), 3);
  EXPECT_EQ(d, 3u);
  EXPECT_EQ(is_power_BigDexp(mono({2, 0, 0, 0}).p(), d), 0);
  EXPECT_EQ(d, 2u);
  EXPECT_EQ(is_power_BigDexp(mono({1, 0, 0, 1}).p(), d), -1);
  EXPECT_EQ(is_power_BigDexp(one.p(), d), -1);
  Vec<BigDexpT> out;
  zsup_BigDexp(a.p(), mono({0, 3, 0, 0}).p(), out.p());
  EXPECT_TRUE(orv_test::same(out, mono({2, 3, 0, 0})));
  EXPECT_EQ(degree_BigDexp(out.p()), 5u);
  EXPECT_EQ(mainVariable_BigDexp(one.p()), 0xFFFFFFFFu);
  EXPECT_EQ(is_eliminated_BigDexp(a.p()), 1);
  zscal_BigDexp(3, a.p());
  EXPECT_TRUE(orv_test::same(a, mono({6, 3, 0, 0})));
  Vec<BigDexpT> b1, b2;
  extract_block1_BigDexp(b1.p(), a.p());
  extract_block2_BigDexp(b2.p(), a.p());
  EXPECT_TRUE(orv_test::same(b1, a));
  EXPECT_TRUE(orv_test::same(b2, one));
  // permut_fast moves the exponents and keeps the degree.
  unsigned perm[] = {3, 2, 1, 0};
  permut_fast_BigDexp(out.p(), mono({1, 2, 0, 4}).p(), perm);
  EXPECT_TRUE(orv_test::same(out, mono({4, 0, 2, 1})));
  EXPECT_EQ(is_sym_orbit_BigDexp(out.p()), 0);
  EXPECT_EQ(is_sym_orbit_BigDexp(mono({3, 3, 1, 0}).p()), 1);
}

TEST(BigDexp, APermutationWhoseResultFitsIsNotRefusedHalfway) {
  // Degree 60001 before and after; moving x0's 30000 onto x1 first would
  // pass through degree 90000.
  set_nb_var_BigDexp(3, 0, 0);
  auto v = mono({30000, 1, 30000});
  const unsigned perm[] = {1, 0, 2};
  permut_BigDexp(v.p(), perm);
  EXPECT_TRUE(orv_test::same(v, mono({1, 30000, 30000})));
}

TEST(BigDexp, HashesFollowTheirDefinitions) {
  set_nb_var_BigDexp(2, 0, 0);  // one word: degree, x1, x0, unused
  auto v = mono({5, 1});
  // Fields from the top: 6, 1, 5, 0.
  EXPECT_EQ(
      hash_BigDexp(v.p(), 1000003u),
      ((6u * 65536u + 1u) % 1000003u * 65536u % 1000003u + 5u) % 1000003u * 65536u % 1000003u);
  EXPECT_EQ(Hash_BigDexp(v.p(), 9), uint32_t((9 + v.w[0] % 16777213u) % 16777213u));
}

TEST(BigDexp, AgreesWithNaiveMonomialsOnRandomVectors) {
  orv_test::cross_check<BigDexpT>({1, 2, 3, 4, 5, 7, 8, 9, 13}, 400);
}

TEST(BigDexpDeath, OperationsTheTypeDoesNotProvideAreFatal) {
  orv_test::use_fresh_children();
  set_nb_var_BigDexp(4, 0, 0);
  BigDexp e[2] = {};
  unsigned d;
  EXPECT_EXIT((orv::log_output = stderr, mainVariable_BigDexp(e, d)), testing::ExitedWithCode(3),
              "#error \\(fatal\\): Pas fait mainVariable_BigDexp !\n");
  EXPECT_EXIT((orv::log_output = stderr, mainDegree_BigDexp(e, e, e)), testing::ExitedWithCode(3),
              "Pas fait mainDegree_BigDexp\n");
  EXPECT_EXIT((orv::log_output = stderr, mirror_BigDexp(e)), testing::ExitedWithCode(3),
              "Cas non traite dans mirror !\n");
  EXPECT_EXIT((orv::log_output = stderr, set_nb_var_BigDexp(2001, 0, 0)),
              testing::ExitedWithCode(3), "Too many variables: 2001");
}

TEST(BigDexpDeath, TheDegreeWarningFiresOnceFromTheFirstDegreeThatDoesNotFit) {
  orv_test::use_fresh_children();
  auto run = [] {
    orv::log_output = stderr;
    set_nb_var_BigDexp(3, 0, 0);
    BigDexp out[1];
    // 65535 fits: no warning.
    zsup_verif_BigDexp(mono({30000, 30000, 0}).p(), mono({0, 0, 5535}).p(), out);
    fputs("|", stderr);
    zsup_verif_BigDexp(mono({30000, 30000, 0}).p(), mono({0, 0, 5536}).p(), out);
    zsup_verif_BigDexp(mono({30000, 30000, 0}).p(), mono({0, 0, 5537}).p(), out);
    exit(0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "^\\|#C Warning: Depassement du degre 65536 !$");
}

// Exponents from 32768 on, and degrees beyond 16 bits, would be truncated
// or break the order: they are refused.
TEST(BigDexpDeath, ExponentsOutsideTheExactRangeAreRefused) {
  orv_test::use_fresh_children();
  auto store = [](std::initializer_list<unsigned> e) {
    orv::log_output = stderr;
    set_nb_var_BigDexp(3, 0, 0);
    mono(e);
  };
  EXPECT_EXIT(store({32768, 0, 0}), testing::ExitedWithCode(3),
              "The exponent 32768 of variable 0 does not fit a BigDexp exponent vector");
  EXPECT_EXIT(store({32767, 32767, 2}), testing::ExitedWithCode(3),
              "The degree 65536 of variable 2 does not fit");
  EXPECT_EXIT(store({70000, 0, 0}), testing::ExitedWithCode(3), "The exponent 70000");
}

// init_BigDexp runs once per process, so it is watched in a fresh child:
// another test may have run it already.
TEST(BigDexpDeath, InitRunsItsSelfTestOnceAndClearsTheNamesAfterTheExtraVariables) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        static char name[] = "t";
        extra_nb_vars_BigDexp = 1;
        Liste_variables_BigDexp[0] = name;
        Liste_variables_BigDexp[1] = name;
        init_BigDexp();
        bool first = Nombre_variables_BigDexp() == 4 && Liste_variables_BigDexp[0] == name &&
                     Liste_variables_BigDexp[1] == nullptr;
        Liste_variables_BigDexp[1] = name;
        set_nb_var_BigDexp(6, 0, 0);
        init_BigDexp();  // a second call changes nothing
        bool second = Nombre_variables_BigDexp() == 6 && Liste_variables_BigDexp[1] == name;
        std::exit(first && second ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

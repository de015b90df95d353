// DRLDRL: layout, block set-up, documented examples, random cross-checks
// against the naive block order.
#include "server/base/drldrl.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "server/base/exp_crosscheck.hpp"
#include "server/log_capture.hpp"

using namespace orv::ORV_BUILD;
using orv_test::make;
using orv_test::Vec;
using zel_test::Mono;

namespace {

struct DRLDRLT {
  using Flat = uint8_t;
  static constexpr unsigned kTop = 8;  // 7 variables a block: products stay below 128
  static constexpr uint64_t kSalt = 3;
  static unsigned m;
  static void setup(unsigned n) {
    m = (n + 1) / 2;
    set_nb_var_DRLDRL(n, m, 0);
  }
  static unsigned words() { return internal_nb_dbl_block_DRLDRL; }
  static int naive_order(const Mono& a, const Mono& b) { return zel_test::naive_block(a, b, m); }
  // Per block: degree, then the larger exponent of the last variable that
  // differs.
  static int naive_rev_order(const Mono& a, const Mono& b) {
    Mono a1(a.begin(), a.begin() + m), b1(b.begin(), b.begin() + m);
    Mono a2(a.begin() + m, a.end()), b2(b.begin() + m, b.end());
    int r = zel_test::naive_rev_drl(a1, b1);
    return r ? r : zel_test::naive_rev_drl(a2, b2);
  }
  ORV_EXP_NAMES(DRLDRL)
};
unsigned DRLDRLT::m = 0;

Vec<DRLDRLT> mono(std::initializer_list<unsigned> e) { return make<DRLDRLT>(Mono(e)); }

}  // namespace

TEST(DRLDRL, LayoutOfTwoBlocks) {
  unsetenv("ORVBLOCK");
  set_nb_var_DRLDRL(5, 2, 0);
  EXPECT_EQ(internal_nb_block_block1_DRLDRL, 1u);
  EXPECT_EQ(internal_nb_block_DRLDRL, 2u);
  EXPECT_EQ(internal_nb_dbl_block_DRLDRL, 1u);
  EXPECT_EQ(nb_first_block_DRLDRL(), 2u);
  EXPECT_EQ(nb_second_block_DRLDRL(), 3u);
  EXPECT_EQ(size_memory_buf_DRLDRL(), 5u);
  // Word 0: deg1, x1, x0, unused; word 1: deg2, x4, x3, x2.
  auto v = mono({1, 2, 3, 4, 5});
  EXPECT_EQ(v.w[0], 0x0C050403'03020100ULL);
  EXPECT_EQ(totalDegree_DRLDRL(v.p()), 15u);
  EXPECT_EQ(totalDegree(v.p()), 15u);
  EXPECT_EQ(extraire_DRLDRL(v.p(), 5), 12u);  // i = n: the degree of block 2

  // Block 1 holding every variable: block 2 is its degree word alone.
  set_nb_var_DRLDRL(3, 3, 0);
  EXPECT_EQ(internal_nb_block_block1_DRLDRL, 1u);
  EXPECT_EQ(internal_nb_block_DRLDRL, 2u);
  // One variable with no first block: the variable is in block 2.
  set_nb_var_DRLDRL(1, 0, 0);
  EXPECT_EQ(nb_first_block_DRLDRL(), 0u);
  EXPECT_EQ(internal_nb_block_DRLDRL, 2u);
  auto x = mono({3});
  EXPECT_EQ(is_eliminated_DRLDRL(x.p()), 1);
  unsigned d = 0;
  EXPECT_EQ(is_power_DRLDRL(x.p(), d), 0);
  EXPECT_EQ(d, 3u);
  // A block length from the environment.
  setenv("ORVBLOCK", "2", 1);
  set_nb_var_DRLDRL(5, 0, 0);
  unsetenv("ORVBLOCK");
  EXPECT_EQ(nb_first_block_DRLDRL(), 2u);
  EXPECT_EQ(internal_nb_block_DRLDRL, 2u);
  set_nb_var_DRLDRL(9, 4, 0);  // B1 = 2, W = 2 + 1 + 1 = 4
  EXPECT_EQ(internal_nb_block_DRLDRL, 4u);
  set_nb_var_DRLDRL(8, 4, 0);  // B1 = 2, W = 2 + 2 = 4
  EXPECT_EQ(internal_nb_dbl_block_DRLDRL, 2u);
  set_nb_var_DRLDRL(9, 1, 0);  // B1 = 1, W = 1 + 3 = 4
  EXPECT_EQ(internal_nb_block_DRLDRL, 4u);
  set_nb_var_DRLDRL(0, 0, 0);
  EXPECT_EQ(internal_nb_dbl_block_DRLDRL, 0u);
}

TEST(DRLDRL, DocumentedExamples) {
  set_nb_var_DRLDRL(5, 2, 0);
  EXPECT_EQ(greater_DRLDRL(mono({1, 0, 0, 0, 0}).p(), mono({0, 1, 0, 0, 9}).p()), 1);
  EXPECT_EQ(greater_DRLDRL(mono({0, 1, 0, 0, 0}).p(), mono({0, 0, 0, 0, 9}).p()), 1);
  EXPECT_EQ(greater_DRLDRL(mono({0, 0, 1, 1, 0}).p(), mono({0, 0, 0, 0, 1}).p()), 1);
  unsigned d = 0;
  EXPECT_EQ(is_power_DRLDRL(mono({1, 0, 0, 0, 1}).p(), d), -1);
  EXPECT_EQ(is_power_DRLDRL(mono({0, 0, 0, 0, 3}).p(), d), 4);
  EXPECT_EQ(d, 3u);
  EXPECT_EQ(is_power_DRLDRL(mono({0, 4, 0, 0, 0}).p(), d), 1);
  EXPECT_EQ(d, 4u);
  EXPECT_EQ(is_block1_sub_DRLDRL(mono({2, 0, 0, 1, 0}).p(), mono({1, 0, 0, 0, 5}).p()), 1);
  EXPECT_EQ(is_block1_sub_DRLDRL(mono({2, 0, 0, 1, 0}).p(), mono({1, 1, 0, 0, 5}).p()), 0);

  auto v = mono({1, 2, 3, 4, 5});
  Vec<DRLDRLT> b1, b2;
  mainDegree_DRLDRL(b1.p(), b2.p(), v.p());
  EXPECT_TRUE(orv_test::same(b1, mono({1, 2, 0, 0, 0})));
  EXPECT_TRUE(orv_test::same(b2, mono({0, 0, 3, 4, 5})));
  extract_block1_DRLDRL(b2.p(), v.p());
  EXPECT_TRUE(orv_test::same(b1, b2));
  EXPECT_EQ(is_eliminated_DRLDRL(v.p()), 0);
  EXPECT_EQ(is_eliminated_DRLDRL(mono({0, 0, 3, 4, 5}).p()), 1);
  EXPECT_EQ(optim_DRLDRL(mono({1, 0, 0, 0, 2}).p(), mono({0, 0, 3, 0, 0}).p()), 1);
  zscal_DRLDRL(2, v.p());
  EXPECT_TRUE(orv_test::same(v, mono({2, 4, 6, 8, 10})));
}

TEST(DRLDRL, APermutationWhoseResultFitsIsNotRefusedHalfway) {
  // Degree 201 before and after; moving x0's 100 onto x1 first would pass
  // through degree 300.
  set_nb_var_DRLDRL(3, 3, 0);
  auto v = mono({100, 1, 100});
  const unsigned perm[] = {1, 0, 2};
  permut_DRLDRL(v.p(), perm);
  EXPECT_TRUE(orv_test::same(v, mono({1, 100, 100})));
}

TEST(DRLDRL, AgreesWithTheNaiveBlockOrderOnRandomVectors) {
  orv_test::cross_check<DRLDRLT>({1, 2, 3, 5, 7, 8, 9, 13}, 400);
}

TEST(DRLDRLDeath, BadBlockLengthsAreRejectedWithTheBlockMessage) {
  orv_test::use_fresh_children();
  const char* msg =
      "You must specify the length of the first block for an elimination order 5 blk=-1\n";
  auto with = [](const char* env, unsigned b) {
    orv::log_output = stderr;
    if (env)
      setenv("ORVBLOCK", env, 1);
    else
      unsetenv("ORVBLOCK");
    set_nb_var_DRLDRL(5, b, 0);
    exit(0);
  };
  EXPECT_EXIT(with(nullptr, 0), testing::ExitedWithCode(3), msg);
  EXPECT_EXIT(with("-1", 0), testing::ExitedWithCode(3), msg);
  EXPECT_EXIT(with("6", 0), testing::ExitedWithCode(3), msg);
  EXPECT_EXIT(with("two", 0), testing::ExitedWithCode(3), msg);
  EXPECT_EXIT(with("2x", 0), testing::ExitedWithCode(3), msg);
  EXPECT_EXIT(with(nullptr, 6), testing::ExitedWithCode(3), msg);
  EXPECT_EXIT(with("5", 0), testing::ExitedWithCode(0), "");
}

TEST(DRLDRLDeath, OperationsTheTypeDoesNotProvideAreFatal) {
  orv_test::use_fresh_children();
  set_nb_var_DRLDRL(4, 1, 0);
  DRLDRL e[2] = {};
  unsigned d, perm[4] = {0, 1, 2, 3};
  EXPECT_EXIT((orv::log_output = stderr, permut_fast_DRLDRL(e, e, perm)),
              testing::ExitedWithCode(3), "permut_fast_DRLDRL not implemented\n");
  EXPECT_EXIT((orv::log_output = stderr, mirror_DRLDRL(e)), testing::ExitedWithCode(3),
              "Cas non traite dans mirror !\n");
  EXPECT_EXIT((orv::log_output = stderr, mainVariable_DRLDRL(e, d)), testing::ExitedWithCode(3),
              "Pas fait mainVariable_DRLDRL !\n");
}

TEST(DRLDRLDeath, TheDegreeWarningFiresOnceFromTheFirstBlockOneDegreeThatDoesNotFit) {
  orv_test::use_fresh_children();
  auto run = [] {
    orv::log_output = stderr;
    set_nb_var_DRLDRL(4, 3, 0);
    DRLDRL out[1];
    zsup_verif_DRLDRL(mono({100, 100, 0, 0}).p(), mono({0, 0, 55, 0}).p(), out);
    fputs("|", stderr);
    zsup_verif_DRLDRL(mono({100, 100, 0, 0}).p(), mono({0, 0, 56, 0}).p(), out);
    zsup_verif_DRLDRL(mono({100, 100, 0, 0}).p(), mono({0, 0, 57, 0}).p(), out);
    exit(0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "^\\|#C Warning: Depassement du degre 256 !$");
}

TEST(DRLDRLDeath, TheSecondBlockWarnsLikeTheFirst) {
  orv_test::use_fresh_children();
  auto run = [] {
    orv::log_output = stderr;
    set_nb_var_DRLDRL(4, 1, 0);
    DRLDRL out[1];
    zsup_verif_DRLDRL(mono({0, 100, 100, 0}).p(), mono({0, 0, 0, 55}).p(), out);
    fputs("|", stderr);
    zsup_verif_DRLDRL(mono({0, 100, 100, 0}).p(), mono({0, 0, 0, 60}).p(), out);
    exit(0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "^\\|#C Warning: Depassement du degre 260 !$");
}

TEST(DRLDRLDeath, ExponentsOutsideTheExactRangeAreRefused) {
  orv_test::use_fresh_children();
  auto store = [](std::initializer_list<unsigned> e) {
    orv::log_output = stderr;
    set_nb_var_DRLDRL(4, 1, 0);
    mono(e);
  };
  EXPECT_EXIT(store({0, 128, 0, 0}), testing::ExitedWithCode(3),
              "The exponent 128 of variable 1 does not fit a DRLDRL exponent vector");
  EXPECT_EXIT(store({0, 127, 127, 2}), testing::ExitedWithCode(3), "The degree 256");
}

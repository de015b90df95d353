// BigLexp: layout, documented examples, random cross-checks.
#include "server/base/biglexp.hpp"

#include <gtest/gtest.h>

#include "server/base/exp_crosscheck.hpp"
#include "server/log_capture.hpp"

using namespace orv::ORV_BUILD;
using orv_test::make;
using orv_test::Vec;
using zel_test::Mono;

namespace {

struct BigLexpT {
  using Flat = uint16_t;
  static constexpr unsigned kTop = 16000;
  static constexpr uint64_t kSalt = 2;
  static void setup(unsigned n) { set_nb_var_BigLexp(n, 0, 0); }
  static unsigned words() { return internal_nb_dbl_block_BigLexp; }
  static int naive_order(const Mono& a, const Mono& b) { return zel_test::naive_lex(a, b); }
  static int naive_rev_order(const Mono& a, const Mono& b) { return -zel_test::naive_lex(a, b); }
  ORV_EXP_NAMES(BigLexp)
};

Vec<BigLexpT> mono(std::initializer_list<unsigned> e) { return make<BigLexpT>(Mono(e)); }

}  // namespace

TEST(BigLexp, LayoutAndDocumentedExamples) {
  set_nb_var_BigLexp(4, 0, 0);
  EXPECT_EQ(internal_nb_dbl_block_BigLexp, 1u);
  auto v = mono({1, 2, 3, 4});
  EXPECT_EQ(v.w[0], 0x0001000200030004ULL);
  EXPECT_EQ(size_memory_buf_BigLexp(), 8u);
  EXPECT_EQ(totalDegree_BigLexp(v.p()), 10u);
  // The fields reversed: x0 and x3 swap, x1 and x2 swap.
  mirror_BigLexp(v.p());
  EXPECT_TRUE(orv_test::same(v, mono({4, 3, 2, 1})));
  unsigned d = 0;
  EXPECT_EQ(mainVariable_BigLexp(mono({0, 0, 5, 1}).p(), d), 3u);
  EXPECT_EQ(d, 5u);
  EXPECT_EQ(mainVariable_BigLexp(mono({0, 0, 0, 0}).p(), d), 0xFFFFFFFFu);
  EXPECT_EQ(optim_BigLexp(mono({7, 0, 0, 0}).p(), mono({7, 1, 1, 1}).p()), 1);
  EXPECT_EQ(is_power_BigLexp(mono({0, 0, 0, 9}).p(), d), 3);
  EXPECT_EQ(d, 9u);
  EXPECT_EQ(is_power_BigLexp(mono({0, 0, 0, 0}).p(), d), -1);

  set_nb_var_BigLexp(5, 0, 0);
  EXPECT_EQ(internal_nb_dbl_block_BigLexp, 2u);
  EXPECT_EQ(greater_BigLexp(mono({1, 0, 0, 0, 0}).p(), mono({0, 100, 0, 0, 0}).p()), 1);
  EXPECT_EQ(lex_greater_BigLexp(mono({0, 0, 0, 0, 1}).p(), mono({0, 0, 0, 0, 0}).p()), 1);
  EXPECT_EQ(is_eliminated_BigLexp(mono({1, 0, 0, 0, 0}).p()), 1);
  Vec<BigLexpT> out;
  zsup_verif_BigLexp(mono({3, 0, 1, 0, 0}).p(), mono({1, 2, 0, 0, 0}).p(), out.p());
  EXPECT_TRUE(orv_test::same(out, mono({3, 2, 1, 0, 0})));
  set_nb_var_BigLexp(0, 0, 0);
  EXPECT_EQ(internal_nb_dbl_block_BigLexp, 0u);
}

TEST(BigLexp, AgreesWithNaiveMonomialsOnRandomVectors) {
  orv_test::cross_check<BigLexpT>({1, 2, 3, 4, 5, 8, 9, 12}, 400);
}

TEST(BigLexpDeath, MainDegreeIsNotProvided) {
  orv_test::use_fresh_children();
  set_nb_var_BigLexp(4, 0, 0);
  BigLexp e[1] = {};
  EXPECT_EXIT((orv::log_output = stderr, mainDegree_BigLexp(e, e, e)), testing::ExitedWithCode(3),
              "Pas fait mainDegree_BigLexp\n");
}

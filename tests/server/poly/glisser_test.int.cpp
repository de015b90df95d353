// Set-up of the integer build's pairings and the coefficient slides:
// ORV_MAX_COEF, the full gathering table, survivors of a restore, and the
// leading coefficients that glisser_garb leaves in place.
#include <gtest/gtest.h>

#include <cstdlib>

#include "server/memdebug_skip.hpp"
#include "server/log_capture.hpp"
#include "server/poly/pairing_fixture.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

namespace {

using P = Poly<PairBigDexp>;

struct GlisserTest : ::testing::Test {
  void SetUp() override {
    orv::want_quiet = 1;
    PairBigDexp::setup(3);
    saved_max = MAX_COEF_DMP__BigDexp__VGF;
  }
  void TearDown() override {
    MAX_COEF_DMP__BigDexp__VGF = saved_max;
    orv::want_quiet = 0;
  }
  uint32_t saved_max = 0;
};

// n terms x^k with coefficients 1000 + k.
DMP__BigDexp__VGF chain(int n, int base = 1000) {
  std::vector<Term> t;
  for (int k = 0; k < n; ++k) t.push_back({{uint16_t(k), 0, 0}, base + k});
  return P::make(t);
}

}  // namespace

TEST(PairingSetup, MaxCoefIsReadOnceAndBadTextTakesTheDefault) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        setenv("ORV_MAX_COEF", "1234", 1);
        init_DMP__BigDexp__VGF();
        setenv("ORV_MAX_COEF", "99", 1);
        init_DMP__BigDexp__VGF();
        std::exit(MAX_COEF_DMP__BigDexp__VGF == 1234 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  for (const char* bad : {"abc", "-5", "0"}) {
    EXPECT_EXIT(
        {
          setenv("ORV_MAX_COEF", bad, 1);
          init_DMP__BigLexp__VGF();
          std::exit(MAX_COEF_DMP__BigLexp__VGF == 600000 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << bad;
  }
  EXPECT_EXIT(
      {
        unsetenv("ORV_MAX_COEF");
        init_DMP__BigDexp__VGF();
        std::exit(MAX_COEF_DMP__BigDexp__VGF == 600000 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(GlisserTest, SetKeepsTheTermPoolUntilTheWordCountChanges) {
  ORV_SKIP_IN_MEMDEBUG();
  auto* sentinel = z_DMP__BigDexp__VGF;
  set_DMP__BigDexp__VGF(2, 0, 0);  // still one word
  EXPECT_EQ(z_DMP__BigDexp__VGF, sentinel);
  set_DMP__BigDexp__VGF(5, 0, 0);  // two words
  EXPECT_NE(z_DMP__BigDexp__VGF, sentinel);
  EXPECT_EQ(stat_orv_DMP__BigDexp__VGF, 1u);
  set_DMP__BigDexp__VGF(3, 0, 0);
}

TEST_F(GlisserTest, InformationHandlerNamesThePairing) {
  orv_test::StreamCapture log;
  DMP__BigLexp__VGF_handler();
  std::string text = log.take();
  EXPECT_EQ(text.rfind("Polynomes(DMP__BigLexp__VGF) a coef Entier INT (Compatible with Zel 2)", 0),
            0u);
  EXPECT_NE(text.find("Nb block DMP__BigLexp__VGF = "), std::string::npos);
  EXPECT_NE(text.find("package DMP__BigLexp__VGF non actif ou pas d'infos !\n"), std::string::npos);
}

TEST_F(GlisserTest, AFullTableIsReportedOnceAndTheSlideSucceeds) {
  auto* p = chain(5);
  MAX_COEF_DMP__BigDexp__VGF = 5;
  orv_test::StreamCapture log;
  glisser_DMP__BigDexp__VGF(p, orv::Boolean_true);
  EXPECT_EQ(log.take(),
            "Error: Trop d'entiers a glisser dans glisser_DMP__BigDexp__VGF(DMP__BigDexp__VGF p,"
            "Boolean verif) !\n");
  MAX_COEF_DMP__BigDexp__VGF = 6;
  glisser_DMP__BigDexp__VGF(p, orv::Boolean_true);
  EXPECT_EQ(log.take(), "");
  int k = 4;
  for (auto* t = p; t; t = t->next, --k) EXPECT_EQ(t->coef.rep[0], uint32_t(1000 + k));
}

TEST_F(GlisserTest, TheCheckedListFormGivesUpWhenFull) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        auto* l = cons_List_DMP__BigDexp__VGF(chain(3), nullptr);
        MAX_COEF_DMP__BigDexp__VGF = 3;
        glisser_List_DMP__BigDexp__VGF(l, orv::Boolean_true);
      },
      ::testing::ExitedWithCode(3),
      "Trop d'entiers a glisser dans glisser_List_DMP__BigDexp__VGF\\(List_DMP__BigDexp__VGF "
      "l,Boolean verif\\)");
}

// The way the algorithms use it: mark, compute, restore, slide the result.
TEST_F(GlisserTest, ResultsSurviveARestoreAndSlide) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(8);
  Garbage_State mark;
  save_orv_state_VGF(mark);
  std::vector<DMP__BigDexp__VGF> polys;
  std::vector<std::vector<Term>> want;
  for (int i = 0; i < 40; ++i) {
    for (int g = 0; g < 5000; ++g) cVGF(g);  // garbage between the survivors
    std::vector<Term> t;
    for (int k = 0; k < 30; ++k)
      t.push_back({{uint16_t(k), uint16_t(i), 0}, long(rng() % 9000) + 1});
    polys.push_back(P::make(t));
    want.push_back(P::read(polys.back()));
  }
  restore_orv_state_VGF(mark);
  auto* l = cons_List_DMP__BigDexp__VGF(polys[0], nullptr);
  for (size_t i = 1; i < polys.size(); ++i) l = cons_List_DMP__BigDexp__VGF(polys[i], l);
  auto* ll = cons_List_List_DMP__BigDexp__VGF(l, nullptr);
  glisser_List_List_DMP__BigDexp__VGF(ll);
  for (int g = 0; g < 100000; ++g) cVGF(-g);  // would overwrite anything left behind
  for (size_t i = 0; i < polys.size(); ++i) ASSERT_EQ(P::read(polys[i]), want[i]) << i;

  // Handles and polynomials in one slide.
  save_orv_state_VGF(mark);
  auto* p = chain(3, 50);
  for (int g = 0; g < 90000; ++g) cVGF(g);
  auto* q = chain(2, 70);
  VGF a = cVGF(-5), b = cVGF(6), c = cVGF(7);
  restore_orv_state_VGF(mark);
  glisser_DMP__BigDexp__VGF(a, b, c, p, q);
  for (int g = 0; g < 100000; ++g) cVGF(-g);
  EXPECT_EQ(PairBigDexp::value(a), -5);
  EXPECT_EQ(PairBigDexp::value(b), 6);
  EXPECT_EQ(PairBigDexp::value(c), 7);
  EXPECT_EQ(P::read(p), P::read(chain(3, 50)));
  EXPECT_EQ(P::read(q), P::read(chain(2, 70)));
}

TEST_F(GlisserTest, GarbageListFormLeavesLeadingCoefficientsInPlace) {
  auto* p = chain(4);
  auto* l = cons_List_DMP__BigDexp__VGF(p, cons_List_DMP__BigDexp__VGF(nullptr, nullptr));
  uint32_t* lead = p->coef.rep;
  uint32_t* second = p->next->coef.rep;
  glisser_garb_List_DMP__BigDexp__VGF(l);
  EXPECT_EQ(p->coef.rep, lead);
  EXPECT_NE(p->next->coef.rep, second);
  EXPECT_EQ(p->next->coef.rep[0], 1002u);
}

TEST_F(GlisserTest, ZoneTwoSlide) {
  auto* p = chain(3);
  glisser2_DMP__BigDexp__VGF(p);
  for (auto* t = p; t; t = t->next) {
    char* cell = reinterpret_cast<char*>(t->coef.rep);
    bool in_zone2 = false;
    for (int32_t i = 0; i < cur_garbages2; ++i)
      in_zone2 |= cell >= all_garbages2[i] && cell < all_garbages2[i] + kCoefBlockBytes;
    EXPECT_TRUE(in_zone2);
  }
  EXPECT_EQ(p->next->next->coef.rep[0], 1000u);
}

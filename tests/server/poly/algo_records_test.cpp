// The pools of the algorithms' records: staircase and Hilbert terms in both
// builds, FGLM blocks (integer build) and states (prime-field build).
#include "server/memdebug_skip.hpp"
#include "server/poly/algo_records.hpp"

#include <gtest/gtest.h>

#include "server/log_capture.hpp"
#include "server/poly/pairing_fixture.hpp"

using namespace orv_test;

TEST(AlgoRecords, StaircaseAndHilbertPoolsReportUnderTheirNames) {
  ORV_SKIP_IN_MEMDEBUG();
  orv::want_quiet = 1;
#ifdef ZEL_VARIANT_INT
  PairBigDexp::setup(5);
#else
  PairDRLDRL::setup(5);
#endif
  ORV_C(init_Objet_staircase)();
  ORV_C(init_Objet_Hilb_Poly)();
  cogen* c = ORV_C(new_staircase)();
  c->word = 3;
  c->next = nullptr;
  cogen* d = ORV_C(copy_staircase)(c);
  EXPECT_NE(d, c);
  EXPECT_EQ(d->word, 3u);
  orv_test::StreamCapture log;
  EXPECT_EQ(ORV_C(how_much_Hilb_Poly)(), 499u);
  EXPECT_EQ(log.take(),
            "Nb block Hilb_Poly = 1, Nb elts par block= 500, taille elt= 24,\n libre = 0 block(s) "
            "+ 499\n");
  ORV_C(how_much_staircase)();
  EXPECT_NE(log.take().find("Nb block staircase = 1, Nb elts par block= 500, taille elt= 32,"),
            std::string::npos);
  orv::want_quiet = 0;
}

#ifdef ZEL_VARIANT_INT
TEST(AlgoRecords, BlocsReleaseAndCopyTheirPolynomials) {
  orv::want_quiet = 1;
  PairBigDexp::setup(3);
  init_Objet_Bloc();
  init_List_Bloc();
  using P = Poly<PairBigDexp>;
  sBloc* b = new_Bloc();
  b->mono = P::make({{{1, 0, 0}, 9}});
  b->poly = P::make({{{1, 0, 0}, 2}, {{0, 0, 0}, 3}});
  b->index = 4;
  b->next = nullptr;
  sBloc* c = copy_one_Bloc(b);
  EXPECT_TRUE(is_zero(b->mono->coef));  // zeroed before the copy
  EXPECT_NE(c->poly, b->poly);
  EXPECT_EQ(P::read(c->poly), P::read(b->poly));
  EXPECT_EQ(c->index, 4);

  sList_Bloc* l = cons_List_Bloc(b, cons_List_Bloc(c, nullptr));
  sList_Bloc* lc = copy_List_Bloc(l);
  EXPECT_NE(lc->bloc, b);
  EXPECT_EQ(elt_List_Bloc(l, 2), c);
  EXPECT_EQ(delete_List_Bloc(b, l)->bloc, c);

  FILE* f = std::tmpfile();
  orv::Varne_Print v;
  v.attach(f);
  v << cons_List_Bloc(b, cons_List_Bloc(c, nullptr)) << static_cast<sList_Bloc*>(nullptr);
  orv::Fortran_Print fo;
  fo.attach(f);
  fo << cons_List_Bloc(b, cons_List_Bloc(c, nullptr));
  std::fflush(f);
  std::rewind(f);
  char buf[64] = {};
  std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_STREQ(buf, "{ , }{}[,]");
  EXPECT_EQ(Hash_List_Bloc(nullptr, 12), 12u);

  auto* term_before = root_DMP__BigDexp__VGF;
  kill_Bloc(c);  // releases its monomial and polynomial too
  EXPECT_NE(root_DMP__BigDexp__VGF, term_before);
  orv::want_quiet = 0;
}

TEST(AlgoRecordsDeath, BlocsHaveNoHash) {
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        orv::want_quiet = 1;
        init_Objet_Bloc();
        init_List_Bloc();
        Hash_List_Bloc(cons_List_Bloc(new_Bloc(), nullptr), 0);
      },
      ::testing::ExitedWithCode(3), "Pas fait Hash_Bloc");
}
#else
TEST(AlgoRecords, StatesComeFromTheirPool) {
  orv::want_quiet = 1;
  init_Objet_State();
  sState* top = alloc_State();
  sState* s = new sState(2, nullptr, nullptr, nullptr);
  EXPECT_EQ(s, top);
  EXPECT_EQ(s->level, 2);
  sState* t = new sState(3, nullptr, nullptr, s);
  EXPECT_EQ(t->next, s);
  kill_all_State(t);
  EXPECT_EQ(alloc_State(), t);
  orv::want_quiet = 0;
}
#endif

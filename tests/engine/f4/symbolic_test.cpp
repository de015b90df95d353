// Symbolic preprocessing (rows, reducer choice, limits, column order) and
// the conversion of rows back to polynomials.
#include "engine/f4/symbolic.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "engine/coef/primes.hpp"
#include "engine/f4/dpol_from_row.hpp"
#include "engine/mono/code_table.hpp"
#include "engine/mono/expos_hash.hpp"
#include "f4_session.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::Exps;
using zel_test::F4Session;

namespace {

// A session with a small code table (1231 slots) and monic polynomials
// whose monomials carry their hashes.
struct StepTest : ::testing::Test {
  F4Session s{2, ~0u, 4};
  uint32_t saved_max = zel_max_index;
  StepTest() {
    if constexpr (kIntegerBuild) {
      offset_primes = 0;
      init_Dom();
    } else {
      set_field_prime(65521);
    }
    zel_max_index = 1024;
    set_hash_prime();
    ZEL_C(ptr_Base_Exposants) = dynamic_Table_de_Recherche();
    empty_Table_de_Recherche(ZEL_C(ptr_Base_Exposants));
    want_automatique = 0;
    nb_of_renormed = 0;
  }
  ~StepTest() override {
    zel_max_index = saved_max;
    zel_hash_prime = 5666677;
  }
  static Dpol* poly(std::initializer_list<Exps> terms) {
    Dpol* p = F4Session::poly(terms);
    set_hash(p->n, p->mono);
    for (uint32_t l = 0; l < ZEL_C(vectorize); ++l) lanes(p)[l][0] = 1;
    return p;
  }
  // Items with no multiplier and the given flags.
  static void set_items(const std::vector<uint8_t>& flags) {
    forget_relative(relative_Expos);
    forget_relative(relative_CBoolean);
    reset_relative(relative_Expos);
    reset_relative_CBoolean();
    for (uint32_t i = 0; i < flags.size(); ++i) {
      set_relative(relative_Expos, i, static_cast<ExposW*>(nullptr));
      set_relative_CBoolean(i, flags[i]);
    }
  }
};

TEST_F(StepTest, TooManyRowsIsRefused) {
  Dpol* a = poly({{2, 0, 0}, {1, 1, 0}});
  Dpol* b = poly({{0, 2, 0}, {0, 1, 1}});
  Dpol* c = poly({{0, 0, 2}});
  // Three item rows for a capacity of two.
  {
    std::vector<Dpol*> items = {a, b, c};
    set_items({1, 1, 1});
    uint32_t count = 2;
    EXPECT_RAISES(internal_symbolic_reduction(3, nullptr, 0, items.data(), &count),
                  "Sorry max number of columns is set to 2 in zel linear algebra package (2) !\n");
  }
  // Two item rows fit; the reducer row for x*y does not.
  {
    std::vector<Dpol*> items = {a, b};
    Dpol* red[] = {poly({{1, 1, 0}, {0, 0, 2}})};
    set_items({1, 1});
    uint32_t count = 2;
    EXPECT_RAISES(internal_symbolic_reduction(2, red, 1, items.data(), &count),
                  "Sorry max number of columns is set to 2 in zel linear algebra package (4) !\n");
  }
}

TEST_F(StepTest, TheShortestDividingReducerMakesTheRowAndNewColumnsAreSearched) {
  // Item x^2 + x*y: the column x*y is divisible by the leading monomials of
  // r0 (first in the table) and r1.  With three terms in r0 and two in r1,
  // r1 is taken, and its term x*h makes a column searched in the same step
  // (reduced by r2); with two terms in each, the first in the table, r0,
  // whose term y*h is reduced by r2.
  for (const bool shorter_later : {true, false}) {
    SCOPED_TRACE(shorter_later ? "r1 shorter" : "as short");
    Dpol* item = poly({{2, 0, 0}, {1, 1, 0}});
    Dpol* r0 =
        shorter_later ? poly({{1, 1, 0}, {0, 1, 1}, {0, 0, 2}}) : poly({{1, 1, 0}, {0, 1, 1}});
    Dpol* r1 = poly({{0, 1, 0}, {0, 0, 1}});
    Dpol* r2 = shorter_later ? poly({{1, 0, 1}}) : poly({{0, 1, 1}});
    Dpol* red[] = {r0, r2, r1};
    std::vector<Dpol*> items = {item};
    set_items({1});
    uint32_t count = 100;
    internal_symbolic_reduction(1, red, 3, items.data(), &count);
    ASSERT_EQ(count, 1u);
    // x^2 alone.
    EXPECT_EQ(items[0]->n, 1u);
    EXPECT_EQ(F4Session::exps(words_of(items[0]->mono[0])), (Exps{2, 0, 0}));
    ASSERT_GE(relative_MatrixRow.current, 1u);
    Dpol* taken = shorter_later ? r1 : r0;
    EXPECT_EQ(get_relative(relative_MatrixRow, 1).source, taken);
    EXPECT_EQ(get_relative(relative_MatrixRow, 2).source, r2);
    EXPECT_EQ(get_relative(relative_MatrixRow, 1).header->serial, taken->serial);
  }
}

#ifdef ZEL_VARIANT_FP
TEST_F(StepTest, EmptyStepReportsAnEmptyMatrix) {
  ZEL_C(want_quiet) = 0;
  zel_test::captured().printed.clear();
  set_items({});
  uint32_t count = 10;
  internal_symbolic_reduction(0, nullptr, 0, nullptr, &count);
  EXPECT_EQ(count, 0u);
  EXPECT_NE(zel_test::captured().printed.find("\nMatrix 0 x 0 x 0: "), std::string::npos);
  ZEL_C(want_quiet) = 1;
}

TEST_F(StepTest, StrongOrderLastsOneStep) {
  std::vector<Dpol*> items = {poly({{1, 0, 0}})};
  set_items({1});
  use_strong_order = 1;
  uint32_t count = 10;
  internal_symbolic_reduction(1, nullptr, 0, items.data(), &count);
  EXPECT_EQ(use_strong_order, 0u);
  EXPECT_EQ(count, 1u);
}
#endif

TEST_F(StepTest, RenormPolyDividesOnlyTheHomogenisingVariable) {
  Dpol* one_term = poly({{1, 0, 2}});
  Dpol* free_term = poly({{1, 0, 1}, {0, 1, 0}});
  Dpol* affine = poly({{2, 0, 0}, {1, 1, 0}});
  Dpol* both = poly({{2, 0, 1}, {1, 0, 3}});
  for (Dpol* p : {one_term, free_term, affine, both}) renorm_poly(p);
  EXPECT_EQ(nb_of_renormed, 2u);  // counted, not divided
  EXPECT_EQ(F4Session::exps(words_of(one_term->mono[0])), (Exps{1, 0, 2}));
  want_automatique = 1;
  for (Dpol* p : {one_term, free_term, affine, both}) renorm_poly(p);
  EXPECT_EQ(nb_of_renormed, 2u);
  EXPECT_EQ(F4Session::exps(words_of(one_term->mono[0])), (Exps{1, 0, 0}));
  EXPECT_EQ(F4Session::exps(words_of(free_term->mono[0])), (Exps{1, 0, 1}));
  EXPECT_EQ(F4Session::exps(words_of(affine->mono[1])), (Exps{1, 1, 0}));
  EXPECT_EQ(F4Session::exps(words_of(both->mono[0])), (Exps{2, 0, 0}));
  EXPECT_EQ(F4Session::exps(words_of(both->mono[1])), (Exps{1, 0, 2}));
  EXPECT_EQ(get_hash(both->mono[1]), hash_Expos(words_of(both->mono[1])));
}

// A code table whose ranks are the order of entry.
struct RowTable {
  Base_Exposants* t;
  explicit RowTable(std::initializer_list<Exps> increasing) {
    t = dynamic_Table_de_Recherche();
    empty_Table_de_Recherche(t);
    uint32_t code;
    Expos* m;
    for (const Exps& e : increasing) {
      Expos* x = F4Session::mono(e);
      set_hash(1, &x);
      ZEL_C(get_code)(0, nullptr, x, t, &code, &m);
    }
  }
};

TEST_F(StepTest, RowsBackToPolynomials) {
  RowTable tab({{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {2, 0, 0}});  // ranks 0 .. 3
  const uint32_t V = ZEL_C(vectorize);
  auto* row = static_cast<CodedRow*>(alloc64(coded_row_bytes(V)));
  std::vector<Dom> coefs = {1, 5, 7, 9};
  // Leading term at rank 3; the code 0x80 (a run of length 0) places
  // nothing, 0x82 places the next two, 0x01 one more.
  uint8_t code[] = {0x80, 0x82, 0x01};
  row->code = code;
  row->header[0] = 1;
  row->header[1] = 7;
  row->lead = 1;
  row->width = 4;
  row->serial = 42;
  row->to_reduce = 1;
  row->ncodes = 3;
  row->kind = CODE_LZW;
  for (uint32_t l = 0; l < V; ++l) row->coeffs[l] = coefs.data();
  const uint32_t serials = gen_sym_Dpol;
  Dpol* p = ZEL_C(clone_lzw_ALGO_Dpol)(row, tab.t, 3);
  EXPECT_EQ(gen_sym_Dpol, serials);  // no serial drawn
  EXPECT_EQ(p->serial, 42u);
  EXPECT_EQ(p->input_mark, 1u);
  EXPECT_EQ(p->row_mark, 7u);
  ASSERT_EQ(p->n, 4u);
  EXPECT_EQ(F4Session::exps(words_of(p->mono[0])), (Exps{2, 0, 0}));
  EXPECT_EQ(F4Session::exps(words_of(p->mono[3])), (Exps{0, 0, 1}));
  EXPECT_EQ(lanes(p)[0][2], 7);
  // No codes: one term.
  row->ncodes = 0;
  EXPECT_EQ(ZEL_C(clone_lzw_ALGO_Dpol)(row, tab.t, 3)->n, 1u);

  // Dense form: the non-zero positions of lane 0.
  std::vector<std::vector<Dom>> dense(V, std::vector<Dom>{3, 0, 4, 0});
  for (uint32_t l = 0; l < V; ++l) row->coeffs[l] = dense[l].data();
  Dpol* q = ZEL_C(clone_ALGO_Dpol)(row, tab.t, 3);
  ASSERT_EQ(q->n, 2u);
  EXPECT_EQ(F4Session::exps(words_of(q->mono[1])), (Exps{0, 1, 0}));
  if (V >= 2) {
    // Lanes that disagree on a zero.
    dense[1][1] = 5;
    if (V < 3) {
      EXPECT_RAISES(ZEL_C(clone_ALGO_Dpol)(row, tab.t, 3), "Impossible de conclure !\n");
    } else {
      EXPECT_EQ(ZEL_C(clone_ALGO_Dpol)(row, tab.t, 3)->n, 3u);
      dense[1][1] = 0;
      dense[2][1] = 6;
      dense[1][0] = 0;
      EXPECT_RAISES(ZEL_C(clone_ALGO_Dpol)(row, tab.t, 3), "impossible de corriger !\n");
    }
  }
}

}  // namespace

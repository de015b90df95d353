// The text forms of polynomials in every pairing of the build: variable
// names and headers, exchange, Fortran, TeX, Lisp, pretty, NTL and the
// quotient-basis file, each against its documented examples.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "server/poly/text_fixture.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

namespace {

// A reader of the exchange notation "{{3a2b,5} , {}}" with bare residues,
// to check that what the writer prints names the same polynomials.
struct ExchangeReader {
  const std::string& s;
  size_t at = 0;
  long number() {
    long v = 0;
    while (at < s.size() && isdigit(static_cast<unsigned char>(s[at])))
      v = 10 * v + (s[at++] - '0');
    return v;
  }
  Term term(uint32_t n) {
    Term t{std::vector<uint16_t>(n, 0), 1};
    if (isdigit(static_cast<unsigned char>(s[at]))) t.second = number();
    while (s[at] >= 'a' && s[at] < 'a' + int(n)) {
      int var = s[at++] - 'a';
      t.first[var] = uint16_t(isdigit(static_cast<unsigned char>(s[at])) ? number() : 1);
    }
    return t;
  }
  std::vector<Term> poly(uint32_t n) {
    std::vector<Term> out;
    EXPECT_EQ(s[at++], '{');
    while (s[at] != '}') {
      out.push_back(term(n));
      if (s[at] == ',') ++at;
    }
    ++at;
    return out;
  }
  std::vector<std::vector<Term>> list(uint32_t n) {
    std::vector<std::vector<Term>> out;
    EXPECT_EQ(s[at++], '{');
    while (s[at] != '}') {
      out.push_back(poly(n));
      if (s.compare(at, 3, " , ") == 0) at += 3;
    }
    ++at;
    return out;
  }
};

}  // namespace

template <class P>
struct PolyTextTest : ::testing::Test {
  using E = typename P::E;
  using C = typename P::C;
  using T = PolyText<E, C>;
  using V = VarNames<E>;
  using N = ExpNames<E>;
  void SetUp() override {
    orv::want_quiet = 1;
    text_setup<P>(3);
  }
  void TearDown() override {
    orv::want_quiet = 0;
    global_List_variables = nullptr;
  }
  static NodeOf<P>* make(const std::vector<Term>& t) { return Poly<P>::make(t); }
  static std::vector<Term> read(const NodeOf<P>* p) { return Poly<P>::read(p); }
  static std::string name() { return E::name; }
};
TYPED_TEST_SUITE(PolyTextTest, Pairings);

TYPED_TEST(PolyTextTest, ExchangeHeaderAndNotation) {
  using V = typename TestFixture::V;
  using C = typename TestFixture::C;
  StreamCapture out(&orv::Varne.out);
  V::out_varne_txt(orv::Varne);
  const std::string v_line = this->name() == "BigDexp" ? " {V, {1, 1, 1}},\n" : "";
  EXPECT_EQ(out.take(), "{\n 3,\n {C, {1, 1, 1}},\n" + v_line + " {N, {a, b, c}}\n}\n");

  auto* p = this->make({{{2, 1, 0}, 3}, {{0, 0, 0}, 5}});
  orv::Varne << p;
  EXPECT_EQ(out.take(), "{3a2b,5}");
  EXPECT_EQ((PrintCoef<typename TestFixture::E, C>::set(orv::Boolean_false)), orv::Boolean_true);
  orv::Varne << p;
  EXPECT_EQ(out.take(), "{a2b,?}");
  PrintCoef<typename TestFixture::E, C>::set(orv::Boolean_true);
  orv::Varne << list_of<TypeParam>({this->make({{{0, 0, 1}, 1}}), nullptr});
  orv::Varne << static_cast<CellOf<TypeParam>*>(nullptr);
  EXPECT_EQ(out.take(), "{{1c} , {}}{}");
}

TYPED_TEST(PolyTextTest, ExchangeTextReadsBackAsTheSamePolynomials) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(23);
  StreamCapture out(&orv::Varne.out);
  for (long it = 0; it < zel_test::iterations(30); ++it) {
    const uint32_t n = 1 + uint32_t(rng() % 5);
    text_setup<TypeParam>(n);
    std::vector<std::vector<Term>> expected;
    CellOf<TypeParam>* l = nullptr;
    CellOf<TypeParam>* last = nullptr;
    for (int k = 0, m = int(rng() % 4); k < m; ++k) {
      std::set<std::vector<uint16_t>> seen;
      std::vector<Term> terms;
      for (int j = 0, count = int(rng() % 6); j < count; ++j) {
        std::vector<uint16_t> e(n);
        for (auto& x : e) x = uint16_t(rng() % 4 == 0 ? rng() % 30 : rng() % 2);
        long c = long(rng() % 2000) - 1000;
        if (seen.insert(e).second) terms.emplace_back(e, c != 0 ? c : 1);
      }
      auto* p = this->make(terms);
      expected.push_back(this->read(p));
      DmpLists<typename TestFixture::E, typename TestFixture::C>::L::push_back(l, last, p);
    }
    orv::Varne << l;
    const std::string text = out.take();
    ExchangeReader reader{text};
    auto got = reader.list(n);
    for (auto& p : got)
      for (auto& t : p) t.second = TypeParam::value(TypeParam::coef(t.second));
    ASSERT_EQ(got, expected) << text;
  }
}

TYPED_TEST(PolyTextTest, HeadersSkipHiddenAndMissingNames) {
  using V = typename TestFixture::V;
  using N = typename TestFixture::N;
  StreamCapture log;
  V::afficherHeader();
  EXPECT_EQ(log.take(), "#vars [a,b,c]\n\n");
  N::table()[0] = const_cast<char*>("?");
  V::afficherHeader();
  V::assign_list_of_vars();
  EXPECT_EQ(log.take(), "#vars [b,c]\n\nb:=Var(b);\nc:=Var(c);\n");
  // A shared table with a missing name: shown and hashed as "?", hidden.
  char* shared[3] = {nullptr, const_cast<char*>("y"), const_cast<char*>("@")};
  global_List_variables = shared;
  V::afficherHeader();
  V::display_list_of_vars();
  EXPECT_EQ(log.take(), "#vars [y]\n\ny");
  EXPECT_EQ(
      V::Hash_domain(7),
      (7 + orv::Hash_String("?") + orv::Hash_String("y") + orv::Hash_String("@")) % 16777213u);
  EXPECT_EQ(orv::Hash_String(nullptr), orv::Hash_String("?"));
  StreamCapture fortran(&orv::Fortran.out);
  orv::Fortran << this->make({{{1, 1, 1}, 1}});
  EXPECT_EQ(fortran.take(), "?*y*@");
  V::rawOutput(this->make({{{2, 1, 0}, 1}})->e);
  EXPECT_EQ(log.take(), "<?^2y^1>");
}

TYPED_TEST(PolyTextTest, GeneratedNamesAndTheUserVariableCount) {
  using V = typename TestFixture::V;
  text_setup<TypeParam>(10);
  StreamCapture log;
  V::display_list_of_vars();
  EXPECT_EQ(log.take(), "x1,x2,x3,x4,x5,x6,x7,x8,x9,x10");
  // One variable added in front and one behind: the user has 8.
#ifdef ZEL_VARIANT_INT
  uint32_t& front = this->name() == "BigDexp" ? extra_nb_vars_BigDexp : extra_nb_vars_BigLexp;
  uint32_t& behind =
      this->name() == "BigDexp" ? extra_nb_end_vars_BigDexp : extra_nb_end_vars_BigLexp;
  front = behind = 1;
  V::afficherName();
  front = behind = 0;
  EXPECT_EQ(log.take(), this->name() + "(8)");
#else
  V::afficherName();
  EXPECT_EQ(log.take(), "DRLDRL(9,1)");
  want_elim = 1;
  V::afficherName();
  want_elim = 0;
  EXPECT_EQ(log.take(), "DRLDRL(1)");
#endif
}

TYPED_TEST(PolyTextTest, FortranForms) {
  using T = typename TestFixture::T;
  StreamCapture out(&orv::Fortran.out);
  auto* p = this->make({{{2, 0, 0}, 3}, {{0, 1, 0}, 1}, {{0, 0, 0}, -5}});
  orv::Fortran << p;
  EXPECT_EQ(out.take(), "3*a^2+b+" + residue(-5));
  want_Maple_output = 1;
  orv::Fortran << p;
  want_Maple_output = 0;
  EXPECT_EQ(out.take(), "3*a^2+1*b+" + residue(-5));

  auto* q = this->make({{{1, 0, 0}, 3}, {{0, 0, 0}, 2}});
  PrintCoef<typename TestFixture::E, typename TestFixture::C>::set(orv::Boolean_false);
  orv::Fortran << q;
  want_raw_output = 1;
  orv::Fortran << q;
  want_raw_output = 0;
  PrintCoef<typename TestFixture::E, typename TestFixture::C>::set(orv::Boolean_true);
  EXPECT_EQ(out.take(), "a+?3*a+?");

  auto* xy = this->make({{{1, 1, 0}, 1}, {{0, 0, 0}, 1}});
  orv::Fortran << xy << ' ' << static_cast<NodeOf<TypeParam>*>(nullptr);
  EXPECT_EQ(out.take(), "a*b+1 0");
  auto* one = list_of<TypeParam>({xy, nullptr});
  orv::Fortran << one << static_cast<CellOf<TypeParam>*>(nullptr);
  DmpListList<typename TestFixture::E, typename TestFixture::C> ll[2] = {{one, &ll[1]},
                                                                         {nullptr, nullptr}};
  orv::Fortran << &ll[0];
  EXPECT_EQ(out.take(), "[a*b+1,0][][[a*b+1,0],[]]");
  T::fortran(orv::Fortran, xy, &xy->coef);  // the pseudo-rational form shows every coefficient
  EXPECT_EQ(out.take(), "1*a*b+1");
}

TYPED_TEST(PolyTextTest, TexAndLispForms) {
  StreamCapture tex(&orv::Tex.out);
  orv::Tex << this->make({{{2, 1, 0}, 4}, {{0, 0, 1}, 1}});
  orv::Tex << static_cast<NodeOf<TypeParam>*>(nullptr);
  orv::Tex << this->make({{{0, 0, 0}, 1}});
  EXPECT_EQ(tex.take(), "$a^{2}\\,b + ...$$0$$1 + ...$");

  StreamCapture lisp(&orv::lisp_file);
  orv::Lisp_Print L;
  auto* p = this->make({{{2, 0, 1}, 3}});
  L << p << static_cast<NodeOf<TypeParam>*>(nullptr);
  L << list_of<TypeParam>({p, nullptr}) << static_cast<CellOf<TypeParam>*>(nullptr);
  EXPECT_EQ(lisp.take(),
            "(#(3 2 0 1 ))NIL("
            "(#(3 2 0 1 )) NIL)NIL");
}

TYPED_TEST(PolyTextTest, PrettyFormsAndTheRawTrace) {
  StreamCapture log;
  orv::init_pretty();
  orv::Pretty << this->make({{{2, 0, 0}, 1}, {{0, 1, 0}, -1}, {{0, 0, 0}, 3}});
  orv::Pretty.flush();
  const std::string base = "a + - b + " + framed(3);
  std::string raised(base.size(), ' ');
  raised[1] = '2';
  EXPECT_EQ(log.take(), raised + "\n" + base + "\n" + std::string(base.size(), ' ') + "\n");

  orv::Pretty << static_cast<NodeOf<TypeParam>*>(nullptr) << list_of<TypeParam>({nullptr});
  orv::Pretty.flush();
  EXPECT_EQ(log.take(), "    \n0[0]\n    \n");

  text_setup<TypeParam>(2);
  MonomText<typename TestFixture::E>::zprint(this->make({{{1, 2}, 1}})->e);
  orv::Pretty.flush();
  const std::string trace = this->name() == "BigDexp" ? "(d=3)[2,1]" : "[2,1]";
  EXPECT_EQ(log.take(), std::string(trace.size(), ' ') + "\n" + trace + "\n" +
                            std::string(trace.size(), ' ') + "\n");
}

TYPED_TEST(PolyTextTest, NtlVectorsRunToTheLargestDegree) {
  using Q = QuotientFile<typename TestFixture::E, typename TestFixture::C>;
  StreamCapture out(&orv::Fortran.out);
  text_setup<TypeParam>(1);
  Q::ntl(this->make({{{3}, 1}, {{1}, 2}, {{0}, 5}}));
  Q::ntl(this->make({{{0}, 7}}));
  Q::ntl(static_cast<NodeOf<TypeParam>*>(nullptr));
  EXPECT_EQ(out.take(), "[ 5 2 0 1]\n[ 7]\n[ 0]\n");
  // x + y^3 leads with x in the lexicographic and block orders.
  text_setup<TypeParam>(2);
  Q::ntl(list_of<TypeParam>({this->make({{{1, 0}, 1}, {{0, 3}, 1}})}));
  EXPECT_EQ(out.take(), "[ 0 1 0 1]\n");
}

TYPED_TEST(PolyTextTest, QuotientBasisFile) {
  using Q = QuotientFile<typename TestFixture::E, typename TestFixture::C>;
  text_setup<TypeParam>(2);
  StreamCapture out(&orv::Lib.out);
  auto* basis = list_of<TypeParam>({this->make({{{2, 0}, 1}, {{1, 1}, 2}}),
                                    this->make({{{0, 2}, 1}, {{0, 1}, 3}, {{0, 0}, 7}})});
  Q::write(basis);
  const std::string file =
      "% nombre de variables:\n2\n% dimension:\n4\n"
      "% base du quotient (a lire a l'envers)\n1 1 \n1 0 \n0 1 \n0 0 \n"
      "% nombre de polynomes dans la base de groebner:\n2\n"
      "% format base\n%  coef\n%  exposant\n%  vecteur\n" +
      framed(-1) + "\n2 0 \n[" + framed(2) + "]\n" + framed(-1) + "\n0 2 \n[0,0," + framed(3) +
      "," + framed(7) + "]\n";
  EXPECT_EQ(out.take(), file);

  DmpListList<typename TestFixture::E, typename TestFixture::C> one = {basis, nullptr};
  Q::write(&one);
  Q::write(static_cast<decltype(&one)>(nullptr));
  EXPECT_EQ(out.take(), "% nombre de bases de Groebner:\n1\n% 1 ieme base:\n" + file +
                            "% fin de la liste\n% nombre de bases de Groebner:\n0\n"
                            "% fin de la liste\n");
  lib_exponents<typename TestFixture::E>(orv::Lib, basis->poly->e);
  EXPECT_EQ(out.take(), "2 0 ");
}

template <class P>
using PolyTextDeathTest = PolyTextTest<P>;
TYPED_TEST_SUITE(PolyTextDeathTest, Pairings);

TYPED_TEST(PolyTextDeathTest, QuotientFileRefusesAPositiveDimensionalBasis) {
  use_fresh_children();
  using Q = QuotientFile<typename TestFixture::E, typename TestFixture::C>;
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        text_setup<TypeParam>(2);
        Q::write(list_of<TypeParam>({this->make({{{2, 0}, 1}})}));
      },
      ::testing::ExitedWithCode(3), "not zero-dimensional \\(no leading power of b\\)");
}

// The display front end: the form its flags choose, the cut to leading
// terms, the last equation, and the copy on the binary save file.
#include "server/poly/affiche.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include "server/poly/text_fixture.hpp"

using namespace orv_test;

namespace {

#ifdef ZEL_VARIANT_INT
using Pair = PairBigDexp;
#else
using Pair = PairDRLDRL;
#endif
using Pr = Protocol<Pair::E, Pair::C>;

struct AfficheTest : ::testing::Test {
  FILE* save = std::tmpfile();
  orv::BUS bus{fileno(save)};
  void SetUp() override {
    orv::want_quiet = 1;
    text_setup<Pair>(2);
  }
  void TearDown() override {
    orv::want_quiet = 0;
    want_output = want_fortran = 1;
    want_varne_output = want_maple_input = want_head = want_last_equation = want_to_save = 0;
    bin_save_file = nullptr;
    std::fclose(save);
  }
  static NodeOf<Pair>* make(const std::vector<Term>& t) { return Poly<Pair>::make(t); }
  // What the save file holds, read back as one list.
  std::vector<std::vector<Term>> saved() {
    bus.flush();
    lseek(fileno(save), 0, SEEK_SET);
    orv::BUS in(fileno(save));
    orv::Messages open;
    in >> open;
    EXPECT_EQ(open, orv::MSG_ORV_Begin);
    std::vector<std::vector<Term>> out;
    for (auto* c = Pr::read_list(in); c != nullptr; c = c->next)
      out.push_back(Poly<Pair>::read(c->poly));
    return out;
  }
};

}  // namespace

TEST_F(AfficheTest, HeadsOnlyCutsTheCallersPolynomials) {
  StreamCapture out(&orv::Fortran.out);
  auto* l =
      list_of<Pair>({make({{{2, 0}, 1}, {{0, 1}, 1}}), nullptr, make({{{0, 1}, 1}, {{0, 0}, 1}})});
  want_head = 1;
  AFFICHE() << l;
  EXPECT_EQ(out.take(), "[a^2,0,b]");
  EXPECT_EQ(l->poly->next, nullptr);
  EXPECT_EQ(l->next->next->poly->next, nullptr);
  want_maple_input = 1;
  AFFICHE() << l;
  EXPECT_EQ(out.take(), "[\na^2\n0\nb\n]\n");
}

TEST_F(AfficheTest, TheSaveFileGetsTheListEvenWithoutDisplay) {
  StreamCapture out(&orv::Fortran.out);
  auto* l = list_of<Pair>({make({{{1, 0}, 3}}), make({{{0, 1}, 2}, {{0, 0}, 5}})});
  want_output = 0;
  want_to_save = 1;
  bin_save_file = &bus;
  AFFICHE() << l;
  AFFICHE() << "not shown";
  EXPECT_EQ(out.take(), "");
  const std::vector<std::vector<Term>> both = {{{{1, 0}, 3}}, {{{0, 1}, 2}, {{0, 0}, 5}}};
  EXPECT_EQ(saved(), both);
}

TEST_F(AfficheTest, LastEquationIsAllThatIsShownAndSaved) {
  StreamCapture out(&orv::Varne.out);
  auto* l = list_of<Pair>({make({{{1, 0}, 3}}), make({{{0, 1}, 2}})});
  want_fortran = 0;
  want_varne_output = 1;
  want_last_equation = 1;
  want_to_save = 1;
  bin_save_file = &bus;
  AFFICHE() << l;
  AFFICHE() << "!";
  EXPECT_EQ(out.take(), "{{2b}}!");
  const std::vector<std::vector<Term>> last = {{{{0, 1}, 2}}};
  EXPECT_EQ(saved(), last);
}

TEST_F(AfficheTest, WithoutFortranOrExchangeThePrettyPrinterWrites) {
  StreamCapture log;
  orv::init_pretty();
  want_fortran = 0;
  AFFICHE() << "ab";
  AFFICHE() << '\n';
  EXPECT_EQ(log.take(), "  \nab\n  \n");
}

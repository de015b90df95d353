// Polynomials on the protocol bus in every pairing of the build: the exact
// token sequence, random round trips (odd runs of 16-bit values included),
// the reader's repairs of what a sender gets wrong, and its refusals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <vector>

#include "server/poly/text_fixture.hpp"
#include "support/seeds.hpp"

using namespace orv_test;

namespace {

// A bus over a temporary file: written, then read back from the start.
struct FileBus {
  FILE* f = std::tmpfile();
  orv::BUS out{fileno(f)};
  orv::BUS in{fileno(f)};
  ~FileBus() { std::fclose(f); }
  void rewind() {
    out.flush();
    lseek(fileno(f), 0, SEEK_SET);
  }
  std::vector<unsigned char> bytes() {
    rewind();
    std::vector<unsigned char> b(4096);
    ssize_t n = read(fileno(f), b.data(), b.size());
    b.resize(size_t(n > 0 ? n : 0));
    lseek(fileno(f), 0, SEEK_SET);
    return b;
  }
};

// Big-endian words and half-words, as the bus sends them.
struct Expect {
  std::vector<unsigned char> b;
  Expect& w(uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
    return *this;
  }
  Expect& h(uint16_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
    return *this;
  }
  // A tagged coefficient of the build holding the residue of v.
  Expect& coef(long v) {
    uint32_t r = uint32_t(std::stoul(residue(v)));
#ifdef ZEL_VARIANT_INT
    return w(171).w(1).w(r);
#else
    return w(10).w(r);
#endif
  }
};

}  // namespace

template <class P>
struct ProtocolTest : ::testing::Test {
  using E = typename P::E;
  using C = typename P::C;
  using Pr = Protocol<E, C>;
  using N = ExpNames<E>;
  void SetUp() override {
    orv::want_quiet = 1;
    text_setup<P>(3);
  }
  void TearDown() override { orv::want_quiet = 0; }
  static NodeOf<P>* make(const std::vector<Term>& t) { return Poly<P>::make(t); }
  static std::vector<Term> read(const NodeOf<P>* p) { return Poly<P>::read(p); }
  static uint32_t& behind() {
#ifdef ZEL_VARIANT_INT
    return std::string(E::name) == "BigDexp" ? extra_nb_end_vars_BigDexp
                                             : extra_nb_end_vars_BigLexp;
#else
    return extra_nb_end_vars_DRLDRL;
#endif
  }
};
TYPED_TEST_SUITE(ProtocolTest, Pairings);

TYPED_TEST(ProtocolTest, TokenSequences) {
  using Pr = typename TestFixture::Pr;
  FileBus bus;
  Pr::out_poly(bus.out, nullptr, false, true);
  Pr::out_poly(bus.out, nullptr, false, false);
  Pr::out_poly(bus.out, this->make({{{1, 2, 3}, 5}}), false, true);
  bus.out << orv::MSG_ORV_End;  // right behind the three half-words
  Pr::out_list(bus.out, list_of<TypeParam>({this->make({{{1, 0, 0}, 2}, {{0, 0, 1}, 4}})}), true,
               true);
  Expect e;
  e.w(123).w(8).w(8);
  e.w(123).w(14).coef(5).w(12).h(1).h(2).h(3).w(7);
  e.w(6).w(123).w(11).coef(2).w(12).h(1).h(0).w(14).coef(4).w(12).h(0).h(0).w(7);
  EXPECT_EQ(bus.bytes(), e.b);

  FileBus names;
  TestFixture::N::table()[0] = const_cast<char*>("t");
  Pr::out_liste(names.out);
  Expect d;
#ifdef ZEL_VARIANT_INT
  d.w(13).w(3);
#else
  d.w(85).w(3).w(2);
#endif
  d.w(170).w(56).w(1).b.push_back('t');
  d.w(56).w(1).b.push_back('?');
  d.w(56).w(1).b.push_back('?');
  EXPECT_EQ(names.bytes(), d.b);
}

TYPED_TEST(ProtocolTest, RandomListsRoundTrip) {
  using Pr = typename TestFixture::Pr;
  using E = typename TestFixture::E;
  using C = typename TestFixture::C;
  SEED_TRACE();
  auto rng = zel_test::make_rng(31);
  const unsigned top = ExpNames<E>::kMaxExponent == 127 ? 20 : 5000;
  for (long it = 0; it < zel_test::iterations(40); ++it) {
    const uint32_t n = 1 + uint32_t(rng() % 6);
    text_setup<TypeParam>(n);
    // drop_last only with one variable added behind, which the reader fills with 0.
    const bool drop_last = n > 1 && rng() % 3 == 0;
    auto random_poly = [&]() -> NodeOf<TypeParam>* {
      std::set<std::vector<uint16_t>> seen;
      std::vector<Term> terms;
      for (int k = 0, count = int(rng() % 7); k < count; ++k) {
        std::vector<uint16_t> e(n);
        for (auto& x : e) x = uint16_t(rng() % 4 == 0 ? rng() % top : rng() % 3);
        if (drop_last) e[n - 1] = 0;
        if (seen.insert(e).second) terms.emplace_back(e, 1 + long(rng() % 100000));
      }
      return this->make(terms);
    };
    std::vector<CellOf<TypeParam>*> lists;
    DmpListList<E, C>* ll = nullptr;
    DmpListList<E, C>* last = nullptr;
    for (int k = 0, count = int(rng() % 4); k < count; ++k) {
      CellOf<TypeParam>* l = nullptr;
      CellOf<TypeParam>* l_last = nullptr;
      for (int j = 0, m = int(rng() % 4); j < m; ++j)
        DmpLists<E, C>::L::push_back(l, l_last, random_poly());
      DmpLists<E, C>::LL::push_back(ll, last, l);
    }
    FileBus bus;
    Pr::out_list_list(bus.out, ll, drop_last, true);
    bus.out << orv::MSG_ORV_End;
    bus.rewind();
    if (drop_last) this->behind() = 1;
    orv::Messages open;
    bus.in >> open;
    ASSERT_EQ(open, orv::MSG_ORV_Begin);
    DmpListList<E, C>* back = Pr::read_list_list(bus.in);
    orv::Messages after;
    bus.in >> after;
    this->behind() = 0;
    EXPECT_EQ(after, orv::MSG_ORV_End);
    for (auto *a = ll, *b = back; a || b; a = a->next, b = b->next) {
      ASSERT_TRUE(a && b);
      for (auto *p = a->list, *q = b->list; p || q; p = p->next, q = q->next) {
        ASSERT_TRUE(p && q);
        ASSERT_EQ(this->read(q->poly), this->read(p->poly)) << "n=" << n;
      }
    }
  }
}

TYPED_TEST(ProtocolTest, ReaderSortsAddsAndDropsOnlyZeroTerms) {
  using Pr = typename TestFixture::Pr;
  auto term = [&](orv::BUS& b, orv::Messages w, long c, std::vector<uint16_t> e) {
    b << w;
    bus_coef(b, TypeParam::coef(c), true);
    Pr::out_exps(b, this->make({{e, 1}})->e, false, true);
  };
  FileBus bus;
  // Sorting mode: increasing order, a repeated monomial, a cancelling pair.
  bus.out << orv::MSG_ORV_NEED_SORT;
  term(bus.out, orv::MSG_ORV_GDMP, 4, {0, 0, 0});
  term(bus.out, orv::MSG_ORV_GDMP, 2, {0, 1, 0});
  term(bus.out, orv::MSG_ORV_GDMP, 3, {0, 1, 0});
  term(bus.out, orv::MSG_ORV_GDMP, 6, {1, 0, 1});
  term(bus.out, orv::MSG_ORV_LAST_GDMP, -6, {1, 0, 1});
  // Linking mode, out of order, with a zero leading coefficient.
  term(bus.out, orv::MSG_ORV_GDMP, 0, {2, 0, 0});
  term(bus.out, orv::MSG_ORV_GDMP, 1, {0, 0, 0});
  term(bus.out, orv::MSG_ORV_LAST_GDMP, 5, {1, 0, 0});
  bus.rewind();
  orv::Messages first;
  bus.in >> first;
  const std::vector<Term> sorted = {{{0, 1, 0}, 5}, {{0, 0, 0}, 4}};
  EXPECT_EQ(this->read(Pr::read(bus.in, first)), sorted);
  bus.in >> first;
  const std::vector<Term> linked = {{{1, 0, 0}, 5}, {{0, 0, 0}, 1}};
  EXPECT_EQ(this->read(Pr::read(bus.in, first)), linked);
}

TYPED_TEST(ProtocolTest, ReaderReducesResiduesAtOrAboveThePrime) {
  using Pr = typename TestFixture::Pr;
  const uint32_t p = uint32_t(std::stoul(residue(-1))) + 1;
  // A coefficient word as a sender may put it, not reduced.
  auto term = [&](orv::BUS& b, orv::Messages w, uint32_t value, std::vector<uint16_t> e) {
    b << w;
#ifdef ZEL_VARIANT_INT
    const uint32_t words[3] = {orv::MSG_ORV_RAW, 1, value};
    b.ecrirei(words, 12);
#else
    const uint32_t words[2] = {orv::MSG_ORV_GF, value};
    b.ecrirei(words, 8);
#endif
    Pr::out_exps(b, this->make({{e, 1}})->e, false, true);
  };
  FileBus bus;
  // p is a zero term, p + 3 the residue 3.
  bus.out << orv::MSG_ORV_NEED_SORT;
  term(bus.out, orv::MSG_ORV_GDMP, p, {2, 0, 0});
  term(bus.out, orv::MSG_ORV_LAST_GDMP, p + 3, {0, 1, 0});
  bus.rewind();
  orv::Messages first;
  bus.in >> first;
  const std::vector<Term> reduced = {{{0, 1, 0}, 3}};
  EXPECT_EQ(this->read(Pr::read(bus.in, first)), reduced);
}

template <class P>
using ProtocolDeathTest = ProtocolTest<P>;
TYPED_TEST_SUITE(ProtocolDeathTest, Pairings);

TYPED_TEST(ProtocolDeathTest, ShortStreamsAndOversizedExponentsAreFatal) {
  use_fresh_children();
  using Pr = typename TestFixture::Pr;
  using E = typename TestFixture::E;
  auto read_after = [&](auto write) {
    orv::log_output = stderr;
    text_setup<TypeParam>(3);
    FileBus bus;
    write(bus.out);
    bus.rewind();
    Pr::read(bus.in, orv::MSG_ORV_NEED_SORT);
    std::exit(0);
  };
  // The stream ends inside the second term.
  EXPECT_EXIT(read_after([&](orv::BUS& b) {
                b << orv::MSG_ORV_GDMP;
                bus_coef(b, TypeParam::coef(1), true);
                Pr::out_exps(b, this->make({{{1, 0, 0}, 1}})->e, false, true);
                b << orv::MSG_ORV_LAST_GDMP;
              }),
              ::testing::ExitedWithCode(3), "end of input");
  const uint16_t too_big = ExpNames<E>::kMaxExponent + 1;  // 128 or 32768
  EXPECT_EXIT(read_after([&](orv::BUS& b) {
                b << orv::MSG_ORV_LAST_GDMP;
                bus_coef(b, TypeParam::coef(1), true);
                const uint16_t run[3] = {0, too_big, 0};
                b << orv::MSG_ORV_DIRPCAT;
                b.ecrires(run, 6);
              }),
              ::testing::ExitedWithCode(3), "Exponent [0-9]+ of variable 1 does not fit");
  if (!ExpNames<E>::kHasDegree) return;
  EXPECT_EXIT(read_after([&](orv::BUS& b) {
                b << orv::MSG_ORV_LAST_GDMP;
                bus_coef(b, TypeParam::coef(1), true);
                const uint16_t half = ExpNames<E>::kMaxExponent / 2 + 1;
                const uint16_t run[3] = {half, half, 0};
                b << orv::MSG_ORV_DIRPCAT;
                b.ecrires(run, 6);
              }),
              ::testing::ExitedWithCode(3), "Degree [0-9]+ of a monomial does not fit");
}

// VGF: the prime table, residue arithmetic against 128-bit remainders, the
// string parser, hashing and the fatal refusals.
#include "server/base/vgf.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "server/log_capture.hpp"
#include "support/prime_ref.hpp"
#include "support/seeds.hpp"

using namespace orv::ORV_BUILD;

namespace {

// The true residue of v modulo p.
uint32_t ref_mod(__int128 v, uint32_t p) {
  __int128 r = v % p;
  return static_cast<uint32_t>(r < 0 ? r + p : r);
}

VGF from_residues(std::initializer_list<uint32_t> rs) {
  VGF a;
  allocate(a);
  uint32_t i = 0;
  for (uint32_t x : rs) a.rep[i++] = x;
  return a;
}

struct VgfTest : ::testing::Test {
  void SetUp() override {
    want_offset_primes = 0;
    set_VGF(3);
  }
};

}  // namespace

TEST(VgfPrimes, TableHoldsExactlyTheLargestPrimesBelowTwoToThe32) {
  const uint32_t* t = Default_Primes32();
  EXPECT_EQ(t[0], 4294519813u);
  EXPECT_EQ(t[kNbDefaultPrimes - 1], 4294967291u);
  for (uint32_t i = 0; i < kNbDefaultPrimes; ++i) {
    ASSERT_TRUE(zel_test::is_prime_ref(t[i])) << i;
    uint64_t next = i + 1 < kNbDefaultPrimes ? t[i + 1] : (uint64_t{1} << 32);
    for (uint64_t n = uint64_t{t[i]} + 1; n < next; ++n)  // none skipped
      ASSERT_FALSE(zel_test::is_prime_ref(static_cast<uint32_t>(n))) << n;
  }
}

TEST_F(VgfTest, DefaultWindowEndsAtTheTopShiftedByTheOffset) {
  EXPECT_EQ(VGF::_prime[0], 4294967231u);
  EXPECT_EQ(VGF::_prime[1], 4294967279u);
  EXPECT_EQ(VGF::_prime[2], 4294967291u);
  EXPECT_EQ(characterisc_VGF(), 4294967231u);
  want_offset_primes = 1;
  set_VGF(2);
  EXPECT_EQ(VGF::_prime[0], 4294967231u);
  EXPECT_EQ(VGF::_prime[1], 4294967279u);
  want_offset_primes = 20000 - 4;
  set_VGF(4);  // the very bottom of the table
  EXPECT_EQ(VGF::_prime[0], 4294519813u);
  const uint32_t mine[2] = {4294967291u, 65521u};
  set_VGF(2, mine);
  EXPECT_EQ(VGF::_prime[1], 65521u);
  EXPECT_EQ(Modulo6.rep[1], 1000000u % 65521u);
}

TEST_F(VgfTest, ConversionIsExactForEveryLong) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(2);
  std::vector<long> values = {0,
                              1,
                              -1,
                              LONG_MIN,
                              LONG_MAX,
                              4294967231L,
                              -4294967231L,
                              2 * 4294967291L,
                              -3 * 4294967279L,
                              8589934461L};
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<long>(rng()));
  for (long v : values) {
    VGF a = cVGF(v);
    for (uint32_t i = 0; i < 3; ++i) ASSERT_EQ(a.rep[i], ref_mod(v, VGF::_prime[i])) << v;
  }
  EXPECT_TRUE(is_neg_one(cVGF(-1)));
  EXPECT_TRUE(is_zero(cVGF(0)));
  EXPECT_TRUE(is_one(cVGF(1)));
  EXPECT_EQ(cVGF(-4294967231L).rep[0], 0u);  // a negative multiple of that prime
}

TEST_F(VgfTest, RingOperationsAgreeWith128BitRemainders) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(3);
  for (long it = 0; it < zel_test::iterations(5000); ++it) {
    uint32_t ra[3], rb[3], rc[3];
    for (int i = 0; i < 3; ++i) {
      uint32_t p = VGF::_prime[i];
      // Bias towards the edges, where carries go wrong.
      auto pick = [&] {
        switch (rng() % 4) {
          case 0:
            return static_cast<uint32_t>(rng() % 3);
          case 1:
            return p - 1 - static_cast<uint32_t>(rng() % 3);
          default:
            return static_cast<uint32_t>(rng() % p);
        }
      };
      ra[i] = pick(), rb[i] = pick(), rc[i] = pick();
    }
    VGF a = from_residues({ra[0], ra[1], ra[2]});
    VGF b = from_residues({rb[0], rb[1], rb[2]});
    VGF c = from_residues({rc[0], rc[1], rc[2]});
    VGF s = add(a, b), d = sub(a, b), m = mult(a, b), n = minus(a);
    VGF l = copy(a);
    lin_d(l, b, c);
    for (int i = 0; i < 3; ++i) {
      uint32_t p = VGF::_prime[i];
      ASSERT_EQ(s.rep[i], ref_mod(__int128(ra[i]) + rb[i], p));
      ASSERT_EQ(d.rep[i], ref_mod(__int128(ra[i]) - rb[i], p));
      ASSERT_EQ(m.rep[i], ref_mod(__int128(ra[i]) * rb[i], p));
      ASSERT_EQ(n.rep[i], ref_mod(-__int128(ra[i]), p));
      ASSERT_EQ(l.rep[i], ref_mod(__int128(ra[i]) + __int128(rb[i]) * rc[i], p));
    }
    if (a.rep[0] && a.rep[1] && a.rep[2]) {
      ASSERT_TRUE(is_one(mult(a, inv(a))));
    }
  }
}

TEST_F(VgfTest, InPlaceOperationsAreSeenThroughSharedHandles) {
  VGF a = cVGF(5);
  VGF alias = a;
  add_d(a, cVGF(2));
  EXPECT_TRUE(comp_EQ(alias, cVGF(7)));
  mult_d(a, cVGF(3));
  EXPECT_TRUE(comp_EQ(alias, cVGF(21)));
  VGF h = mul_d(a, cVGF(2));
  EXPECT_EQ(h.rep, a.rep);
  EXPECT_TRUE(comp_EQ(alias, cVGF(42)));
  neg_d(a);
  EXPECT_TRUE(comp_EQ(alias, cVGF(-42)));
  quot_d(a, cVGF(-6));
  EXPECT_TRUE(comp_EQ(alias, cVGF(7)));
  VGF b = copy(a);
  EXPECT_NE(b.rep, a.rep);
  EXPECT_TRUE(comp_EQ(b, a));
  EXPECT_FALSE(comp_NEQ(b, a));
  EXPECT_EQ(pseudo_sgn(cVGF(-3)), 1);
  EXPECT_EQ(pseudo_sgn(cVGF(0)), 0);
}

TEST_F(VgfTest, PretendStoresUnreducedWords) {
  VGF a = pretend_VGF(0xFFFFFFFFu);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.rep[i], 0xFFFFFFFFu);
  const uint32_t w[2] = {7, 9};
  VGF b = pretend_block_VGF(w, 2);
  EXPECT_EQ(b.rep[0], 7u);
  EXPECT_EQ(b.rep[1], 9u);
  EXPECT_EQ(b.rep[2], 0u);
}

TEST_F(VgfTest, StringsParseExactlyAndAreNotWritten) {
  EXPECT_TRUE(comp_EQ(String_to_VGF("-1234567"), cVGF(-1234567L)));
  EXPECT_TRUE(comp_EQ(String_to_VGF("-1234"), cVGF(-1234L)));  // short path
  EXPECT_TRUE(comp_EQ(String_to_VGF("123456"), cVGF(123456L)));
  EXPECT_TRUE(comp_EQ(String_to_VGF("  - 000042"), cVGF(-42L)));
  SEED_TRACE();
  auto rng = zel_test::make_rng(4);
  for (int it = 0; it < 300; ++it) {
    std::string s = (rng() & 1) ? "-" : "";
    int len = 1 + static_cast<int>(rng() % 37);
    for (int k = 0; k < len; ++k) s += static_cast<char>('0' + rng() % 10);
    const std::string before = s;
    VGF a = String_to_VGF(s.c_str());
    EXPECT_EQ(s, before);
    for (int i = 0; i < 3; ++i) {
      uint32_t p = VGF::_prime[i];
      __int128 v = 0;
      for (char ch : s)
        if (ch != '-') v = (v * 10 + (ch - '0')) % p;
      if (s[0] == '-') v = -v;
      ASSERT_EQ(a.rep[i], ref_mod(v, p)) << s;
    }
  }
}

TEST_F(VgfTest, HashFoldsResidues) {
  EXPECT_EQ(Hash_VGF(cVGF(0), 0), 0u);
  VGF a = cVGF(-1);
  uint32_t h = 99;
  for (int i = 0; i < 3; ++i) h = (h * 256u + a.rep[i]) % 16777213u;
  EXPECT_EQ(Hash_VGF(a, 99), h);
}

TEST_F(VgfTest, InformationLines) {
  orv_test::StreamCapture log;
  set_VGF(2);
  afficherHeader_VGF();
  afficher_NTL_VGF();
  defMaple_VGF("pr");
  inter_info_VGF();
  EXPECT_EQ(log.take(),
            "\n#modulo <4294967279 4294967291 >\n 4294967279  4294967291 \n"
            "pr:=[4294967279,4294967291 ]:\n"
            "Entier INT (Compatible with Zel 2) codage classique \n");
  EXPECT_STREQ(factorizer_VGF(), "VGF 2");
}

TEST(VgfDeath, StringsThatAreNotIntegersAreFatal) {
  set_VGF(3);
  EXPECT_TRUE(comp_EQ(String_to_VGF("+12345"), cVGF(12345L)));
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        String_to_VGF("12abc");
      },
      ::testing::ExitedWithCode(3), "String_to_VGF: \"12abc\" is not a decimal integer");
}

TEST(VgfDeath, RefusalsEndTheProcess) {
  orv_test::use_fresh_children();
  auto in_child = [](auto body) {
    orv::log_output = stderr;
    set_VGF(3);
    body();
  };
  EXPECT_EXIT(in_child([] {
                inv(from_residues({1, 0, 1}));
              }),
              ::testing::ExitedWithCode(3), "not inversible for p=4294967279");
  EXPECT_EXIT(in_child([] { quot(cVGF(1), cVGF(0)); }), ::testing::ExitedWithCode(3),
              "not inversible");
  EXPECT_EXIT(in_child([] {
                want_offset_primes = 19998;
                set_VGF(3);
              }),
              ::testing::ExitedWithCode(3), "Cannot take 3 primes at offset 19998");
  EXPECT_EXIT(in_child([] {
                const uint32_t w[4] = {1, 2, 3, 4};
                pretend_block_VGF(w, 4);
              }),
              ::testing::ExitedWithCode(3), "pretend_block_VGF: 4 words");
  EXPECT_EXIT(in_child([] { set_modules_VGF(nullptr, 1); }), ::testing::ExitedWithCode(3),
              "Size of the list of primes is 1 and should be >= 3");
  EXPECT_EXIT(in_child([] { set_modules_VGF(nullptr, 3); }), ::testing::ExitedWithCode(3),
              "VGF is not compiled for 64bits");
}

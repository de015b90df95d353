// Cross-checks an exponent type against the naive monomials of
// tests/support on random vectors.  T adapts one type: its set-up, its
// pasted names, its naive orders and the largest exponent that keeps every
// field, degrees and products included, in the exact range.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "support/naive_monomial.hpp"
#include "support/seeds.hpp"

namespace orv_test {

using zel_test::Mono;

template <class T>
struct Vec {
  std::vector<uint64_t> w;
  Vec() : w(T::words() + 1, 0) {}  // one spare word: nothing may touch it
  uint64_t* p() { return w.data(); }
  const uint64_t* p() const { return w.data(); }
};

template <class T>
Vec<T> make(const Mono& m) {
  Vec<T> v;
  T::set_null(v.p());
  for (unsigned i = 0; i < m.size(); ++i) T::ranger(v.p(), m[i], i);
  return v;
}

template <class T>
bool same(const Vec<T>& a, const Vec<T>& b) {
  return std::equal(a.w.begin(), a.w.end(), b.w.begin());
}

inline int naive_power(const Mono& a, unsigned& d) {
  int found = -1;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i]) {
      if (found >= 0) return -1;
      found = int(i);
      d = a[i];
    }
  return found;
}

template <class T, class Rng>
void cross_check_one(Rng& rng, unsigned n) {
  Mono a = zel_test::random_mono(rng, n, T::kTop);
  Mono b = std::uniform_int_distribution<int>(0, 1)(rng) ? zel_test::near_mono(rng, a)
                                                         : zel_test::random_mono(rng, n, T::kTop);
  Mono c = zel_test::random_mono(rng, n, T::kTop);
  if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) b = zel_test::naive_gcd(a, b);
  Vec<T> va = make<T>(a), vb = make<T>(b), vc = make<T>(c);
  Mono ab = zel_test::naive_product(a, b), bc = zel_test::naive_product(b, c);
  Vec<T> vab = make<T>(ab);
  SCOPED_TRACE(::testing::PrintToString(a) + " / " + ::testing::PrintToString(b));

  for (unsigned i = 0; i < n; ++i) ASSERT_EQ(T::extraire(va.p(), i), a[i]);
  std::vector<typename T::Flat> flat(n + 1, 0xEE);
  EXPECT_EQ(T::out_memory(flat.data(), va.p()), n);
  for (unsigned i = 0; i < n; ++i) EXPECT_EQ(flat[i], a[i]);
  EXPECT_EQ(flat[n], 0xEE);
  Vec<T> parsed;
  parsed.w.assign(parsed.w.size(), ~uint64_t(0));
  parsed.w.back() = 0;
  T::parse_memory(flat.data(), parsed.p());
  EXPECT_TRUE(same(parsed, va));

  // Orders.
  EXPECT_EQ(T::greater(va.p(), vb.p()), T::naive_order(a, b));
  EXPECT_EQ(T::greater(va.p(), vb.p()), -T::greater(vb.p(), va.p()));
  EXPECT_EQ(T::greater(vab.p(), vb.p(), vc.p()), T::naive_order(ab, bc));
  EXPECT_EQ(T::greater(va.p(), vb.p(), vc.p()), T::naive_order(a, bc));
  EXPECT_EQ(T::rev_greater(va.p(), vb.p()), T::naive_rev_order(a, b));
  EXPECT_EQ(T::lex_greater(va.p(), vb.p()), zel_test::naive_lex(a, b));
  EXPECT_EQ(T::greater2(va.p(), vb.p()), -zel_test::naive_lex(a, b));

  // Arithmetic.
  Vec<T> out;
  EXPECT_TRUE(same(make<T>(ab), (T::add(va.p(), vb.p(), out.p()), out)));
  EXPECT_TRUE(same(va, (T::sub(vab.p(), vb.p(), out.p()), out)));
  EXPECT_TRUE(same(make<T>(zel_test::naive_lcm(a, b)), (T::zsup(va.p(), vb.p(), out.p()), out)));
  EXPECT_TRUE(same(make<T>(zel_test::naive_gcd(a, b)), (T::zinf(va.p(), vb.p(), out.p()), out)));
  EXPECT_EQ(T::eq(va.p(), vb.p()), a == b);
  EXPECT_TRUE(T::eq(vab.p(), va.p(), vb.p()));
  EXPECT_EQ(T::eq(va.p(), vb.p(), vc.p()), a == bc);
  EXPECT_TRUE(T::eq(va.p(), vb.p(), vb.p(), va.p()));
  EXPECT_EQ(T::eq(va.p(), vc.p(), vb.p(), vc.p()), a == b);
  EXPECT_EQ(T::null(va.p()), zel_test::naive_degree(a) == 0);

  // Divisibility.
  bool div = zel_test::naive_divides(a, b);
  EXPECT_EQ(T::is_sub(va.p(), vb.p()), div);
  EXPECT_EQ(T::is_sub_intel(va.p(), vb.p()), div);
  EXPECT_TRUE(T::is_sub(vab.p(), vb.p()));
  EXPECT_TRUE(T::is_sub(va.p(), va.p()));
  Vec<T> reduced = va;
  EXPECT_EQ(T::is_sub_and_do(reduced.p(), vb.p()), div);
  if (div) {
    Mono q(n);
    for (unsigned i = 0; i < n; ++i) q[i] = a[i] - b[i];
    EXPECT_TRUE(same(reduced, make<T>(q)));
  } else {
    EXPECT_TRUE(same(reduced, va));  // a failed division leaves a as it was
  }
  if (n > 0) {
    Mono bh = b;
    bh[n - 1] = 0;
    Vec<T> before = vb;
    EXPECT_EQ(T::is_homog_sub(va.p(), vb.p()), zel_test::naive_divides(a, bh));
    EXPECT_TRUE(same(vb, before));
  }

  // Powers and variables.
  unsigned d = 12345, dn = 0, ds = 12345;
  int expect = naive_power(a, dn);
  EXPECT_EQ(T::is_power(va.p(), d), expect);
  EXPECT_EQ(T::slow_is_power(va.p(), ds), expect);
  EXPECT_EQ(d, expect >= 0 ? dn : 12345u);
  EXPECT_EQ(ds, d);
  auto first = std::find_if(a.begin(), a.end(), [](unsigned e) { return e != 0; });
  EXPECT_EQ(T::mainVariable(va.p()),
            first == a.end() ? 0xFFFFFFFFu : unsigned(first - a.begin()) + 1);
  unsigned k = std::uniform_int_distribution<unsigned>(0, n)(rng);
  EXPECT_EQ(T::is_eliminated(va.p(), k),
            std::all_of(a.begin(), a.begin() + k, [](unsigned e) { return e == 0; }));
  EXPECT_EQ(T::is_sym_orbit(va.p()), std::is_sorted(a.rbegin(), a.rend()));

  std::vector<unsigned> perm(n);
  std::iota(perm.begin(), perm.end(), 0u);
  std::shuffle(perm.begin(), perm.end(), rng);
  Mono moved(n);
  for (unsigned i = 0; i < n; ++i) moved[perm[i]] = a[i];
  Vec<T> pv = va;
  T::permut(pv.p(), perm.data());
  EXPECT_TRUE(same(pv, make<T>(moved)));

  // Hashes: the product's hash without forming it; equal vectors hash alike.
  for (uint32_t m : {16777213u, 65521u, 7u})
    EXPECT_EQ(T::hash(va.p(), vb.p(), m), T::hash(vab.p(), m));
  EXPECT_EQ(T::Hash(va.p(), 5), T::Hash(make<T>(a).p(), 5));
}

template <class T>
void cross_check(const std::vector<unsigned>& sizes, long iterations) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(T::kSalt);
  for (unsigned n : sizes) {
    T::setup(n);
    SCOPED_TRACE("n=" + std::to_string(n));
    for (long it = 0; it < zel_test::iterations(iterations); ++it) {
      cross_check_one<T>(rng, n);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

}  // namespace orv_test

// The members of an adaptor that only forward to a type's pasted names.
#define ORV_EXP_NAMES(T)                                                                       \
  static void set_null(T* e) { set_null_##T(e); }                                              \
  static void ranger(T* e, unsigned v, unsigned i) { ranger_##T(e, v, i); }                    \
  static unsigned extraire(const T* e, unsigned i) { return extraire_##T(e, i); }              \
  static unsigned out_memory(Flat* b, const T* e) { return out_memory_##T(b, e); }             \
  static unsigned parse_memory(const Flat* b, T* e) { return parse_memory_##T(b, e); }         \
  static int greater(const T* a, const T* b) { return greater_##T(a, b); }                     \
  static int greater(const T* a, const T* b, const T* c) { return greater_##T(a, b, c); }      \
  static int rev_greater(const T* a, const T* b) { return rev_greater_##T(a, b); }             \
  static int lex_greater(const T* a, const T* b) { return lex_greater_##T(a, b); }             \
  static int greater2(const T* a, const T* b) { return greater2_##T(a, b); }                   \
  static T* add(const T* a, const T* b, T* o) { return add_##T(a, b, o); }                     \
  static T* sub(const T* a, const T* b, T* o) { return sub_##T(a, b, o); }                     \
  static T* zsup(const T* a, const T* b, T* o) { return zsup_##T(a, b, o); }                   \
  static T* zinf(const T* a, const T* b, T* o) { return zinf_##T(a, b, o); }                   \
  static int eq(const T* a, const T* b) { return eq_##T(a, b); }                               \
  static int eq(const T* a, const T* b, const T* c) { return eq_##T(a, b, c); }                \
  static int eq(const T* a, const T* b, const T* c, const T* d) { return eq_##T(a, b, c, d); } \
  static int null(const T* e) { return null_##T(e); }                                          \
  static int is_sub(const T* a, const T* b) { return is_sub_##T(a, b); }                       \
  static int is_sub_intel(const T* a, const T* b) { return is_sub_intel_##T(a, b); }           \
  static int is_sub_and_do(T* a, const T* b) { return is_sub_and_do_##T(a, b); }               \
  static int is_homog_sub(const T* a, T* b) { return is_homog_sub_##T(a, b); }                 \
  static int is_power(const T* e, unsigned& d) { return is_power_##T(e, d); }                  \
  static int slow_is_power(const T* e, unsigned& d) { return slow_is_power_##T(e, d); }        \
  static uint32_t mainVariable(const T* e) { return mainVariable_##T(e); }                     \
  static int is_eliminated(const T* e, unsigned k) { return is_eliminated_##T(e, k); }         \
  static int is_sym_orbit(const T* e) { return is_sym_orbit_##T(e); }                          \
  static void permut(T* e, const unsigned* p) { permut_##T(e, p); }                            \
  static uint32_t hash(const T* e, uint32_t m) { return hash_##T(e, m); }                      \
  static uint32_t hash(const T* a, const T* b, uint32_t m) { return hash_##T(a, b, m); }       \
  static uint32_t Hash(const T* e, uint32_t s) { return Hash_##T(e, s); }

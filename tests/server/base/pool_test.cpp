// The pool template on test records: taking order, release, the two sorts
// against std::stable_sort, merges, copies, statistics, alignment of term
// blocks and the rebuild for a new record size.
// The release check is on in debug builds; these test-only pools have it
// on always, so that the check itself is tested.
#define ORV_POOL_CHECKS 1

#include "server/memdebug_skip.hpp"
#include "server/base/pool.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "server/base/orv_malloc.hpp"
#include "server/log_capture.hpp"
#include "support/seeds.hpp"

using namespace orv::ORV_BUILD;

namespace {

struct Rec {
  int key;
  int id;
  Rec* next;
};
int kill_hooks = 0;
struct RecPolicy : PoolPolicyBase<Rec, RecPolicy> {
  static const char* name() { return "Rec"; }
  static void kill_hook(Rec*) { ++kill_hooks; }
  static void kill_all_hook(Rec*) { ++kill_hooks; }
};
using RP = Pool<Rec, RecPolicy>;

// A term-like record whose size follows a word count.
uint32_t test_words = 2;
struct Term {
  uint64_t coef;
  Term* next;
  uint64_t e[];
};
struct TermLikePolicy : PoolPolicyBase<Term, TermLikePolicy> {
  static constexpr bool term_nodes = true;
  static constexpr bool variable_size = true;
  static constexpr uint32_t per_block = 50000;
  static const char* name() { return "Term"; }
  static uint32_t words() { return test_words; }
  static uint32_t shown_size() { return 8 * test_words + 16; }
};
using TP = Pool<Term, TermLikePolicy>;

Rec* make_list(const std::vector<int>& keys) {
  Rec* first = nullptr;
  Rec* last = nullptr;
  for (size_t i = 0; i < keys.size(); ++i) {
    Rec* r = RP::new_();
    r->key = keys[i];
    r->id = static_cast<int>(i);
    r->next = nullptr;
    if (last)
      last->next = r;
    else
      first = r;
    last = r;
  }
  return first;
}

std::vector<int> ids(Rec* l) {
  std::vector<int> v;
  for (; l != nullptr; l = l->next) v.push_back(l->id);
  return v;
}

struct PoolTest : ::testing::Test {
  void SetUp() override {
    orv::want_quiet = 1;
    RP::init_Objet_();
  }
  void TearDown() override { orv::want_quiet = 0; }
};

}  // namespace

TEST_F(PoolTest, RecordsComeLinkedInTakingOrderAndReturnLastInFirstOut) {
  Rec* a = RP::new_();
  Rec* b = RP::new_();
  EXPECT_EQ(a->next, b);
  b->next = nullptr;
  EXPECT_EQ(RP::size_(a), 2u);
  kill_hooks = 0;
  EXPECT_EQ(RP::kill_(a), b);
  EXPECT_EQ(kill_hooks, 1);
  EXPECT_EQ(RP::new_(), a);
  EXPECT_EQ(RP::kill_(nullptr), nullptr);
  EXPECT_EQ(RP::free_(b), nullptr);
  EXPECT_EQ(RP::alloc_(), b);
}

TEST_F(PoolTest, TakingTheLastFreeRecordTakesABlockFirst) {
  while (RP::root->next != nullptr) RP::new_();
  uint32_t blocks = RP::stat_orv;
  Rec* last = RP::root;
  Rec* got = RP::new_();
  EXPECT_EQ(got, last);
  EXPECT_EQ(RP::stat_orv, blocks + 1);
  EXPECT_EQ(got->next, RP::root);
  EXPECT_EQ(RP::new_(), got->next);
}

#ifdef ZEL_MEMDEBUG
// A dangling read of a released record sees the pattern, its link aside.
TEST_F(PoolTest, ReleasedRecordsAreFilledWithAPatternBesideTheirLink) {
  Rec* a = RP::new_();
  a->key = 5;
  a->id = 6;
  Rec* next = RP::root;
  RP::kill_(a);
  EXPECT_EQ(static_cast<uint32_t>(a->key), 0xDBDBDBDBu);
  EXPECT_EQ(static_cast<uint32_t>(a->id), 0xDBDBDBDBu);
  EXPECT_EQ(a->next, next);
}
#endif

TEST_F(PoolTest, HowMuchCountsTheFreeRecords) {
  ORV_SKIP_IN_MEMDEBUG();
  orv_test::StreamCapture log;
  EXPECT_EQ(RP::how_much_(), 499u);
  EXPECT_EQ(
      log.take(),
      "Nb block Rec = 1, Nb elts par block= 500, taille elt= 16,\n libre = 0 block(s) + 499\n");
}

TEST_F(PoolTest, SortsAgreeWithStableSortAndTreatTiesAsDocumented) {
  SEED_TRACE();
  auto rng = zel_test::make_rng(6);
  auto by_key = [](Rec* a, Rec* b) { return a->key < b->key ? -1 : a->key > b->key ? 1 : 0; };
  auto before = [](Rec* a, Rec* b) { return a->key < b->key; };
  for (int it = 0; it < 300; ++it) {
    size_t n = rng() % 70;
    std::vector<int> keys(n);
    for (int& k : keys) k = static_cast<int>(rng() % 6);
    std::vector<int> idx(n);
    for (size_t i = 0; i < n; ++i) idx[i] = static_cast<int>(i);

    // Ties come out in reverse input order from trier_...
    std::vector<int> want = idx;
    std::reverse(want.begin(), want.end());
    std::stable_sort(want.begin(), want.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    Rec* l = RP::trier_(make_list(keys), by_key);
    ASSERT_EQ(ids(l), want) << n;
    RP::free_all_(l);

    // ... and in input order from trier_boolean_.
    want = idx;
    std::stable_sort(want.begin(), want.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    l = RP::trier_boolean_(make_list(keys), before);
    ASSERT_EQ(ids(l), want) << n;
    for (Rec* r = l; r != nullptr; r = r->next) ASSERT_NE(r->next, RP::z);
    RP::free_all_(l);
  }
  EXPECT_EQ(RP::z->next, RP::z);
}

TEST_F(PoolTest, MergeBooleanInsertsBeforeTheFirstLaterRecord) {
  auto before = [](Rec* a, Rec* b) { return a->key < b->key; };
  Rec* l = make_list({1, 3, 3, 5});
  Rec* x = make_list({3});
  x->id = 9;
  l = RP::merge_boolean_(x, l, before);
  EXPECT_EQ(ids(l), (std::vector<int>{0, 1, 2, 9, 3}));
  Rec* y = make_list({7});
  y->id = 8;
  l = RP::merge_boolean_(y, l, before);
  EXPECT_EQ(ids(l).back(), 8);
  Rec* z = make_list({0});
  z->id = 7;
  l = RP::merge_boolean_(z, l, before);
  EXPECT_EQ(l, z);
  EXPECT_EQ(RP::merge_boolean_(z, nullptr, before), z);
}

TEST_F(PoolTest, CopiesShareNoRecord) {
  Rec* l = make_list({4, 5, 6});
  Rec* c = RP::copy_(l);
  EXPECT_EQ(ids(c), ids(l));
  for (Rec *a = l, *b = c; a; a = a->next, b = b->next) {
    EXPECT_NE(a, b);
    EXPECT_EQ(a->key, b->key);
  }
  Rec* one = RP::copy_one_(l->next);
  EXPECT_EQ(one->key, 5);
  EXPECT_EQ(one->next, l->next->next);
  EXPECT_EQ(RP::copy_(nullptr), nullptr);
  EXPECT_EQ(RP::copy_one_(nullptr), nullptr);
}

TEST_F(PoolTest, WholeListsGoBackAndListHelpersWalk) {
  Rec* a = make_list({1, 2});
  Rec* b = make_list({3});
  EXPECT_EQ(RP::append_(nullptr, b), b);
  EXPECT_EQ(RP::append_(a, nullptr), a);
  EXPECT_EQ(RP::append_(a, b), a);
  EXPECT_EQ(RP::size_(a), 3u);
  EXPECT_EQ(RP::size_(nullptr), 0u);
  EXPECT_EQ(RP::rest_(a, 2u), b);
  EXPECT_EQ(RP::rest_(a, 7), nullptr);  // the signed form stops at the end
  kill_hooks = 0;
  RP::kill_all_(a);
  EXPECT_EQ(kill_hooks, 3);
  EXPECT_EQ(RP::root, a);
  RP::kill_all_(nullptr);
  EXPECT_EQ(RP::free_all_(nullptr), nullptr);
}

TEST_F(PoolTest, CallerAreasAndSwappedFreeLists) {
  std::vector<Rec> area(10);
  Rec* zone;
  {
    orv_test::StreamCapture log;
    orv::want_quiet = 0;  // the notice goes through Inform
    zone = RP::creat_zone_(sizeof(Rec) * 10, area.data());
    EXPECT_NE(log.take().find("*** Creat Memory (Rec) "), std::string::npos);
  }
  EXPECT_EQ(zone, &area[0]);
  EXPECT_EQ(RP::size_(zone), 10u);
  Rec* mine = RP::root;
  RP::swap_zone_(zone);
  EXPECT_EQ(RP::new_(), &area[0]);
  RP::swap_zone_(zone);
  EXPECT_EQ(RP::root, mine);
}

TEST(PoolTerms, MisalignedBlocksLoseOneRecordAndAlignTheRest) {
  ORV_SKIP_IN_MEMDEBUG();
  static char* handed = nullptr;
  auto saved = ORV_C(Orv_malloc);
  ORV_C(Orv_malloc) = [](uint32_t n) -> void* {
    char* p = static_cast<char*>(std::malloc(n + 32));
    uintptr_t a = reinterpret_cast<uintptr_t>(p);
    handed = p + (16 - a % 16) + 8;  // 8 bytes off a 16-byte boundary
    return handed;
  };
  orv::want_quiet = 1;
  test_words = 3;  // 40 bytes, rounded up to 48
  TP::init_Objet_();
  ORV_C(Orv_malloc) = saved;
  orv::want_quiet = 0;
  EXPECT_EQ(TP::elt_size(), 48u);
  uint32_t n = 0;
  for (Term* t = TP::root; t != nullptr; t = t->next, ++n)
    ASSERT_EQ(reinterpret_cast<uintptr_t>(t) % 16, 0u);
  EXPECT_EQ(n + 1, 49999u);  // the sentinel took one
  orv_test::StreamCapture log;
  TP::how_much_();
  EXPECT_NE(log.take().find("taille elt= 40,"), std::string::npos);
}

TEST(PoolTerms, RebuildsOnlyForANewWordCountAndKnowsOldRecords) {
  ORV_SKIP_IN_MEMDEBUG();
  orv::want_quiet = 1;
  test_words = 5;
  TP::init_Objet_();
  Term* old = TP::new_();
  Term* sentinel = TP::z;
  TP::init_Objet_();  // same size: kept
  EXPECT_EQ(TP::z, sentinel);
  TP::new_();
  test_words = 6;  // 64 bytes, as 5 words rounded up: the old records still fit
  TP::init_Objet_();
  EXPECT_NE(TP::z, sentinel);
  EXPECT_FALSE(TP::is_stale(old));
  sentinel = TP::z;
  test_words = 7;  // 80 bytes
  TP::init_Objet_();
  EXPECT_NE(TP::z, sentinel);
  EXPECT_EQ(TP::stat_orv, 1u);
  EXPECT_TRUE(TP::is_stale(old));
  EXPECT_FALSE(TP::is_stale(TP::new_()));
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        TP::free_(old);
      },
      ::testing::ExitedWithCode(3), "old size was released into the rebuilt pool Term");
  orv::want_quiet = 0;
}

TEST(PoolTermsNotice, ExtensionIsAnnouncedUnlessQuiet) {
  ORV_SKIP_IN_MEMDEBUG();
  // Whatever word count an earlier test left, the pool is rebuilt below.
  orv::want_quiet = 1;
  test_words = 8;
  TP::init_Objet_();
  orv::want_quiet = 0;
  orv_test::StreamCapture log;
  test_words = 7;
  TP::init_Objet_();
  std::string text = log.take();
  EXPECT_EQ(text.rfind("\n>>> Extend Memory (Term) ", 0), 0u);
  EXPECT_NE(text.find(" 1 alloc:4000000 octets\n"), std::string::npos);
}

TEST(PoolDeath, ARefusedBlockEndsTheProcessNamingThePool) {
  ORV_SKIP_IN_MEMDEBUG();
  orv_test::use_fresh_children();
  EXPECT_EXIT(
      {
        orv::log_output = stderr;
        ORV_C(Orv_malloc) = [](uint32_t) -> void* { return nullptr; };
        RP::init_Objet_();
      },
      ::testing::ExitedWithCode(3),
      "#error \\(fatal\\): \nPas assez de memoire dans orv_Rec pour 8000 octets\n$");
}

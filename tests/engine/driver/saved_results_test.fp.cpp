// Results copied out of the zones and rebuilt: every term comes back with
// its exact monomial block (header included) and coefficient, in a block of
// its own, however the source shared or repeated its blocks.
#include "engine/driver/saved_results.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "engine/driver/threads.hpp"
#include "engine/f4/f4_session.hpp"
#include "engine/f4/worker_team.hpp"
#include "support/seeds.hpp"

using namespace zel::ZEL_BUILD;
using zel_test::F4Session;

namespace {

std::vector<uint64_t> bytes_of(const Expos* m) {
  const uint64_t* w = reinterpret_cast<const uint64_t*>(m);
  return std::vector<uint64_t>(w, w + sz_Expos / 8);
}

// With threads > 1 the rebuilt polynomials are filled by the worker team.
void check_rebuild(uint32_t threads) {
  SCOPED_TRACE("threads " + std::to_string(threads));
  F4Session s(6);
  nb_threads = int32_t(threads);
  min_threaded_work = 0;
  auto rng = zel_test::make_rng(17);
  // Polynomials over few thousand monomials: blocks shared between terms
  // of different polynomials, equal blocks made separately, and equal
  // exponents under different headers (which must stay apart).
  std::vector<Expos*> pool;
  for (uint32_t k = 0; k < 3000; ++k)
    pool.push_back(F4Session::mono({k % 7, (k / 7) % 11, k / 77, 1, 0, 2}));
  std::vector<Dpol*> polys;
  std::vector<std::vector<std::vector<uint64_t>>> want;
  for (uint32_t i = 0; i < 300; ++i) {
    const uint32_t n = 1 + uint32_t(rng() % 60);
    Dpol* p = new_Dpol(n);
    p->serial = 1000 + i;
    want.emplace_back();
    for (uint32_t t = 0; t < n; ++t) {
      Expos* m = pool[rng() % pool.size()];
      if (rng() % 4 == 0) {  // an equal block of its own, its header changed or not
        Expos* c = ZEL_C(new_Expos)();
        std::memcpy(c, m, sz_Expos);
        if (rng() % 2) put_hash(c, uint32_t(rng() % 1000));
        m = c;
      }
      p->mono[t] = m;
      lanes(p)[0][t] = Dom(rng() % 65521);
      want.back().push_back(bytes_of(m));
    }
    polys.push_back(p);
  }
  std::vector<Dpol*> copy = polys;
  SavedResults saved;
  saved.save(copy.data(), uint32_t(copy.size()));
  // The copy owns its data: the sources may be overwritten.
  std::vector<std::vector<Dom>> coeffs;
  for (Dpol* p : polys) {
    coeffs.emplace_back(lanes(p)[0], lanes(p)[0] + p->n);
    for (uint32_t t = 0; t < p->n; ++t) lanes(p)[0][t] = 0;
  }
  for (Expos* m : pool) std::memset(m, 0xEE, sz_Expos);
  saved.rebuild(copy.data());
  std::vector<const Expos*> seen;
  for (size_t i = 0; i < polys.size(); ++i) {
    const Dpol* q = copy[i];
    ASSERT_NE(q, polys[i]);
    ASSERT_EQ(q->serial, 1000 + i);
    ASSERT_EQ(q->n, want[i].size());
    for (uint32_t t = 0; t < q->n; ++t) {
      ASSERT_EQ(bytes_of(q->mono[t]), want[i][t]) << i << " " << t;
      ASSERT_EQ(lanes(q)[0][t], coeffs[i][t]);
      seen.push_back(q->mono[t]);
    }
  }
  // Blocks apart: none shared, none overlapping the next.
  std::sort(seen.begin(), seen.end());
  for (size_t k = 1; k < seen.size(); ++k)
    ASSERT_GE(reinterpret_cast<const char*>(seen[k]) - reinterpret_cast<const char*>(seen[k - 1]),
              std::ptrdiff_t(sz_Expos))
        << "blocks overlap";
  nb_threads = 1;
  min_threaded_work = kDefaultThreadedWork;
}

TEST(SavedResults, RebuildsEveryTermExactlyInBlocksOfItsOwn) {
  SEED_TRACE();
  check_rebuild(1);
  check_rebuild(3);
}

TEST(SavedResults, NoPolynomials) {
  F4Session s(2);
  SavedResults saved;
  saved.save(nullptr, 0);
  saved.rebuild(nullptr);
}

}  // namespace

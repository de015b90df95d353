// The worker team runs every task of every run exactly once, whatever the
// thread count, also when runs follow each other at once.
#include "engine/f4/worker_team.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace zel::ZEL_BUILD;

TEST(WorkerTeam, EveryTaskRunsOnceInEveryRun) {
  WorkerTeam& team = worker_team();
  for (uint32_t run = 0; run < 300; ++run) {
    const uint32_t threads = 1 + run % 5;
    const uint32_t count = (run * 7) % 23;
    std::vector<std::atomic<uint32_t>> hits(count);
    for (auto& h : hits) h = 0;
    team.run(threads, count, [&](uint32_t k) { hits[k].fetch_add(1); });
    for (uint32_t k = 0; k < count; ++k) ASSERT_EQ(hits[k].load(), 1u) << "run " << run;
  }
}

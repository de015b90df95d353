// The worker team runs every task of every run exactly once, whatever the
// thread count, also when runs follow each other at once; an exception in a
// task, on any thread, reaches the caller of run() once no task runs.
#include "engine/f4/worker_team.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>
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

// A child forked right after a run (its helpers may still be leaving it)
// gets a working team of its own.
TEST(WorkerTeam, AForkedChildRunsItsOwnTeam) {
  WorkerTeam& team = worker_team();
  for (int round = 0; round < 100; ++round) {
    std::atomic<uint32_t> n{0};
    team.run(4, 64, [&](uint32_t) { n.fetch_add(1); });
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(20);  // a hung team ends the child with SIGALRM
      std::atomic<uint32_t> m{0};
      team.run(4, 64, [&](uint32_t) { m.fetch_add(1); });
      _exit(m.load() == 64 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
  }
}

// Out of memory in a helper's task is raised by run() on the calling thread
// (it used to end the process), and the team serves the next run.
TEST(WorkerTeam, AHelpersErrorIsRaisedOnTheCaller) {
  WorkerTeam& team = worker_team();
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> helper_threw{false};
  EXPECT_THROW(team.run(4, 64,
                        [&](uint32_t) {
                          if (std::this_thread::get_id() != caller) {
                            helper_threw = true;
                            throw std::bad_alloc();
                          }
                          while (!helper_threw) std::this_thread::yield();
                        }),
               std::bad_alloc);
  std::atomic<uint32_t> n{0};
  team.run(4, 64, [&](uint32_t) { n.fetch_add(1); });
  EXPECT_EQ(n.load(), 64u);
}

// When the calling thread's own task throws, run() still waits for the
// helpers' tasks to end (they use its frame) before it raises the error.
TEST(WorkerTeam, TheCallersErrorWaitsForTheHelpers) {
  WorkerTeam& team = worker_team();
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<uint32_t> started{0}, ended{0};
  std::atomic<bool> caller_threw{false};
  EXPECT_THROW(team.run(4, 4,
                        [&](uint32_t) {
                          if (std::this_thread::get_id() == caller) {
                            while (started == 0) std::this_thread::yield();
                            caller_threw = true;
                            throw std::runtime_error("the caller's task");
                          }
                          started.fetch_add(1);
                          while (!caller_threw) std::this_thread::yield();
                          std::vector<uint32_t> work(1 << 16, 1);
                          ended.fetch_add(work.back());
                        }),
               std::runtime_error);
  EXPECT_EQ(ended.load(), started.load());
}

// Helper threads for the parallel parts of the prime-field step.
//
// The step alternates short parallel parts (a batch of rows, a stage of the
// backward pass) with serial ones on the calling thread.  Threads of a
// parallel runtime that spin while they wait for the next part take the
// processor from the serial part, and on a loaded machine from each other;
// these helpers sleep on a condition variable instead whenever they have no
// work, so waiting costs nothing.
//
// run() hands out the tasks 0 .. count-1 one at a time, to the calling
// thread and to up to threads-1 helpers, and returns once every task is
// done; whoever is free takes the next task, so fewer helpers (or none, in a
// forked child) only make it slower.
//
// A task may throw (out of memory, most often), on any thread.  The first
// exception ends the handing out of tasks, and run() raises it on the
// calling thread once every thread has left the run's tasks: a helper never
// lets it go (that would end the process), and the calling thread never
// returns while a helper still works on data of its frame.  Tasks that wait
// for each other must stop waiting when one of them fails: the team cannot
// end a task.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/f4/first_error.hpp"
#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class WorkerTeam {
 public:
  WorkerTeam() = default;
  WorkerTeam(const WorkerTeam&) = delete;
  WorkerTeam& operator=(const WorkerTeam&) = delete;

  void run(uint32_t threads, uint32_t count, const std::function<void(uint32_t)>& task);

  // fork() handlers: the team's lock is held across the fork, and the
  // child starts from an empty team (the helpers are not copied into it; a
  // helper caught leaving an earlier run would otherwise stay counted as
  // busy, and the child's next run would wait for it forever).
  void lock_for_fork();
  void unlock_after_fork();
  void reset_in_child();

 private:
  void serve(uint32_t id);
  uint32_t work(const std::function<void(uint32_t)>* task, uint32_t count);

  std::vector<std::thread> helpers_;
  std::mutex m_;
  std::condition_variable wake_;  // a new run, for the helpers
  std::condition_variable done_;  // a helper has left its work
  uint64_t generation_ = 0;
  const std::function<void(uint32_t)>* task_ = nullptr;
  uint32_t count_ = 0;
  uint32_t wanted_ = 0;    // helpers 0 .. wanted_-1 join the current run
  uint32_t started_ = 0;   // helpers ready to take tasks
  uint32_t busy_ = 0;      // helpers inside work()
  uint32_t finished_ = 0;  // tasks done in the current run
  uint32_t next_ = 0;      // next task to hand out (under m_)
  FirstError error_;       // of the current run's tasks
};

// Parallel parts of less work than this (counted in matrix terms, roughly)
// run on the calling thread alone: waking the helpers would cost more than
// they save, most of all on a loaded machine.  The results are the same
// either way; tests set it to 0 so that small inputs take the threaded paths.
constexpr uint64_t kDefaultThreadedWork = 20000;
extern uint64_t min_threaded_work;

// The threads for a part of the given work.
inline uint32_t threads_for(uint64_t work, uint32_t threads) {
  return work < min_threaded_work ? 1u : threads;
}

// This build's team.  It lives as long as the process: helpers sleep when
// idle and end with it.
WorkerTeam& worker_team();

}  // namespace zel::ZEL_BUILD

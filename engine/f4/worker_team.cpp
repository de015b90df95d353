// Helper threads that sleep when idle (see worker_team.hpp).
#include "engine/f4/worker_team.hpp"

#include <pthread.h>

#include <new>

#include "engine/api/cxx_runtime_tls.hpp"

namespace zel::ZEL_BUILD {

uint64_t min_threaded_work = kDefaultThreadedWork;

namespace {
void team_before_fork() { worker_team().lock_for_fork(); }
void team_parent_after_fork() { worker_team().unlock_after_fork(); }
void team_child_after_fork() { worker_team().reset_in_child(); }
}  // namespace

WorkerTeam& worker_team() {
  // Never destroyed: a helper may still be waiting at exit.
  static WorkerTeam* team = [] {
    auto* t = new WorkerTeam;
    pthread_atfork(team_before_fork, team_parent_after_fork, team_child_after_fork);
    return t;
  }();
  return *team;
}

void WorkerTeam::lock_for_fork() { m_.lock(); }
void WorkerTeam::unlock_after_fork() { m_.unlock(); }

void WorkerTeam::reset_in_child() {
  // The parent's helpers do not exist here: their thread records are set
  // aside unjoined (destroying a joinable record would end the process),
  // and the lock and the condition variables, which may still count them
  // as waiters, start afresh.
  new std::vector<std::thread>(std::move(helpers_));
  helpers_.clear();
  new (&m_) std::mutex;
  new (&wake_) std::condition_variable;
  new (&done_) std::condition_variable;
  new (&error_) FirstError;
  started_ = 0;
  busy_ = 0;
  wanted_ = 0;
  next_ = count_;
}

uint32_t WorkerTeam::work(const std::function<void(uint32_t)>* task, uint32_t count) {
  uint32_t done = 0;
  for (;;) {
    uint32_t k;
    {
      std::lock_guard<std::mutex> g(m_);
      k = next_;
      if (k >= count || error_.failed()) break;
      next_ = k + 1;
    }
    error_.guard([&] { (*task)(k); });
    if (error_.failed()) break;
    ++done;
  }
  return done;
}

void WorkerTeam::serve(uint32_t id) {
  // Before any task: a task's first failed allocation throws, and the throw
  // must not be what allocates the thread's exception data.
  touch_cxx_runtime_tls();
  std::unique_lock<std::mutex> l(m_);
  // The run that made this helper counts its generation only once every
  // new helper has started.
  uint64_t seen = generation_;
  ++started_;
  done_.notify_all();
  for (;;) {
    wake_.wait(l, [&] { return generation_ != seen; });
    seen = generation_;
    if (id >= wanted_) continue;
    const auto* task = task_;
    const uint32_t count = count_;
    ++busy_;
    l.unlock();
    const uint32_t done = work(task, count);
    l.lock();
    finished_ += done;
    --busy_;
    done_.notify_all();
  }
}

void WorkerTeam::run(uint32_t threads, uint32_t count, const std::function<void(uint32_t)>& task) {
  if (threads <= 1 || count <= 1) {
    for (uint32_t k = 0; k < count; ++k) task(k);
    return;
  }
  const uint32_t helpers = threads - 1;
  std::unique_lock<std::mutex> l(m_);
  while (helpers_.size() < helpers) {
    const uint32_t id = uint32_t(helpers_.size());
    helpers_.emplace_back([this, id] { serve(id); });
  }
  // The new helpers' first allocations come before any of this run's: memory
  // that runs out during the run finds them ready to throw.  And a helper
  // still leaving an earlier run must not see this one's counters under
  // that run's task: one wait for both, since a helper that wakes late for
  // an earlier run may become busy while this thread waits.
  done_.wait(l, [&] { return busy_ == 0 && started_ == helpers_.size(); });
  task_ = &task;
  count_ = count;
  next_ = 0;
  finished_ = 0;
  wanted_ = helpers;
  ++generation_;
  l.unlock();
  wake_.notify_all();
  const uint32_t done = work(&task, count);
  l.lock();
  finished_ += done;
  // After a failure, the tasks not handed out stay undone.
  done_.wait(l, [&] { return (finished_ == count_ || error_.failed()) && busy_ == 0; });
  // A helper that wakes only now must find none left, and no task.
  next_ = count_;
  l.unlock();
  error_.rethrow();
}

}  // namespace zel::ZEL_BUILD

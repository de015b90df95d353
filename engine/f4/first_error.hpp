// The first exception raised by the threads of a parallel part, carried to
// the calling thread.
//
// An exception that leaves a thread's function, or an OpenMP region, ends
// the process with a signal, and the caller never learns what failed (most
// often, out of memory).  Each thread runs its share through guard(); once
// every thread is done, the calling thread calls rethrow(), and the entry's
// guard reports the error as it reports one of the calling thread's own.
#pragma once

#include <atomic>
#include <exception>
#include <mutex>
#include <utility>

#include "engine/variant.hpp"

namespace zel::ZEL_BUILD {

class FirstError {
 public:
  // Runs work(), keeping what it throws if nothing was kept yet.  Once some
  // share failed, the shares that follow are skipped: their results would
  // be thrown away.
  template <class Work>
  void guard(Work&& work) noexcept {
    if (failed()) return;
    try {
      work();
    } catch (...) {
      std::lock_guard<std::mutex> g(m_);
      if (!error_) error_ = std::current_exception();
      failed_.store(true, std::memory_order_relaxed);
    }
  }

  bool failed() const { return failed_.load(std::memory_order_relaxed); }

  // On the calling thread, once no thread runs a share: raises the kept
  // exception, if any, and starts afresh.
  void rethrow() {
    if (!failed()) return;
    std::exception_ptr e;
    {
      std::lock_guard<std::mutex> g(m_);
      e = std::exchange(error_, nullptr);
      failed_.store(false, std::memory_order_relaxed);
    }
    std::rethrow_exception(e);
  }

 private:
  std::mutex m_;
  std::exception_ptr error_;
  std::atomic<bool> failed_{false};
};

}  // namespace zel::ZEL_BUILD

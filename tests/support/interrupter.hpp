// Stops a request from another thread at a chosen point of its progress.
//
// The request's thread hands every text it prints to saw(); the first text
// that holds the armed marker wakes the interrupter's thread, which runs the
// stop (sets the stop flag, raises SIGINT, ...), and the request's thread
// waits until it has.  The stop thus comes from another thread while the
// request runs, at a point known in advance, with no sleep to guess it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace zel_test {

class Interrupter {
 public:
  explicit Interrupter(std::function<void()> stop)
      : stop_(std::move(stop)), thread_([this] { serve(); }) {}
  ~Interrupter() {
    {
      std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  Interrupter(const Interrupter&) = delete;
  Interrupter& operator=(const Interrupter&) = delete;

  // The next text holding marker stops the request (once).
  void arm(const std::string& marker) {
    std::lock_guard<std::mutex> lock(m_);
    marker_ = marker;
    fired_ = false;
  }
  // Whether the armed marker was seen and the stop made.
  bool fired() {
    std::lock_guard<std::mutex> lock(m_);
    return fired_;
  }

  // On the request's thread: every printed text.
  void saw(const std::string& text) {
    std::unique_lock<std::mutex> lock(m_);
    if (marker_.empty() || text.find(marker_) == std::string::npos) return;
    marker_.clear();
    wanted_ = true;
    cv_.notify_all();
    cv_.wait(lock, [this] { return !wanted_; });
    fired_ = true;
  }

 private:
  void serve() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      cv_.wait(lock, [this] { return wanted_ || quit_; });
      if (quit_) return;
      stop_();
      wanted_ = false;
      cv_.notify_all();
    }
  }

  std::function<void()> stop_;
  std::mutex m_;
  std::condition_variable cv_;
  std::string marker_;
  bool wanted_ = false;
  bool fired_ = false;
  bool quit_ = false;
  std::thread thread_;  // last: it starts once the rest is built
};

}  // namespace zel_test

#pragma once
// A few helper threads that share out the items of a loop with the calling thread.
// The pool lives as long as a piece of work that runs many such loops, so that the
// threads are started once.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkPool {
 public:
  // One helper per processor but the caller's, at most `maxHelpers`.
  static unsigned DefaultHelpers(unsigned maxHelpers = 7);

  explicit WorkPool(unsigned helpers = DefaultHelpers());
  ~WorkPool();
  WorkPool(const WorkPool&) = delete;
  WorkPool& operator=(const WorkPool&) = delete;

  unsigned Helpers() const { return static_cast<unsigned>(threads_.size()); }

  // Calls `work(i)` once for every i below `count`, on the helpers and the calling
  // thread, and returns when every call has returned. `work` must not throw. Loops of
  // fewer than `minParallel` items run on the calling thread alone.
  void ForEach(size_t count, const std::function<void(size_t)>& work, size_t minParallel = 2);

 private:
  void HelperLoop();
  // Takes items of the current loop until none is left.
  void TakeItems();

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;  // a loop started, or the pool closes
  std::condition_variable done_;  // a helper left the current loop
  const std::function<void(size_t)>* work_ = nullptr;
  size_t count_ = 0;
  std::atomic<size_t> next_{0};  // the next item to hand out (taken without the lock)
  unsigned generation_ = 0;  // counts the loops, so that a helper joins each once
  unsigned busy_ = 0;        // helpers still in the current loop
  bool closing_ = false;
};

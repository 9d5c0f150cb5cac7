#include "platform/work_pool.h"

#include <algorithm>

unsigned WorkPool::DefaultHelpers(unsigned maxHelpers) {
  const unsigned processors = std::thread::hardware_concurrency();
  return std::min(processors > 1 ? processors - 1 : 0u, maxHelpers);
}

WorkPool::WorkPool(unsigned helpers) {
  threads_.reserve(helpers);
  for (unsigned i = 0; i < helpers; ++i) threads_.emplace_back([this] { HelperLoop(); });
}

WorkPool::~WorkPool() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void WorkPool::TakeItems() {
  // The loop's work and count do not change until every helper has left it.
  const std::function<void(size_t)>& work = *work_;
  const size_t count = count_;
  for (size_t item; (item = next_.fetch_add(1, std::memory_order_relaxed)) < count;) work(item);
}

void WorkPool::HelperLoop() {
  unsigned seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return closing_ || generation_ != seen; });
      if (closing_) return;
      seen = generation_;
    }
    TakeItems();
    {
      std::lock_guard lock(mutex_);
      --busy_;
    }
    done_.notify_one();
  }
}

void WorkPool::ForEach(size_t count, const std::function<void(size_t)>& work, size_t minParallel) {
  if (threads_.empty() || count < std::max<size_t>(minParallel, 2)) {
    for (size_t i = 0; i < count; ++i) work(i);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    work_ = &work;
    count_ = count;
    next_.store(0, std::memory_order_relaxed);
    busy_ = Helpers();
    ++generation_;
  }
  wake_.notify_all();
  TakeItems();
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return busy_ == 0; });
  work_ = nullptr;
  count_ = 0;
}

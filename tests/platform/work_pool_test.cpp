// The work pool: every item once, loops in a row, and small loops on the caller alone.
#include "platform/work_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace {

TEST(WorkPool, EveryItemRunsOnceInEveryLoop) {
  WorkPool pool(3);
  EXPECT_EQ(pool.Helpers(), 3u);
  for (size_t count : {0u, 1u, 2u, 7u, 1000u}) {
    std::vector<std::atomic<int>> runs(count);
    pool.ForEach(count, [&](size_t i) { runs[i].fetch_add(1); });
    for (size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << "item " << i << " of " << count;
  }
}

TEST(WorkPool, HelpersShareTheWork) {
  WorkPool pool(2);
  std::mutex mutex;
  std::set<std::thread::id> threads;
  std::atomic<int> waiting{0};
  // Each of the first three items waits until all three have started: that needs three
  // threads at once.
  pool.ForEach(3, [&](size_t) {
    {
      std::lock_guard lock(mutex);
      threads.insert(std::this_thread::get_id());
    }
    waiting.fetch_add(1);
    while (waiting.load() < 3) std::this_thread::yield();
  });
  EXPECT_EQ(threads.size(), 3u);
}

TEST(WorkPool, SmallLoopsAndPoolsWithoutHelpersRunOnTheCaller) {
  const std::thread::id caller = std::this_thread::get_id();
  for (unsigned helpers : {0u, 2u}) {
    WorkPool pool(helpers);
    std::atomic<int> elsewhere{0};
    pool.ForEach(helpers ? 5 : 50, [&](size_t) { elsewhere += std::this_thread::get_id() != caller; },
                 helpers ? 8 : 2);
    EXPECT_EQ(elsewhere.load(), 0) << helpers << " helpers";
  }
}

}  // namespace

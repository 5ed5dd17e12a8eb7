#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/threads/CountedMutex.h"

TEST(CountedMutexTest, CountsReentrantHoldsAndKeepsOtherThreadsOut) {
    CountedMutex mutex;
    EXPECT_EQ(mutex.Count(), 0);
    mutex.Lock();
    mutex.Lock();
    EXPECT_EQ(mutex.Count(), 2);

    std::atomic<bool> entered{false};
    std::thread other([&] {
        CountedMutexLock hold(mutex);
        entered.store(true);
    });
    mutex.Unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(entered.load()) << "one hold is still taken";
    EXPECT_EQ(mutex.Count(), 1);
    mutex.Unlock();
    other.join();
    EXPECT_TRUE(entered.load());
    EXPECT_EQ(mutex.Count(), 0);
}

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/Log.h"
#include "foundation/platform/MutexLock.h"
#include "foundation/platform/OSException.h"
#include "support/TempDir.h"

TEST(MutexLockTest, HoldsTheMutexForItsScopeAndReentersForItsThread) {
    OS::Mutex mutex;
    std::atomic<bool> entered{false};
    std::thread other;
    {
        OS::MutexLock outer(mutex);
        OS::MutexLock inner(mutex);
        other = std::thread([&] {
            OS::MutexLock guard(mutex);
            entered.store(true);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(entered.load());
    }
    other.join();
    EXPECT_TRUE(entered.load());
}

TEST(MutexLockTest, AFailedReleaseIsLoggedInsteadOfThrown) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the thread sanitizer reports the deliberate release of a mutex nobody holds";
#endif
    VorlexTest::TempDir temp;
    const std::string logPath = temp / "engine.log";
    Vek::Log::Init(("-LogFile=" + logPath).c_str());

    OS::Mutex mutex;
    {
        OS::MutexLock guard(mutex);
        // Released behind the guard's back: the guard's own release fails.
        EXPECT_EQ(mutex.Release(), 0);
    }
    EXPECT_EQ(mutex.Release(), EPERM) << "a thread that holds nothing cannot release";
    Vek::Log::Shutdown();

    std::ifstream log(logPath);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("MutexLock> Failed to release the mutex"), std::string::npos) << text.str();
}

TEST(MutexLockTest, OSExceptionCarriesItsMessage) {
    OSException empty;
    EXPECT_STREQ(empty.what(), "");
    OSException failed("Failed to release the mutex");
    OSException copy = failed;
    EXPECT_STREQ(copy.what(), "Failed to release the mutex");
}

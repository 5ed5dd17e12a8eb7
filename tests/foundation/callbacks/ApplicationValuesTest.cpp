#include <gtest/gtest.h>

#include <thread>

#include "engine/Thread.h"
#include "foundation/callbacks/ApplicationValues.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/random/SharedRandom.h"

TEST(ApplicationValuesTest, SettingTheNameSeedsTheGeneratorsAndRecordsTheMainThread) {
    ThreadId namingThread = 0;
    std::thread([&] {
        SetApplicationName("VorlexUtil");
        namingThread = Vek::Thread::GetCurrentId();
        EXPECT_TRUE(IsMainThread());
        EXPECT_EQ(CurrentThreadMask(), 16u);
    }).join();
    EXPECT_EQ(GetMainThreadId(), namingThread);
    EXPECT_FALSE(IsMainThread());
    EXPECT_EQ(CurrentThreadMask(), 1u);
    EXPECT_EQ(GetApplicationName(), "VorlexUtil");
    EXPECT_TRUE(RandomGeneratorsSeeded());

    EXPECT_EQ(GetApplicationVersion(), 0.0f);
    EXPECT_EQ(GetApplicationBuild(), 0);
    EXPECT_EQ(GetApplicationFlag(), 0);
    EXPECT_EQ(CallApplicationHook(1, 2), 0) << "no hook installed";
    SetApplicationHook([](int32_t a, int32_t b) { return a * 10 + b; });
    EXPECT_EQ(CallApplicationHook(1, 2), 12);
    SetApplicationHook(nullptr);

    EXPECT_FALSE(DatabaseOpenedEvent().IsSet());
    SetDatabaseOpenedEvent();
    EXPECT_TRUE(DatabaseOpenedEvent().IsSet());
}

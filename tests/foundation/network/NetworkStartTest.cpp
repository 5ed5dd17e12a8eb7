#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include <atomic>
#include <thread>

#include "engine/Thread.h"
#include "foundation/network/HostResolver.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/network/SSLLockTable.h"

namespace {

bool TlsLibraryLoaded() {
    const std::string name = "libssl.so." + std::to_string(OPENSSL_VERSION_MAJOR);
    void* module = ::dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module) ::dlclose(module);
    return module != nullptr;
}

TEST(NetworkStartTest, StartsOnceAndNeverAgainAfterStop) {
    EXPECT_FALSE(NetworkStarted());
    InitializeNetwork();
    EXPECT_TRUE(NetworkStarted());
    EXPECT_EQ(SSLLockTable::Count(), 0) << "TLS starts with the first context asked for";
    EXPECT_FALSE(TlsLibraryLoaded()) << "nor is the TLS library loaded before";
    SSL_CTX* context = GetClientContext();
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(TlsLibraryLoaded());
    const int32_t locks = SSLLockTable::Count();
    EXPECT_GE(locks, 1);
    EXPECT_EQ(ResolverUseCount(), 1);

    InitializeNetwork();
    EXPECT_EQ(GetClientContext(), context);
    EXPECT_EQ(SSLLockTable::Count(), locks);
    EXPECT_EQ(ResolverUseCount(), 1);

    ShutdownNetwork();
    EXPECT_EQ(GetClientContext(), nullptr);
    EXPECT_EQ(SSLLockTable::Count(), 0);
    EXPECT_EQ(ResolverUseCount(), 0);

    InitializeNetwork();
    EXPECT_EQ(GetClientContext(), nullptr) << "networking cannot be restarted";
    EXPECT_EQ(ResolverUseCount(), 0);
}

TEST(NetworkStartTest, LockTableCallbacks) {
    SSLLockTable::Create(3);
    using SSLLockTable::LockingCallback;
    // Out of range: nothing happens.
    LockingCallback(SSLLockTable::kLock, 3, __FILE__, __LINE__);
    LockingCallback(SSLLockTable::kLock, -1, __FILE__, __LINE__);
    EXPECT_FALSE(SSLLockTable::IsHeld(3));
    // An unlock of a lock never taken does nothing (and must not crash).
    LockingCallback(SSLLockTable::kUnlock, 1, __FILE__, __LINE__);
    EXPECT_FALSE(SSLLockTable::IsHeld(1));

    LockingCallback(SSLLockTable::kLock | 4, 1, __FILE__, __LINE__);
    EXPECT_TRUE(SSLLockTable::IsHeld(1));
    // Another thread waits until the lock is released.
    std::atomic<bool> got{false};
    std::thread other([&] {
        LockingCallback(SSLLockTable::kLock, 1, __FILE__, __LINE__);
        got = true;
        LockingCallback(SSLLockTable::kUnlock, 1, __FILE__, __LINE__);
    });
    ::usleep(50000);
    EXPECT_FALSE(got);
    LockingCallback(SSLLockTable::kUnlock | 8, 1, __FILE__, __LINE__);
    other.join();
    EXPECT_TRUE(got);
    EXPECT_FALSE(SSLLockTable::IsHeld(1));

    EXPECT_EQ(SSLLockTable::ThreadIdCallback(), static_cast<unsigned long>(Vek::Thread::GetCurrentId()));
    SSLLockTable::Destroy();
    EXPECT_EQ(SSLLockTable::Count(), 0);
    LockingCallback(SSLLockTable::kLock, 0, __FILE__, __LINE__);
}

}  // namespace

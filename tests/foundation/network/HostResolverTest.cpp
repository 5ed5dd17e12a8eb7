#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/network/HostResolver.h"

namespace {

std::string AddressText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {0};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

TEST(HostResolverTest, LocalhostAndNumericHostsResolve) {
    struct Case {
        const char* host;
        bool ok;
        const char* address;
    };
    for (const Case& c : {Case{"LOCALHOST", true, "127.0.0.1"}, Case{"localhost", true, "127.0.0.1"},
                          Case{"127.0.0.2", true, "127.0.0.2"}, Case{"no.such.host.invalid", false, ""}}) {
        sockaddr_in address{};
        EXPECT_EQ(ResolveHostName(c.host, 4242, address), c.ok) << c.host;
        EXPECT_EQ(address.sin_family, AF_INET);
        EXPECT_EQ(ntohs(address.sin_port), 4242);
        if (c.ok) {
            EXPECT_EQ(AddressText(address), c.address) << c.host;
        }
    }
}

TEST(HostResolverTest, LookupWithoutNetworkStartTimesOut) {
    ASSERT_EQ(ResolverUseCount(), 0);
    auto start = std::chrono::steady_clock::now();
    sockaddr_in address{};
    EXPECT_FALSE(ResolveHostAddress("localhost", 1, address));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(kHostLookupTimeoutMs - 100));
    EXPECT_FALSE(ResolverThreadExists());
}

// "127.1" is an address only the lookup reads (a dotted address has four
// parts), so it goes to the resolver thread without needing a name service.
TEST(HostResolverTest, ThreadsResolveAtOnceAndThreadsComeBack) {
    AddResolverUse();
    sockaddr_in a{}, b{};
    bool okA = false, okB = false;
    std::thread first([&] { okA = ResolveHostAddress("127.1", 10, a); });
    std::thread second([&] { okB = ResolveHostAddress("127.1", 20, b); });
    first.join();
    second.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    EXPECT_EQ(AddressText(a), "127.0.0.1");
    EXPECT_EQ(ntohs(a.sin_port), 10);
    EXPECT_EQ(AddressText(b), "127.0.0.1");
    EXPECT_EQ(ntohs(b.sin_port), 20);

    // The thread ends once its queue is empty; the next lookup starts another.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sockaddr_in c{};
    EXPECT_TRUE(ResolveHostAddress("127.1", 30, c));
    EXPECT_EQ(AddressText(c), "127.0.0.1");

    ReleaseResolverUse();
    EXPECT_EQ(ResolverUseCount(), 0);
    EXPECT_FALSE(ResolverThreadExists());
}

// The daemon link's "127.0.0.1" and "localhost" are answered on the
// caller's thread: no resolver thread starts for them.
TEST(HostResolverTest, LiteralHostsResolveWithoutTheThread) {
    AddResolverUse();
    struct Case {
        const char* host;
        const char* address;
    };
    for (const Case& c : {Case{"127.0.0.3", "127.0.0.3"}, Case{"localhost", "127.0.0.1"}, Case{"LocalHost", "127.0.0.1"}}) {
        sockaddr_in address{};
        EXPECT_TRUE(ResolveHostAddress(c.host, 40, address)) << c.host;
        EXPECT_EQ(AddressText(address), c.address) << c.host;
        EXPECT_EQ(ntohs(address.sin_port), 40) << c.host;
        EXPECT_FALSE(ResolverThreadExists()) << c.host;
    }
    ReleaseResolverUse();
}

TEST(HostResolverTest, LastReleaseDuringALookupDoesNotDeadlock) {
    AddResolverUse();
    // Lookups keep the thread busy while the last use goes away.
    std::atomic<bool> released{false};
    std::atomic<int> done{0};
    std::thread lookups([&] {
        for (uint16_t i = 0; !released; ++i) {
            sockaddr_in address{};
            ResolveHostAddress("127.0.0.1", i, address);
            ++done;
        }
    });
    while (done < 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    auto start = std::chrono::steady_clock::now();
    ReleaseResolverUse();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(ResolverThreadExists());
    released = true;
    lookups.join();
}

}  // namespace

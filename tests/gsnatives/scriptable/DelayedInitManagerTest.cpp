// The delayed-initialisation manager: who waits, in which order, and what a
// walk over the list sees when clients leave it meanwhile.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gsnatives/DelayedInitClient.h"
#include "gsnatives/DelayedInitManager.h"

namespace {

using GSNatives::DelayedInitClient;
using GSNatives::DelayedInitManager;

// Records the steps it runs; a step may act on the manager.
class Client : public DelayedInitClient {
public:
    Client(std::string name, std::vector<std::string>& trace) : m_name(std::move(name)), m_trace(trace) {}
    void InitStep1() override { Step(1), DelayedInitClient::InitStep1(); }
    void InitStep2() override { Step(2), DelayedInitClient::InitStep2(); }
    void InitStep3() override { Step(3), DelayedInitClient::InitStep3(); }
    std::function<void()> onStep2;

private:
    void Step(int n) {
        m_trace.push_back(m_name + std::to_string(n));
        if (n == 2 && onStep2) onStep2();
    }
    std::string m_name;
    std::vector<std::string>& m_trace;
};

std::vector<DelayedInitClient*> Waiting(const DelayedInitManager& manager) {
    std::vector<DelayedInitClient*> list;
    for (std::size_t i = 0; i < manager.WaitingCount(); ++i) list.push_back(manager.WaitingAt(i));
    return list;
}

TEST(DelayedInitManager, RegisterTakesEachWaitingClientOnceAndNoneThatIsComplete) {
    std::vector<std::string> trace;
    DelayedInitManager manager;
    Client a("a", trace), b("b", trace), done("d", trace);
    done.SetInitFlags(DelayedInitClient::kAllSteps);

    manager.Register(&a);
    manager.Register(&b);
    manager.Register(&a);
    manager.Register(&done);
    EXPECT_EQ(Waiting(manager), (std::vector<DelayedInitClient*>{&a, &b}));
    EXPECT_TRUE(a.HasInitFlags(DelayedInitClient::kRegistered));
    EXPECT_FALSE(done.HasInitFlags(DelayedInitClient::kRegistered));

    // A client with some steps done still waits for the others.
    Client partly("p", trace);
    partly.SetInitFlags(DelayedInitClient::kStep1Done | DelayedInitClient::kStep2Done);
    manager.Register(&partly);
    EXPECT_EQ(manager.WaitingCount(), 3u);
}

TEST(DelayedInitManager, UnregisterKeepsTheOrderOfTheOthersAndIgnoresStrangers) {
    std::vector<std::string> trace;
    DelayedInitManager manager;
    Client a("a", trace), b("b", trace), c("c", trace), stranger("s", trace);
    for (Client* client : {&a, &b, &c}) manager.Register(client);

    manager.Unregister(&stranger);
    manager.Unregister(&b);
    EXPECT_EQ(Waiting(manager), (std::vector<DelayedInitClient*>{&a, &c}));
    EXPECT_FALSE(b.HasInitFlags(DelayedInitClient::kRegistered));
    manager.Unregister(&c);  // the last entry
    manager.Unregister(&c);
    EXPECT_EQ(Waiting(manager), (std::vector<DelayedInitClient*>{&a}));
}

TEST(DelayedInitManager, UnregisterWhileWalkingLeavesANullEntryInPlace) {
    std::vector<std::string> trace;
    DelayedInitManager manager;
    Client a("a", trace), b("b", trace), c("c", trace);
    for (Client* client : {&a, &b, &c}) manager.Register(client);

    manager.SetWalking(true);
    manager.Unregister(&b);
    EXPECT_EQ(Waiting(manager), (std::vector<DelayedInitClient*>{&a, nullptr, &c}));
    manager.SetWalking(false);
    EXPECT_EQ(Waiting(manager), (std::vector<DelayedInitClient*>{&a, &c}));
}

TEST(DelayedInitManager, CompleteRunsOnlyTheMissingStepsInOrderThenUnregisters) {
    std::vector<std::string> trace;
    DelayedInitManager manager;
    Client a("a", trace);
    manager.Register(&a);
    a.SetInitFlags(DelayedInitClient::kStep2Done);

    DelayedInitManager::RunPendingSteps(&a);
    EXPECT_EQ(trace, (std::vector<std::string>{"a1", "a3"}));
    EXPECT_EQ(manager.WaitingCount(), 1u);

    manager.Complete(&a);
    EXPECT_EQ(trace.size(), 2u);  // nothing left to run
    EXPECT_EQ(manager.WaitingCount(), 0u);
    EXPECT_FALSE(a.HasInitFlags(DelayedInitClient::kRegistered));
}

// A walk over the list whose steps make other clients leave it: each
// waiting client is completed once, the one that left is not run, and the
// list is empty afterwards.
TEST(DelayedInitManager, CompleteAllSurvivesClientsLeavingDuringTheWalk) {
    std::vector<std::string> trace;
    DelayedInitManager manager;
    Client a("a", trace), b("b", trace), c("c", trace), late("l", trace);
    for (Client* client : {&a, &b, &c}) manager.Register(client);
    a.onStep2 = [&] {
        manager.Unregister(&b);
        manager.Register(&late);
    };

    manager.CompleteAll();
    EXPECT_EQ(trace, (std::vector<std::string>{"a1", "a2", "a3", "c1", "c2", "c3", "l1", "l2", "l3"}));
    EXPECT_EQ(manager.WaitingCount(), 0u);
    EXPECT_FALSE(manager.IsWalking());
}

}  // namespace

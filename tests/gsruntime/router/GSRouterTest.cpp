// The router on its own: node ids and names, type interning, subscriptions,
// the routing rules, posting into the queue and the delay heap, clearing
// delayed messages, and delivery while handlers change the router.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSMessage.h"
#include "gsruntime/router/GSNode.h"
#include "gsruntime/router/GSRouter.h"
#include "gsruntime/support/GSTestSupport.h"

namespace {

using GSRuntime::GSMessage;
using GSRuntime::GSNode;
using GSRuntime::GSRouter;

// A node that records the majors it receives and can act on delivery.
class RecordingNode : public GSNode {
public:
    explicit RecordingNode(const char* name = nullptr) : m_name(name) {}
    Vek::PString GetName() const override { return m_name; }
    bool HandleMessage(GSMessage* const& message) override {
        received.push_back(message->major);
        if (onMessage) onMessage();
        return true;
    }
    std::vector<uint16_t> received;
    std::function<void()> onMessage;

private:
    Vek::PString m_name;
};

GSMessage* Make(uint16_t major, uint16_t minor, int32_t source, int32_t destination, uint32_t delay = 0) {
    GSMessage* message = GSMessage::Create();
    message->Init(delay, major, minor, source, destination);
    return message;
}

void Send(GSRouter& router, uint16_t major, int32_t destination) {
    GSMessage* message = Make(major, 1, 0, destination);
    router.SendMessage(message);
    message->ReleaseReference();
}

TEST(GSRouter, NodeIdsAreProcessWideAndNamesUniquePerRouter) {
    GSRouter first;
    GSRouter second;
    RecordingNode a("same");
    RecordingNode b("same");
    RecordingNode c;
    ASSERT_TRUE(first.AddNode(&a));
    ASSERT_TRUE(second.AddNode(&c));
    ASSERT_TRUE(first.AddNode(&b));
    EXPECT_EQ(c.Id(), a.Id() + 1);
    EXPECT_EQ(b.Id(), a.Id() + 2);
    EXPECT_FALSE(first.AddNode(&a));  // registered already
    EXPECT_EQ(first.FindNodeByName("same"), &a);
    EXPECT_EQ(first.FindNodeByName(nullptr), nullptr);

    // The first holder of a name leaves: the name is free, the second
    // node (registered without it) is not found under it.
    const int32_t oldId = a.Id();
    ASSERT_TRUE(first.RemoveNode(&a));
    EXPECT_EQ(a.Id(), -1);
    EXPECT_EQ(first.GetNode(oldId), nullptr);
    EXPECT_EQ(first.FindNodeByName("same"), nullptr);
    EXPECT_FALSE(first.RemoveNode(&a));
    ASSERT_TRUE(first.AddNode(&a));
    EXPECT_GT(a.Id(), b.Id());  // ids are never reused
    EXPECT_EQ(first.FindNodeByName("same"), &a);
}

// Look-ups by id go through a small cache of recent nodes: a removed node,
// and every node after Done, is no longer found, while ids that share a
// place in the cache (16 apart) each find their own node.
TEST(GSRouter, NodesFoundByIdFollowRemovalAndDone) {
    GSTest::LogCapture log;
    GSRouter router;
    std::vector<std::unique_ptr<RecordingNode>> nodes;
    for (int i = 0; i < 17; ++i) {
        nodes.push_back(std::make_unique<RecordingNode>());
        ASSERT_TRUE(router.AddNode(nodes.back().get()));
    }
    ASSERT_EQ(nodes[16]->Id(), nodes[0]->Id() + 16);
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& node : nodes) EXPECT_EQ(router.GetNode(node->Id()), node.get());

    const int32_t removed = nodes[0]->Id();
    ASSERT_TRUE(router.RemoveNode(nodes[0].get()));
    EXPECT_EQ(router.GetNode(removed), nullptr);
    EXPECT_EQ(router.GetNode(nodes[16]->Id()), nodes[16].get());

    std::vector<int32_t> ids;
    for (std::size_t i = 1; i < nodes.size(); ++i) ids.push_back(nodes[i]->Id());
    router.Done();
    for (int32_t id : ids) EXPECT_EQ(router.GetNode(id), nullptr) << id;
}

TEST(GSRouter, TypeNamesAreInternedFromAbove100AndRefusedAtTheLimit) {
    GSRouter router;
    EXPECT_EQ(router.GetMessageTypeId(nullptr), 1);
    EXPECT_EQ(router.GetMessageTypeId(""), 1);
    EXPECT_EQ(router.GetMessageTypeId("Destroy"), GSNode::kDestroyType);
    EXPECT_EQ(router.GetMessageTypeId("A"), 101);
    EXPECT_EQ(router.GetMessageTypeId("B"), 102);
    EXPECT_EQ(router.GetMessageTypeId("A"), 101);
    EXPECT_EQ(std::string(router.GetMessageTypeName(102).c_str()), "B");
    EXPECT_EQ(std::string(router.GetMessageTypeName(9999).c_str()), "");

    for (int i = 103; i <= 65535; ++i) ASSERT_EQ(router.GetMessageTypeId(("t" + std::to_string(i)).c_str()), i);
    // No id is left: a new name must not wrap onto 0, 1 or the system types.
    EXPECT_EQ(router.GetMessageTypeId("one too many"), GSRouter::kTypeRefused);
    EXPECT_EQ(router.GetMessageTypeId("another"), GSRouter::kTypeRefused);
    EXPECT_EQ(router.GetMessageTypeId("A"), 101);

    router.Done();
    EXPECT_EQ(router.GetMessageTypeId("Z"), 101);
}

// Ids found before are remembered: the same buffer holding another text, or
// another buffer holding the same text, must still find the id of the text
// it holds, also across a shutdown.
TEST(GSRouter, ATypeNameIsFoundByItsTextWhateverItsAddress) {
    GSRouter router;
    char buffer[16] = "Ping";
    EXPECT_EQ(router.GetMessageTypeId(buffer), 101);
    std::snprintf(buffer, sizeof buffer, "Pong");
    EXPECT_EQ(router.GetMessageTypeId(buffer), 102);
    std::snprintf(buffer, sizeof buffer, "Ping");
    EXPECT_EQ(router.GetMessageTypeId(buffer), 101);
    const std::string copy = "Pong";
    EXPECT_EQ(router.GetMessageTypeId(copy.c_str()), 102);
    router.Done();
    std::snprintf(buffer, sizeof buffer, "Pong");
    EXPECT_EQ(router.GetMessageTypeId(buffer), 101);
    EXPECT_EQ(std::string(router.GetMessageTypeName(101).c_str()), "Pong");
}

// A memo (one per name) answers for the table that filled it only: another
// router, or the same one after a shutdown, gives the name another id, and
// the memo must then take the id of the table it is asked with.
TEST(GSRouter, ATypeIdMemoHoldsTheIdOfItsOwnTable) {
    GSRouter first;
    GSRouter second;
    GSRuntime::GSTypeIdMemo y;
    EXPECT_EQ(first.GetMessageTypeId("X"), 101);
    EXPECT_EQ(first.GetMessageTypeId("Y", y), 102);
    EXPECT_EQ(first.GetMessageTypeId("Y", y), 102);
    EXPECT_EQ(second.GetMessageTypeId("Y", y), 101);
    EXPECT_EQ(first.GetMessageTypeId("Y", y), 102);
    first.Done();
    EXPECT_EQ(first.GetMessageTypeId("Y", y), 101);
    EXPECT_EQ(first.GetMessageTypeId("X"), 102);
    GSRuntime::GSTypeIdMemo empty;
    EXPECT_EQ(first.GetMessageTypeId("", empty), 1);
    EXPECT_EQ(first.GetMessageTypeId("", empty), 1);
    // A refused name leaves its memo empty.
    for (int i = 103; i <= 65535; ++i) ASSERT_EQ(first.GetMessageTypeId(("t" + std::to_string(i)).c_str()), i);
    GSRuntime::GSTypeIdMemo refused;
    EXPECT_EQ(first.GetMessageTypeId("one too many", refused), GSRouter::kTypeRefused);
    EXPECT_EQ(refused.table, 0u);
    EXPECT_EQ(first.GetMessageTypeId("Y", y), 101);
}

// n subscriptions (withdrawals) at once do what n single calls do; a count
// runs out before the withdrawals do.
TEST(GSRouter, RepeatedSubscriptionsCountLikeSingleOnes) {
    GSRouter router;
    RecordingNode node;
    RecordingNode outsider;
    EXPECT_FALSE(router.Subscribe(&outsider, 150, 2));
    ASSERT_TRUE(router.AddNode(&node));
    EXPECT_FALSE(router.Unsubscribe(&node, 150, 2));
    EXPECT_TRUE(router.Subscribe(&node, 150, 3));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 3);
    EXPECT_TRUE(router.Subscribe(&node, 150, 2));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 5);
    EXPECT_TRUE(router.Unsubscribe(&node, 150, 2));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 3);
    EXPECT_TRUE(router.Unsubscribe(&node, 150, 7));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 0);
    EXPECT_FALSE(router.Unsubscribe(&node, 150, 1));
    EXPECT_TRUE(router.Subscribers(150).empty());
}

TEST(GSRouter, SubscriptionsAreCounted) {
    GSRouter router;
    RecordingNode node;
    RecordingNode outsider;
    EXPECT_FALSE(router.Subscribe(&outsider, 150));
    ASSERT_TRUE(router.AddNode(&node));
    EXPECT_FALSE(router.Unsubscribe(&node, 150));  // no tree yet
    EXPECT_TRUE(router.Subscribe(&node, 150));
    EXPECT_TRUE(router.Subscribe(&node, 150));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 2);
    EXPECT_TRUE(router.Unsubscribe(&node, 150));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 1);
    EXPECT_TRUE(router.Unsubscribe(&node, 150));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 0);
    EXPECT_FALSE(router.Unsubscribe(&node, 150));
    EXPECT_EQ(router.SubscriptionTreeCount(), 1);  // empty trees stay
    // A subscription that fell to 0 is none: no subscriber, not routed.
    EXPECT_TRUE(router.Subscribers(150).empty());
    GSMessage* message = GSMessage::Create();
    message->Init(0, 150, 1, 0, node.Id());
    router.SendMessage(message);
    message->Init(0, 150, 1, 0, 0);
    router.SendMessage(message);
    EXPECT_TRUE(node.received.empty());
    EXPECT_TRUE(router.Subscribe(&node, 150));
    EXPECT_EQ(router.SubscriptionCount(&node, 150), 1);
    EXPECT_EQ(router.Subscribers(150), std::vector<GSNode*>{&node});
    router.SendMessage(message);
    message->ReleaseReference();
    EXPECT_EQ(node.received, std::vector<uint16_t>{150});
    // Leaving the router drops the subscriptions.
    router.Subscribe(&node, 151);
    router.RemoveNode(&node);
    EXPECT_TRUE(router.Subscribers(151).empty());
}

// Every combination of system or script type, broadcast or addressed,
// muted or not, subscribed or not.
TEST(GSRouter, RoutingTable) {
    struct Case {
        uint16_t major;
        bool broadcast;
        bool muted;
        bool subscribed;
        bool delivered;
    };
    const Case cases[] = {
        {5, true, false, false, true},     {5, true, true, false, true},     {5, false, false, false, true},
        {5, false, true, false, true},     {99, false, true, true, true},    {100, true, false, true, true},
        {100, true, false, false, false},  {150, true, false, true, true},   {150, true, true, true, false},
        {150, false, false, true, true},   {150, false, true, true, false},  {150, false, false, false, false},
        {150, true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "major " << c.major << " broadcast " << c.broadcast << " muted "
                                          << c.muted << " subscribed " << c.subscribed);
        GSRouter router;
        RecordingNode node;
        RecordingNode other;
        ASSERT_TRUE(router.AddNode(&node));
        ASSERT_TRUE(router.AddNode(&other));
        router.Subscribe(&other, c.major);  // the major's tree exists
        if (c.subscribed) router.Subscribe(&node, c.major);
        if (c.muted) node.SetFlags(node.Flags() | GSNode::kMuted);
        Send(router, c.major, c.broadcast ? 0 : node.Id());
        EXPECT_EQ(node.received.size(), c.delivered ? 1u : 0u);
    }
}

TEST(GSRouter, ScriptTypesWithoutAnySubscriberAreDropped) {
    GSRouter router;
    RecordingNode node;
    ASSERT_TRUE(router.AddNode(&node));
    Send(router, 200, node.Id());
    Send(router, 200, 0);
    Send(router, 5, node.Id() + 1000);  // no such node
    EXPECT_TRUE(node.received.empty());
}

// Handlers that remove, add and subscribe nodes while a broadcast is
// delivered: each node is looked up again before it gets the message.
TEST(GSRouter, DeliveryWalksASnapshotOfIds) {
    GSRouter router;
    RecordingNode first;
    RecordingNode second;
    RecordingNode third;
    RecordingNode late;
    ASSERT_TRUE(router.AddNode(&first));
    ASSERT_TRUE(router.AddNode(&second));
    ASSERT_TRUE(router.AddNode(&third));
    first.onMessage = [&] {
        router.RemoveNode(&second);
        router.AddNode(&late);
    };
    Send(router, 5, 0);
    EXPECT_EQ(first.received.size(), 1u);
    EXPECT_TRUE(second.received.empty());
    EXPECT_EQ(third.received.size(), 1u);
    EXPECT_TRUE(late.received.empty());

    // A subscriber that unsubscribes another during delivery.
    RecordingNode a;
    RecordingNode b;
    ASSERT_TRUE(router.AddNode(&a));
    ASSERT_TRUE(router.AddNode(&b));
    router.Subscribe(&a, 150);
    router.Subscribe(&b, 150);
    RecordingNode& low = &a < &b ? a : b;
    RecordingNode& high = &a < &b ? b : a;
    low.onMessage = [&] { router.Unsubscribe(&high, 150); };
    Send(router, 150, 0);
    EXPECT_EQ(low.received.size(), 1u);
    EXPECT_TRUE(high.received.empty());
}

TEST(GSRouter, PostingQueuesCopiesByDelay) {
    GSRouter router;
    router.SetClock(GSRouter::kClockMask);  // the last millisecond before the wrap
    GSMessage* now = Make(150, 1, 1, 2, 0);
    GSMessage* later = Make(150, 1, 1, 2, 1);
    router.PostMessage(now);
    router.PostMessage(later);
    EXPECT_EQ(now->GetReferenceCount(), 1);  // the router keeps copies
    EXPECT_EQ(router.PostedCount(), 1);
    ASSERT_EQ(router.DelayedCount(), 1);
    EXPECT_EQ(router.DelayedAt(1)->DueTime(), 0u);  // clock + 1 modulo 2^30
    EXPECT_EQ(router.DelayedAt(1)->timeWord & GSMessage::kInitBit, GSMessage::kInitBit);

    router.SetRunning(false);
    router.PostMessage(now);
    EXPECT_EQ(router.PostedCount(), 1);
    now->ReleaseReference();
    later->ReleaseReference();
}

TEST(GSRouter, AnEqualDueTimeNeverPassesAnEarlierPost) {
    GSRouter router;
    // 1 and 2 are due at 20, then 3 and 4 at 10 must climb past them but
    // 4 must stop below 3.
    for (const auto& [source, delay] : std::vector<std::pair<int32_t, uint32_t>>{{1, 20}, {2, 20}, {3, 10}, {4, 10}}) {
        GSMessage* message = Make(150, 1, source, 9, delay);
        router.PostMessage(message);
        message->ReleaseReference();
    }
    EXPECT_EQ(router.DelayedAt(1)->source, 3);
    router.SetClock(100);
    std::vector<int32_t> order;
    while (GSMessage* message = router.TakeDueMessage()) {
        order.push_back(message->source);
        message->ReleaseReference();
    }
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0], 3);
    EXPECT_EQ(order[1], 4);
}

// Random posts, clears and pops against a reference multiset: the heap
// must hand out every remaining message in due-time order after any
// sequence of clears.
TEST(GSRouter, ClearMessagesKeepsTheDueOrder) {
    GSTest::LogCapture log;
    GSRouter router;
    auto* object = new GSRuntime::GSGameObject();
    ASSERT_TRUE(router.AddNode(object));
    const uint16_t majors[] = {router.GetMessageTypeId("M1"), router.GetMessageTypeId("M2")};
    const uint16_t minors[] = {router.GetMessageTypeId("x"), router.GetMessageTypeId("y")};
    std::mt19937 random(12345);
    std::multiset<std::tuple<uint32_t, uint16_t, uint16_t, int32_t>> reference;
    for (int step = 0; step < 4000; ++step) {
        const int action = static_cast<int>(random() % 10);
        if (action < 6) {
            const uint16_t major = majors[random() % 2];
            const uint16_t minor = minors[random() % 2];
            const int32_t destination = random() % 3 == 0 ? object->Id() + 1 : object->Id();
            const uint32_t delay = 1 + random() % 500;
            GSMessage* message = Make(major, minor, 0, destination, delay);
            router.PostMessage(message);
            message->ReleaseReference();
            reference.insert({router.Clock() + delay, major, minor, destination});
        } else if (action < 8) {
            const int m = static_cast<int>(random() % 2);
            const bool anyMinor = random() % 2 == 0;
            const int n = static_cast<int>(random() % 2);
            router.ClearMessages(object, Vek::PString(m ? "M2" : "M1"),
                                 anyMinor ? Vek::PString("") : Vek::PString(n ? "y" : "x"));
            for (auto it = reference.begin(); it != reference.end();) {
                const bool match = std::get<3>(*it) == object->Id() && std::get<1>(*it) == majors[m] &&
                                   (anyMinor || std::get<2>(*it) == minors[n]);
                it = match ? reference.erase(it) : std::next(it);
            }
        } else {
            router.SetClock(router.Clock() + random() % 200);
            while (GSMessage* message = router.TakeDueMessage()) {
                ASSERT_FALSE(reference.empty());
                const auto first = *reference.begin();
                ASSERT_EQ(message->DueTime(), std::get<0>(first)) << "step " << step;
                auto match = reference.find({message->DueTime(), message->major, message->minor, message->destination});
                ASSERT_NE(match, reference.end());
                reference.erase(match);
                message->ReleaseReference();
            }
            ASSERT_TRUE(reference.empty() || std::get<0>(*reference.begin()) > router.Clock());
        }
        ASSERT_EQ(router.DelayedCount(), static_cast<int32_t>(reference.size()));
    }
    EXPECT_GT(log.Lines().size(), 0u);
    router.Done();
    delete object;
}

TEST(GSRouter, ClearMessagesReportsWhatItRemoved) {
    GSTest::LogCapture log;
    GSRouter router;
    auto* object = new GSRuntime::GSGameObject();
    object->SetName(Vek::PString("obj"));
    ASSERT_TRUE(router.AddNode(object));
    const uint16_t major = router.GetMessageTypeId("M");
    for (const char* minor : {"a", "b", "a"}) {
        GSMessage* message = Make(major, router.GetMessageTypeId(minor), 0, object->Id(), 50);
        router.PostMessage(message);
        message->ReleaseReference();
    }
    router.ClearMessages(object, Vek::PString("M"), Vek::PString("a"));
    EXPECT_EQ(router.DelayedCount(), 1);
    char expected[128];
    std::snprintf(expected, sizeof expected, "2 queued router messages cleared for %04d 'obj', message M, a",
                  object->Id());
    EXPECT_EQ(GSTest::LogCapture::Count(expected), 1);
    router.ClearMessages(object, Vek::PString("M"), Vek::PString());
    EXPECT_EQ(router.DelayedCount(), 0);
    router.Done();
    delete object;
}

TEST(GSRouter, DoneUnregistersAndDeletesDestroyPendingNodes) {
    GSTest::LogCapture log;
    auto* router = new GSRouter();
    RecordingNode kept;
    auto* doomed = new GSRuntime::GSGameObject();
    ASSERT_TRUE(router->AddNode(&kept));
    ASSERT_TRUE(router->AddNode(doomed));
    GSMessage* destroy = Make(GSNode::kDestroyType, 1, 0, doomed->Id());
    router->SendMessage(destroy);  // a game object without handlers destroys itself
    destroy->ReleaseReference();
    EXPECT_TRUE(doomed->IsDestroyPending());
    GSMessage* queued = Make(5, 1, 0, 0);
    kept.QueueMessage(queued);
    EXPECT_EQ(queued->GetReferenceCount(), 2);
    router->Done();
    EXPECT_EQ(kept.QueuedCount(), 0);
    EXPECT_EQ(queued->GetReferenceCount(), 1);
    queued->ReleaseReference();
    EXPECT_EQ(GSTest::LogCapture::Count("GSRouter::Done(), 2 outstanding node(s)"), 1);
    EXPECT_EQ(kept.Id(), -1);
    EXPECT_EQ(kept.Router(), nullptr);
    EXPECT_FALSE(router->IsRunning());
    delete router;
}

TEST(GSRouter, InfoAndDescribe) {
    GSTest::LogCapture log;
    GSRouter router;
    RecordingNode named("ann");
    ASSERT_TRUE(router.AddNode(&named));
    GSMessage* message = Make(router.GetMessageTypeId("Major"), router.GetMessageTypeId("Minor"), named.Id(), 0);
    Vek::String text;
    router.DescribeMessage(message, text);
    char expected[160];
    std::snprintf(expected, sizeof expected, "router message from %04d 'ann' to 0000 '', message Major, Minor\n",
                  named.Id());
    EXPECT_EQ(std::string(text.c_str()), expected);
    message->ReleaseReference();
    router.Info();
    const std::vector<std::string> expectedInfo{"ROUTER INFO\n===========", "1 Node(s)", "0 Message(s) in the delay queue",
                                                "102 Major types", "0 Posted messages", "0 Subscription AVL trees"};
    EXPECT_EQ(GSTest::LogCapture::Lines(), expectedInfo);
}

TEST(GSRouter, TraceSkipsTicksAndThrottleChanges) {
    GSTest::LogCapture log;
    GSRouter router;
    RecordingNode node("n");
    ASSERT_TRUE(router.AddNode(&node));
    GSRouter::SetTraceEnabled(true);
    for (const auto& [major, minor] : std::vector<std::pair<const char*, const char*>>{
             {"Train", "ThrottleChanged"}, {"Any", "Tick"}, {"Train", "Moved"}}) {
        GSMessage* message = Make(router.GetMessageTypeId(major), router.GetMessageTypeId(minor), node.Id(), 0);
        router.SendMessage(message);
        message->ReleaseReference();
    }
    GSRouter::SetTraceEnabled(false);
    char expected[128];
    std::snprintf(expected, sizeof expected, "router message from %04d 'n' to 0000 '', message Train, Moved",
                  node.Id());
    EXPECT_EQ(GSTest::LogCapture::Lines(), std::vector<std::string>{expected});
}

TEST(GSNode, MessagesNeedARegisteredNodeAndAMajor) {
    GSRouter router;
    RecordingNode node;
    EXPECT_EQ(node.CreateMessage("M", "m", 0, 0), nullptr);  // unregistered
    ASSERT_TRUE(router.AddNode(&node));
    EXPECT_EQ(node.CreateMessage("", "m", 0, 0), nullptr);
    EXPECT_EQ(node.CreateMessage(nullptr, "m", 0, 0), nullptr);
    GSMessage* message = node.CreateMessage("NewMajor", "NewMinor", 7, 0x40000005u);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->minor, 101);  // the minor is interned first
    EXPECT_EQ(message->major, 102);
    EXPECT_EQ(message->source, node.Id());
    EXPECT_EQ(message->destination, 7);
    EXPECT_EQ(message->timeWord, 0x80000005u);  // only the low 30 bits of the delay
    message->ReleaseReference();
}

TEST(GSNode, AnUnregisteredDestroyPendingNodeDeletesItselfOnActivate) {
    static int deleted = 0;
    struct Counted : RecordingNode {
        ~Counted() override { deleted += 1; }
    };
    auto* node = new Counted();
    node->SetFlags(GSNode::kDestroyPending);
    node->Activate();
    EXPECT_EQ(deleted, 1);

    // The base handles only the destroy type.
    GSNode plain;
    GSMessage* other = Make(5, 1, 0, 0);
    GSMessage* destroy = Make(GSNode::kDestroyType, 1, 0, 0);
    EXPECT_FALSE(plain.GSNode::HandleMessage(other));
    EXPECT_TRUE(plain.GSNode::HandleMessage(destroy));
    EXPECT_TRUE(plain.IsDestroyPending());
    other->ReleaseReference();
    destroy->ReleaseReference();
}

}  // namespace

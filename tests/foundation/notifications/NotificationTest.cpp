#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/notifications/NuMessagePipe.h"
#include "foundation/notifications/NuMessageRecipient.h"

namespace {

// Records every message it is given as "<name>:<type>".
class RecordingRecipient : public NuMessageRecipient {
public:
    RecordingRecipient(std::string name, std::vector<std::string>& journal) : m_name(std::move(name)), m_journal(journal) {}
    int HandleMessage(const NuMessageData& message) override {
        m_journal.push_back(m_name + ":" + message.Type().c_str());
        lastValue = message.Value();
        if (closeOnMessage) closeOnMessage->Close();
        return 7;
    }
    void* lastValue = nullptr;
    NuMessagePipe* closeOnMessage = nullptr;

private:
    std::string m_name;
    std::vector<std::string>& m_journal;
};

class Forwarder : public NuMessageRecipient {
public:
    explicit Forwarder(NuMessageRecipient* target) : m_target(target) {}
    NuMessageRecipient* ForwardTarget() override { return m_target; }

private:
    NuMessageRecipient* m_target;
};

TEST(NuMessageRecipient, PlainRecipientAnswersOneAndForwardsWhenItHasATarget) {
    std::vector<std::string> journal;
    NuMessageRecipient plain;
    NuMessageData message(Vek::PString("list-updated"), nullptr);
    EXPECT_EQ(plain.HandleMessage(message), 1);

    RecordingRecipient target("t", journal);
    Forwarder forwarder(&target);
    EXPECT_EQ(forwarder.HandleMessage(message), 7);
    EXPECT_EQ(journal, std::vector<std::string>{"t:list-updated"});
}

TEST(NuMessageRecipient, BroadcastReachesEveryFarEndInOrderEvenWhenOneClosesItsPipe) {
    std::vector<std::string> journal;
    NuMessageRecipient sender;
    RecordingRecipient a("a", journal), b("b", journal), c("c", journal);
    NuMessagePipe toA(sender, &a, nullptr);
    NuMessagePipe toB(sender, &b, nullptr);
    NuMessagePipe toC(sender, &c, nullptr);
    b.closeOnMessage = &toB;  // b leaves while it handles the message

    sender.Broadcast(NuMessageData(Vek::PString("list-updated"), &sender));
    EXPECT_EQ(journal, (std::vector<std::string>{"a:list-updated", "b:list-updated", "c:list-updated"}));
    EXPECT_EQ(c.lastValue, &sender);
    EXPECT_FALSE(toB.IsLinked());

    journal.clear();
    sender.Broadcast(NuMessageData(Vek::PString("list-updated"), &sender));
    EXPECT_EQ(journal, (std::vector<std::string>{"a:list-updated", "c:list-updated"}));
}

TEST(NuMessagePipe, ClosingTwiceTellsOnceAndCarriesTheFarEnd) {
    std::vector<std::string> journal;
    NuMessageRecipient owner;
    RecordingRecipient farEnd("far", journal), watcher("watcher", journal);
    NuMessagePipe pipe(owner, &farEnd, &watcher);
    pipe.Close();
    pipe.Close();
    EXPECT_EQ(journal, std::vector<std::string>{"watcher:pipe-closed"});
    EXPECT_EQ(watcher.lastValue, &farEnd);
    EXPECT_TRUE(owner.Pipes().IsEmpty());
}

TEST(NuMessageRecipient, DestructionClosesEveryPipe) {
    std::vector<std::string> journal;
    RecordingRecipient watcher("watcher", journal);
    NuMessagePipe* first;
    NuMessagePipe* second;
    std::unique_ptr<NuMessagePipe> keepFirst, keepSecond;
    {
        NuMessageRecipient withoutPipes;  // sends nothing when it goes
        NuMessageRecipient owner;
        keepFirst = std::make_unique<NuMessagePipe>(owner, nullptr, &watcher);
        keepSecond = std::make_unique<NuMessagePipe>(owner, nullptr, &watcher);
        first = keepFirst.get();
        second = keepSecond.get();
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"watcher:pipe-closed", "watcher:pipe-closed"}));
    EXPECT_FALSE(first->IsLinked());
    EXPECT_FALSE(second->IsLinked());
}

}  // namespace

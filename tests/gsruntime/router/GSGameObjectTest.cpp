// Game objects of a compiled script under the test host: handlers and
// sniffers, thread limits, sleeps and waits, message natives and their
// errors, and calls through a base signature.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "gsruntime/hostsupport/GSTestHost.h"
#include "gsruntime/GSString.h"
#include "gsruntime/router/GSMessage.h"

namespace {

using GSRuntime::GSGameObject;
using GSRuntime::GSMessage;

const char* const kActors = R"(include "gs.gs"

class Base isclass GameObject
{
    public int value;
    public int Kind(void) { return 1; }
    public int Value(void) { return value; }
};

class Actor isclass Base
{
    public int got;
    public int any;
    public GameObject other;

    public int Kind(void) { return 2; }
    public void SetOther(GameObject o) { other = o; }
    public int Got(void) { return got; }
    public int Any(void) { return any; }

    public void OnPing(Message m) { got = got + 1; }
    public void OnAny(Message m) { any = any + 1; }

    public void Listen(string name) { AddHandler(other, "Ping", "", name); }
    public void ListenSelf(string name) { AddHandler(me, "Ping", "", name); }
    public void SniffOther(bool enable) { Sniff(other, "Ping", "", enable); }
    public thread void SendSoup(void) { SendMessage(other, "Ping", "x", other); }
    public thread void SendNull(void) { string s; SendMessage(other, s, "x"); }
    public thread void SendEmpty(void) { SendMessage(other, "", "x"); value = 7; }
    public thread void Post(float s) { PostMessage(other, "Ping", "x", s); }
    public thread void Nap(float s) { Sleep(s); value = 1; }
    public thread void WaitAny(void) { Message m; wait() { on "A", "", m: { got = got + 1; continue; } } }
    public thread void WaitAC(void) { Message m; wait() { on "A", "C", m: { got = got + 1; continue; } } }
    public thread void Forever(void) { wait() { on "Never", "": break; } }
    // Sends itself a Ping while it runs, where no block waits for one.
    public thread void Echo(int n) {
        Message m;
        wait() {
            on "Ping", "", m: {
                got = got + 1;
                SendMessage(me, "Ping", "self");
                if (got < n) continue;
                break;
            }
        }
    }
};
)";

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

class GameObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Load("actors.gs", kActors));
        a = host.Spawn("Actor", "a");
        b = host.Spawn("Actor", "b");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(host.Call(a, "$void@Actor::SetOther(GameObject)", nullptr, {host.Counted(b->GetReference())}));
        ASSERT_TRUE(host.Call(b, "$void@Actor::SetOther(GameObject)", nullptr, {host.Counted(a->GetReference())}));
    }

    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
    }

    int32_t Int(GSGameObject* object, const char* signature) {
        uint32_t result = 0;
        EXPECT_TRUE(host.Call(object, signature, &result)) << signature;
        return static_cast<int32_t>(result);
    }

    // Sends major/minor from `from` to `to` (0: broadcast) at once.
    void Send(GSGameObject* from, GSGameObject* to, const char* major, const char* minor) {
        GSMessage* message = from->CreateMessage(major, minor, to ? to->Id() : 0, 0);
        ASSERT_NE(message, nullptr);
        host.Router()->SendMessage(message);
        message->ReleaseReference();
    }

    GSRuntime::GSString* NewString(const char* text) { return new GSRuntime::GSString(host.context, text); }

    void CallWithString(GSGameObject* object, const char* signature, const char* text) {
        GSRuntime::GSString* string = NewString(text);
        EXPECT_TRUE(host.Call(object, signature, nullptr, {string->GetReference()}));
    }

    GSTest::TestHost host;
    GSGameObject* a = nullptr;
    GSGameObject* b = nullptr;
};

TEST_F(GameObjectTest, AddHandlerAddsOnceAndRemovesEveryMethodOfTheListener) {
    CallWithString(a, "$void@Actor::Listen(string)", "OnPing");
    CallWithString(a, "$void@Actor::Listen(string)", "OnPing");
    CallWithString(a, "$void@Actor::Listen(string)", "OnAny");
    ASSERT_EQ(b->Handlers().size(), 2u);
    const uint16_t ping = host.Router()->GetMessageTypeId("Ping");
    EXPECT_EQ(host.Router()->SubscriptionCount(b, ping), 2);

    Send(a, b, "Ping", "x");
    EXPECT_EQ(Int(a, "$int@Actor::Got()"), 1);
    EXPECT_EQ(Int(a, "$int@Actor::Any()"), 1);
    EXPECT_EQ(Int(b, "$int@Actor::Got()"), 0);

    CallWithString(a, "$void@Actor::Listen(string)", "");
    EXPECT_TRUE(b->Handlers().empty());
    EXPECT_EQ(host.Router()->SubscriptionCount(b, ping), 0);
    Send(a, b, "Ping", "x");
    EXPECT_EQ(Int(a, "$int@Actor::Got()"), 1);

    CallWithString(a, "$void@Actor::Listen(string)", "Missing");
    EXPECT_EQ(GSTest::LogCapture::Count("Could not find handler $void@Actor::Missing(Message) for native "
                                        "GameObject::AddHandler()"),
              1);
}

TEST_F(GameObjectTest, SniffersGetOneMarkedCopyAndNeverLoop) {
    CallWithString(a, "$void@Actor::ListenSelf(string)", "OnPing");
    CallWithString(b, "$void@Actor::ListenSelf(string)", "OnPing");
    ASSERT_TRUE(host.Call(a, "$void@Actor::SniffOther(bool)", nullptr, {1}));
    ASSERT_TRUE(host.Call(b, "$void@Actor::SniffOther(bool)", nullptr, {1}));
    ASSERT_TRUE(host.Call(b, "$void@Actor::SniffOther(bool)", nullptr, {1}));  // no second sniffer

    Send(a, b, "Ping", "x");
    EXPECT_EQ(Int(b, "$int@Actor::Got()"), 1);
    EXPECT_EQ(Int(a, "$int@Actor::Got()"), 1);  // the sniffed copy, not forwarded back

    ASSERT_TRUE(host.Call(a, "$void@Actor::SniffOther(bool)", nullptr, {0}));
    Send(a, b, "Ping", "x");
    EXPECT_EQ(Int(b, "$int@Actor::Got()"), 2);
    EXPECT_EQ(Int(a, "$int@Actor::Got()"), 1);
}

TEST_F(GameObjectTest, SixtyFifthThreadIsRefusedUntilOneEnds) {
    for (int i = 0; i < 63; ++i) ASSERT_TRUE(host.Call(a, "$void@Actor::Forever()"));
    ASSERT_TRUE(host.Call(a, "$void@Actor::Nap(float)", nullptr, {FloatBits(0.0f)}));
    EXPECT_EQ(a->ThreadCount(), 64);
    EXPECT_FALSE(host.Call(a, "$void@Actor::Forever()"));
    host.Tick(10);  // the nap of 0 seconds ends its thread
    EXPECT_EQ(a->ThreadCount(), 63);
    EXPECT_TRUE(host.Call(a, "$void@Actor::Forever()"));
}

TEST_F(GameObjectTest, SleepOfHalfASecondSpansTwoStepsOfThreeTenths) {
    ASSERT_TRUE(host.Call(a, "$void@Actor::Nap(float)", nullptr, {FloatBits(0.5f)}));
    host.Tick(300);  // runs into the sleep
    EXPECT_EQ(Int(a, "$int@Base::Value()"), 0);
    host.Tick(300);
    EXPECT_EQ(Int(a, "$int@Base::Value()"), 0);
    host.Tick(300);
    EXPECT_EQ(Int(a, "$int@Base::Value()"), 1);
    EXPECT_EQ(a->ThreadCount(), 0);
}

TEST_F(GameObjectTest, WaitsMatchAnyMinorOrTheirOwn) {
    ASSERT_TRUE(host.Call(a, "$void@Actor::WaitAny()"));
    ASSERT_TRUE(host.Call(b, "$void@Actor::WaitAC()"));
    host.Tick(10);
    for (const char* minor : {"x", "C", "y", "C"}) {
        Send(a, nullptr, "A", minor);
        host.Tick(10);
    }
    EXPECT_EQ(Int(a, "$int@Actor::Got()"), 4);
    EXPECT_EQ(Int(b, "$int@Actor::Got()"), 2);
}

// Between a wait that resumed the thread and its next wait nothing of the
// node waits for the major: a message of it sent meanwhile is lost, also
// when the waits subscribe to the same major again and again, and also on
// a node whose handler for the major never subscribed (it was added while
// the node was in no router).
TEST_F(GameObjectTest, AMessageSentBetweenTwoWaitsIsLost) {
    const uint16_t ping = host.Router()->GetMessageTypeId("Ping");
    for (const bool handler : {false, true}) {
        SCOPED_TRACE(handler ? "with a handler that never subscribed" : "without a handler");
        if (handler) {
            ASSERT_TRUE(host.Router()->RemoveNode(a));
            CallWithString(b, "$void@Actor::Listen(string)", "OnAny");
            ASSERT_TRUE(host.Router()->AddNode(a));
        }
        const int32_t got = Int(a, "$int@Actor::Got()");
        const int32_t any = Int(b, "$int@Actor::Any()");
        ASSERT_TRUE(host.Call(a, "$void@Actor::Echo(int)", nullptr, {static_cast<uint32_t>(got + 3)}));
        host.Tick(10);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(host.Router()->SubscriptionCount(a, ping), 1);
            Send(b, a, "Ping", "x");
            host.Tick(10);
            host.Tick(10);
        }
        EXPECT_EQ(Int(a, "$int@Actor::Got()"), got + 3);
        EXPECT_EQ(Int(b, "$int@Actor::Any()"), handler ? any + 3 : any);
        EXPECT_EQ(a->ThreadCount(), 0);
        EXPECT_EQ(host.Router()->SubscriptionCount(a, ping), 0);
    }
}

TEST_F(GameObjectTest, ABaseSignatureRunsTheOverride) {
    EXPECT_EQ(Int(a, "$int@Base::Kind()"), 2);
    EXPECT_EQ(Int(a, "$int@Actor::Kind()"), 2);
}

TEST_F(GameObjectTest, MessageNativeErrors) {
    // A parameter object that is no soup is a parameter-type error.
    ASSERT_TRUE(host.Call(a, "$void@Actor::SendSoup()"));
    host.Tick(10);
    bool reported = false;
    for (const std::string& line : GSTest::LogCapture::Lines())
        reported |= line.find("incorrect parameter type at parameter 4") != std::string::npos;
    EXPECT_TRUE(reported);

    ASSERT_TRUE(host.Call(a, "$void@Actor::SendNull()"));
    host.Tick(10);
    EXPECT_EQ(GSTest::LogCapture::Count("GameObject::SendMessage() illegal major or minor string (file gs.gs)"), 1);

    // An empty major sends nothing and raises nothing.
    const size_t lines = GSTest::LogCapture::Lines().size();
    ASSERT_TRUE(host.Call(a, "$void@Actor::SendEmpty()"));
    host.Tick(10);
    EXPECT_EQ(Int(a, "$int@Base::Value()"), 7);
    EXPECT_EQ(GSTest::LogCapture::Lines().size(), lines);
}

TEST_F(GameObjectTest, PostDelaysAreTruncatedAndNonFiniteOnesAreZero) {
    struct Case {
        float seconds;
        bool delayed;
    };
    const Case cases[] = {{0.0005f, false}, {NAN, false}, {INFINITY, false}, {-INFINITY, false}, {1.0f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const int32_t posted = host.Router()->PostedCount();
        const int32_t delayed = host.Router()->DelayedCount();
        ASSERT_TRUE(host.Call(a, "$void@Actor::Post(float)", nullptr, {FloatBits(c.seconds)}));
        a->Update(0.01f);
        EXPECT_EQ(host.Router()->PostedCount(), posted + (c.delayed ? 0 : 1));
        EXPECT_EQ(host.Router()->DelayedCount(), delayed + (c.delayed ? 1 : 0));
    }
    EXPECT_EQ(host.Router()->DelayedAt(1)->DueTime(), host.Router()->Clock() + 1000);
}

TEST_F(GameObjectTest, UnhandledDestroyMessageDeletesTheObjectAtTheNextTick) {
    const int32_t id = b->Id();
    ASSERT_TRUE(host.Call(b, "$void@Actor::Forever()"));
    host.Tick(10);
    Send(a, b, "Destroy", "");
    EXPECT_TRUE(b->IsDestroyPending());
    host.Tick(10);
    EXPECT_EQ(host.Router()->GetNode(id), nullptr);
}

TEST_F(GameObjectTest, TheStackDumpRequestIsConsumedByTheRouter) {
    ASSERT_TRUE(host.Call(a, "$void@Actor::Forever()"));
    host.Tick(10);
    GSTest::LogCapture::Clear();
    Send(b, a, "DumpStacks", "");
    char header[128];
    std::snprintf(header, sizeof header, "*** STACK DUMP OF THREAD 0 ON GAME OBJECT a, id %d ***", a->Id());
    EXPECT_EQ(GSTest::LogCapture::Count(header), 1);
    Send(b, nullptr, "DumpStacks", "");
    EXPECT_EQ(GSTest::LogCapture::Count("*** DUMPING ALL THREAD STACKS ***"), 1);
    EXPECT_EQ(GSTest::LogCapture::Count(header), 2);
    EXPECT_EQ(a->ThreadCount(), 1);  // the wait did not see the request
}

}  // namespace

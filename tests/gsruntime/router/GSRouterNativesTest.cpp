// The Router natives and the remaining GameObject natives as scripts call
// them, a message flood that overflows a busy thread's queue, and a
// rebinding reached from one of the object's own running threads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSStack.h"
#include "gsruntime/GSString.h"
#include "gsruntime/hostsupport/GSTestHost.h"
#include "gsruntime/interpreter/GSThread.h"
#include "gsruntime/natives/GSCNativeFunction.h"
#include "gsruntime/natives/GSParamFetch.h"
#include "gsruntime/router/FindForeignGameObject.h"
#include "gsruntime/router/GSMessage.h"

namespace {

using GSRuntime::GSGameObject;
using GSRuntime::GSMessage;

const char* const kFinders = R"(include "gs.gs"

class Finder isclass GameObject
{
    public int count;
    public int ById(int id) { GameObject g = Router.GetGameObject(id); if (g == null) return -1; return g.GetId(); }
    public int ForeignById(int id) {
        GameObject g = Router.GetForeignGameObject(id);
        if (g == null) return -1;
        return g.GetId();
    }
    public int ByName(string name) { GameObject g = Router.GetGameObject(name); if (g == null) return -1; return g.GetId(); }
    public string Name(void) { return GetName(); }
    public int Id(void) { return GetId(); }
    public void RouterPost(int dst, string major, string minor) { Router.PostMessage(Id(), dst, major, minor, 0.0); }
    public void RouterPostNull(int dst) { string s; Router.PostMessage(Id(), dst, s, "x", 0.0); }
    public void Clear(string major, string minor) { ClearMessages(major, minor); }
    public void Report(string text) { Exception(text); }
    public void RouterInfo(void) { Router.Info(); }
    public thread void Busy(void) {
        Message m;
        wait() { on "A", "", m: { count = count + 1; Sleep(100.0); continue; } }
    }
    public native void Rebind();
    public thread void RebindSelf(void) { Rebind(); count = 42; }
    public int Count(void) { return count; }
};
)";

// "Finder::Rebind": rebinds the calling object to its own class, which
// drops every thread of the object, the running one included.
void Rebind(GSRuntime::GSContext* context, GSRuntime::GSStack* stack) {
    auto* object = dynamic_cast<GSGameObject*>(GSRuntime::GSParamOwner(stack, 0));
    if (object) object->BindClass(object->GetClass(), context);
}

class RouterNativesTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.machine->AddNative(new GSRuntime::GSCNativeFunction(Vek::PString("Finder"),
                                                                 Vek::PString("$void@Finder::Rebind()"), &Rebind));
        ASSERT_TRUE(host.Load("finders.gs", kFinders));
        a = host.Spawn("Finder", "alpha");
        b = host.Spawn("Finder", "beta");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
    }

    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
    }

    int32_t IntCall(GSGameObject* object, const char* signature, std::initializer_list<uint32_t> arguments = {}) {
        uint32_t result = 0;
        EXPECT_TRUE(host.Call(object, signature, &result, arguments)) << signature;
        return static_cast<int32_t>(result);
    }

    // Runs a call with string arguments made for it.
    bool CallStrings(GSGameObject* object, const char* signature, std::initializer_list<const char*> texts,
                     uint32_t* result = nullptr, uint32_t first = 0, bool withFirst = false) {
        std::vector<uint32_t> arguments;
        if (withFirst) arguments.push_back(first);
        for (const char* text : texts)
            arguments.push_back((new GSRuntime::GSString(host.context, text))->GetReference());
        GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromReference(object->GetReference());
        // The call takes over the new strings' counts.
        return GSRuntime::CallScriptFunction(host.context, object->GetClass(), header, signature, result,
                                             arguments.data(), static_cast<uint32_t>(arguments.size()));
    }

    GSTest::TestHost host;
    GSGameObject* a = nullptr;
    GSGameObject* b = nullptr;
};

TEST_F(RouterNativesTest, FindGameObjectsByIdAndName) {
    EXPECT_EQ(IntCall(a, "$int@Finder::ById(int)", {static_cast<uint32_t>(b->Id())}), b->Id());
    EXPECT_EQ(IntCall(a, "$int@Finder::ById(int)", {999999}), -1);
    EXPECT_EQ(IntCall(a, "$int@Finder::ForeignById(int)", {static_cast<uint32_t>(b->Id())}), b->Id());
    EXPECT_EQ(IntCall(a, "$int@Finder::Id()"), a->Id());
    uint32_t found = 0;
    ASSERT_TRUE(CallStrings(a, "$int@Finder::ByName(string)", {"beta"}, &found));
    EXPECT_EQ(static_cast<int32_t>(found), b->Id());
    ASSERT_TRUE(CallStrings(a, "$int@Finder::ByName(string)", {"gamma"}, &found));
    EXPECT_EQ(static_cast<int32_t>(found), -1);

    uint32_t name = 0;
    ASSERT_TRUE(host.Call(b, "$string@Finder::Name()", &name));
    ASSERT_NE(name, 0u);
    auto* text = static_cast<GSRuntime::GSString*>(GSRuntime::GSScriptInstance::OwnerOf(name));
    EXPECT_EQ(std::string(text->c_str()), "beta");
    GSRuntime::GSScriptInstance::ReleaseReference(name);
}

TEST_F(RouterNativesTest, RouterPostMessageInternsMinorFirstAndSkipsNullNames) {
    GSRuntime::GSRouter* router = host.Router();
    ASSERT_TRUE(CallStrings(a, "$void@Finder::RouterPost(int,string,string)", {"", "NewMinor"}, nullptr,
                            static_cast<uint32_t>(b->Id()), true));
    ASSERT_EQ(router->PostedCount(), 1);
    GSMessage* message = router->TakePostedMessage();
    EXPECT_EQ(message->major, 1);  // the empty major
    EXPECT_EQ(std::string(router->GetMessageTypeName(message->minor).c_str()), "NewMinor");
    EXPECT_EQ(message->source, a->Id());
    EXPECT_EQ(message->destination, b->Id());
    message->ReleaseReference();

    ASSERT_TRUE(CallStrings(a, "$void@Finder::RouterPost(int,string,string)", {"Maj", "Min"}, nullptr, 0, true));
    message = router->TakePostedMessage();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->minor + 1, message->major);  // minor interned first
    message->ReleaseReference();

    ASSERT_TRUE(host.Call(a, "$void@Finder::RouterPostNull(int)", nullptr, {0}));
    EXPECT_EQ(router->PostedCount(), 0);
}

TEST_F(RouterNativesTest, ClearMessagesAndInfoLogThroughTheScriptLog) {
    GSRuntime::GSRouter* router = host.Router();
    for (const char* minor : {"x", "y"}) {
        GSMessage* message = b->CreateMessage("Timer", minor, a->Id(), 100);
        router->PostMessage(message);
        message->ReleaseReference();
    }
    ASSERT_TRUE(CallStrings(a, "$void@Finder::Clear(string,string)", {"Timer", ""}));
    EXPECT_EQ(router->DelayedCount(), 0);
    char expected[128];
    std::snprintf(expected, sizeof expected, "2 queued router messages cleared for %04d 'alpha', message Timer, ",
                  a->Id());
    EXPECT_EQ(GSTest::LogCapture::Count(expected), 1);
    ASSERT_TRUE(host.Call(a, "$void@Finder::RouterInfo()"));
    EXPECT_EQ(GSTest::LogCapture::Count("2 Node(s)"), 1);
}

// A thread that a message has woken but that has not run yet queues the
// matching messages that follow; the 1025th empties the queue with a report
// and the thread lives on.
TEST_F(RouterNativesTest, QueueOverflowAt1025) {
    ASSERT_TRUE(host.Call(a, "$void@Finder::Busy()"));
    host.Tick(10);
    auto send = [&] {
        GSMessage* message = b->CreateMessage("A", "x", a->Id(), 0);
        host.Router()->SendMessage(message);
        message->ReleaseReference();
    };
    send();  // wakes the thread
    for (int i = 0; i < 1024; ++i) send();
    ASSERT_EQ(a->ThreadCount(), 1);
    EXPECT_EQ(a->ThreadAt(0)->QueuedCount(), 1024);
    send();
    EXPECT_EQ(a->ThreadAt(0)->QueuedCount(), 0);
    EXPECT_EQ(a->ThreadCount(), 1);
    host.Tick(10);
    EXPECT_EQ(IntCall(a, "$int@Finder::Count()"), 1);
    bool described = false;
    for (const std::string& line : GSTest::LogCapture::Lines())
        described |= line.find("router message from") != std::string::npos && line.find("message A, x") != std::string::npos;
    EXPECT_TRUE(described);
}

// Rebinding from a native on the object's own running thread: the thread
// is dropped from the object but lives until its run returns.
TEST_F(RouterNativesTest, RebindFromTheRunningThreadDefersItsDeletion) {
    ASSERT_TRUE(host.Call(a, "$void@Finder::RebindSelf()"));
    ASSERT_TRUE(host.Call(a, "$void@Finder::Busy()"));
    EXPECT_EQ(a->ThreadCount(), 2);
    host.Tick(10);
    EXPECT_EQ(a->ThreadCount(), 0);
    EXPECT_EQ(IntCall(a, "$int@Finder::Count()"), 42);
}

TEST_F(RouterNativesTest, ForeignGameObjectsComeFromOtherOpenRouters) {
    auto* other = new GSRuntime::GSContext(true, false);
    ASSERT_NE(other->GetRouter(), nullptr);
    auto* foreign = new GSGameObject();
    ASSERT_TRUE(foreign->BindClass(host.library->FindClass("Finder"), other));
    ASSERT_TRUE(other->GetRouter()->AddNode(foreign));
    const uint32_t id = static_cast<uint32_t>(foreign->Id());
    EXPECT_EQ(IntCall(a, "$int@Finder::ById(int)", {id}), -1);
    EXPECT_EQ(IntCall(a, "$int@Finder::ForeignById(int)", {id}), foreign->Id());
    other->GetRouter()->SetClosed(true);
    EXPECT_EQ(IntCall(a, "$int@Finder::ForeignById(int)", {id}), -1);
    EXPECT_EQ(GSRuntime::FindForeignGameObject(foreign->Id(), true), foreign);
    delete other;  // takes its game objects with it
}

}  // namespace

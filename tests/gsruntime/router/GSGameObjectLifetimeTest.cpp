// Game objects that leave their router or their context while their own
// threads or other objects still hold them: nothing is freed twice and no
// set of the router keeps a deleted node.
#include <gtest/gtest.h>

#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

using GSRuntime::GSGameObject;

const char* const kWaiters = R"(include "gs.gs"

class Waiter isclass GameObject
{
    public GameObject other;
    public void SetOther(GameObject o) { other = o; }
    public thread void Forever(void) { wait() { on "Never", "": break; } }
};
)";

TEST(GSGameObjectLifetime, ContextEndsWhileThreadsHoldTheirObjects) {
    struct Case {
        const char* name;
        bool pair;       // two objects holding each other through a member
        bool released;   // the host dropped its references first
    };
    const Case cases[] = {
        {"own thread keeps the object", false, true},
        {"own thread and its own count keep the object", false, false},
        {"two objects hold each other and wait", true, true},
        {"two objects hold each other, not released", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GSTest::TestHost host;
        ASSERT_TRUE(host.Load("waiters.gs", kWaiters));
        GSGameObject* a = host.Spawn("Waiter", "a");
        ASSERT_NE(a, nullptr);
        GSGameObject* b = c.pair ? host.Spawn("Waiter", "b") : nullptr;
        if (b) {
            ASSERT_TRUE(host.Call(a, "$void@Waiter::SetOther(GameObject)", nullptr, {host.Counted(b->GetReference())}));
            ASSERT_TRUE(host.Call(b, "$void@Waiter::SetOther(GameObject)", nullptr, {host.Counted(a->GetReference())}));
            ASSERT_TRUE(host.Call(b, "$void@Waiter::Forever()"));
        }
        ASSERT_TRUE(host.Call(a, "$void@Waiter::Forever()"));
        host.Tick(10);
        ASSERT_EQ(a->ThreadCount(), 1);
        if (c.released) {
            host.Release(a);
            if (b) host.Release(b);
        }
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
    }
}

TEST(GSGameObjectLifetime, AReleasedObjectLeavesTheActiveSetWhenDeleted) {
    GSTest::TestHost host;
    ASSERT_TRUE(host.Load("waiters.gs", kWaiters));
    GSGameObject* a = host.Spawn("Waiter", "a");
    ASSERT_NE(a, nullptr);
    host.Tick(10);  // the update clears the active flag; the set keeps it
    const GSRuntime::GSNode* node = a;
    host.Release(a);  // destroy pending, active again
    ASSERT_EQ(host.Router()->ActiveNodes().count(const_cast<GSRuntime::GSNode*>(node)), 1u);
    host.Tick(10);  // updated (flag cleared), then deleted
    EXPECT_EQ(host.Router()->ActiveNodes().count(const_cast<GSRuntime::GSNode*>(node)), 0u);
    host.Tick(10);
    host.Tick(10);
    EXPECT_TRUE(host.Router()->ActiveNodes().empty());
}

}  // namespace

// The Message objects a context reuses: a message never shows what an
// earlier one held, a message kept by a script is not reused under it, a
// name string a script still holds is not taken back, and the context's
// end leaves nothing of the pooled objects behind.
#include <gtest/gtest.h>

#include <string>

#include "gsruntime/GSContext.h"
#include "gsruntime/GSString.h"
#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

const char* const kListener = R"(include "gs.gs"

class Listener isclass GameObject
{
    public GameObject partner;
    public string log;
    public Message kept;
    public string keptMinor;

    public void SetPartner(GameObject p) { partner = p; log = ""; }
    public thread void Shoot(string major, string minor) { SendMessage(partner, major, minor); }
    public string Report(void) { return log + kept.major + "/" + kept.minor + "," + keptMinor; }

    public thread void Listen(void) {
        Message m;
        int n = 0;
        wait() {
            on "Ball", "", m: {
                n = n + 1;
                log = log + m.major + "/" + m.minor + ";";
                if (m.src != partner) log = log + "wrong source;";
                if (n == 2) kept = m;
                if (n == 3) keptMinor = m.minor;
                continue;
            }
        }
    }
};
)";

TEST(GSMessageObjectReuse, ReusedMessagesHoldOnlyTheirOwnParts) {
    GSTest::TestHost host;
    ASSERT_TRUE(host.Load("listener.gs", kListener));
    GSRuntime::GSGameObject* sender = host.Spawn("Listener", "sender");
    GSRuntime::GSGameObject* listener = host.Spawn("Listener", "listener");
    ASSERT_NE(sender, nullptr);
    ASSERT_NE(listener, nullptr);
    ASSERT_TRUE(host.Call(sender, "$void@Listener::SetPartner(GameObject)", nullptr,
                          {host.Counted(listener->GetReference())}));
    ASSERT_TRUE(host.Call(listener, "$void@Listener::SetPartner(GameObject)", nullptr,
                          {host.Counted(sender->GetReference())}));
    ASSERT_TRUE(host.Call(listener, "$void@Listener::Listen()"));
    host.Tick(10);

    // Same names twice (the second message may take the first one's
    // strings), a new minor, one a script keeps, and back.
    for (const char* minor : {"A", "A", "B", "B", "A", "Ab", "A"}) {
        GSRuntime::GSString* major = new GSRuntime::GSString(host.context, "Ball");
        GSRuntime::GSString* text = new GSRuntime::GSString(host.context, minor);
        ASSERT_TRUE(host.Call(sender, "$void@Listener::Shoot(string,string)", nullptr,
                              {major->GetReference(), text->GetReference()}));
        host.Run(2, 10);
    }
    EXPECT_GT(host.context->MessagePool().Count(), 0);

    uint32_t report = 0;
    ASSERT_TRUE(host.Call(listener, "$string@Listener::Report()", &report));
    GSRuntime::GSString* text = GSRuntime::GSString::FromReference(report);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text->c_str()), "Ball/A;Ball/A;Ball/B;Ball/B;Ball/A;Ball/Ab;Ball/A;Ball/A,B");
    GSRuntime::GSScriptInstance::ReleaseReference(report);

    host.EndContext();
    EXPECT_EQ(host.leftBlocks, 0);
}

}  // namespace

// Two game objects of a compiled script play ping-pong through the test
// host's driver: threads wait for messages, answer with posted messages,
// and the context ends without leaving a script object behind.
#include <gtest/gtest.h>

#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

const char* const kPlayers = R"(include "gs.gs"

class Player isclass GameObject
{
    public int hits;
    public GameObject partner;

    public void SetPartner(GameObject p) { partner = p; }
    public int Hits(void) { return hits; }

    public thread void Serve(void) {
        SendMessage(partner, "Ball", "Ping");
    }

    public thread void Play(void) {
        Message m;
        wait() {
            on "Ball", "", m: {
                hits = hits + 1;
                if (hits < 5) {
                    PostMessage(m.src, "Ball", "Pong", 0.0);
                    continue;
                }
                Exception("done " + hits);
                break;
            }
        }
    }
};
)";

TEST(GSPingPong, TwoObjectsExchangeMessagesThroughTheDriver) {
    GSTest::TestHost host;
    ASSERT_TRUE(host.Load("players.gs", kPlayers));
    GSRuntime::GSGameObject* a = host.Spawn("Player", "a");
    GSRuntime::GSGameObject* b = host.Spawn("Player", "b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(host.Call(a, "$void@Player::SetPartner(GameObject)", nullptr, {host.Counted(b->GetReference())}));
    ASSERT_TRUE(host.Call(b, "$void@Player::SetPartner(GameObject)", nullptr, {host.Counted(a->GetReference())}));
    ASSERT_TRUE(host.Call(a, "$void@Player::Play()"));
    ASSERT_TRUE(host.Call(b, "$void@Player::Play()"));
    host.Tick(10);
    ASSERT_TRUE(host.Call(a, "$void@Player::Serve()"));
    host.Run(20, 10);

    uint32_t hitsA = 0;
    uint32_t hitsB = 0;
    ASSERT_TRUE(host.Call(a, "$int@Player::Hits()", &hitsA));
    ASSERT_TRUE(host.Call(b, "$int@Player::Hits()", &hitsB));
    EXPECT_EQ(hitsB, 5u);
    EXPECT_EQ(hitsA, 4u);
    EXPECT_EQ(a->ThreadCount(), 1);
    EXPECT_EQ(b->ThreadCount(), 0);
    EXPECT_EQ(GSTest::LogCapture::Count("done 5 (file gs.gs)"), 1);
    host.EndContext();
    EXPECT_EQ(host.leftBlocks, 0);
}

}  // namespace

// The online endpoint's account service against the built stand-in daemon:
// the profile name (240) and the sign-in token (242) come from the daemon's
// scenario, a refused sign-in is told to it (241), the browser sign-in is
// its "pklogin://" URL request, and the server's host and port are
// "internet" settings. Skipped when the stand-in daemon is not built.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <thread>

#include "assetdb/client/StandInDaemonLinkTest.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "online/OnlineAccountService.h"

namespace {

const char* const kScenario = R"(rules
{
 0
 {
  op 240
  reply
  {
   0 "string driver"
   1 "string "
   2 "string "
   3 "hex 0000"
   4 "string "
   5 "hex 0000"
  }
 }
 1
 {
  op 242
  reply
  {
   0 "string signed-token"
  }
 }
}
urls
{
 0
 {
  url "pklogin://"
  file ""
  location ""
  code 0
 }
}
)";

class DaemonAccountService : public VorlexTest::StandInDaemonLinkTest {
protected:
    void SetUp() override {
        StandInDaemonLinkTest::SetUp();
        if (IsSkipped()) return;
        UseScenario(kScenario);
        ASSERT_TRUE(Open());
    }
    // Whether the daemon's transcript shows a frame of the operation, waiting
    // up to 10 s for it (one-way frames are recorded after they are sent).
    bool Received(int op) const {
        const std::string wanted = " frame op=" + std::to_string(op);
        for (int waited = 0; waited < 10000; waited += 10) {
            std::stringstream text(Transcript());
            for (std::string line; std::getline(text, line);) {
                const std::size_t at = line.find(wanted);
                if (at != std::string::npos && (at + wanted.size() == line.size() || line[at + wanted.size()] == ' '))
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(DaemonAccountService, ProfileTokenNoticeSignInAndServerComeThroughTheDaemon) {
    OnlineAccountService& service = DaemonOnlineAccountService();
    EXPECT_STREQ(service.GetProfileName().c_str(), "driver");
    EXPECT_STREQ(service.GetAuthenticationToken().c_str(), "signed-token");

    service.NotifyLoginRefused();
    EXPECT_TRUE(Received(241));

    const VADUrlRequestService urlService;  // start-up's: status notices reach the requests
    std::unique_ptr<OnlineSignInRequest> request(service.StartSignIn());
    ASSERT_NE(request, nullptr);
    // The finished status arrives as a notice, which the link reads along
    // with the next reply.
    for (int waited = 0; waited < 10000 && !request->IsComplete(); waited += 10) {
        service.GetProfileName();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(request->IsComplete());
    EXPECT_EQ(request->ResultCode(), 0) << "the scenario signs the user in";

    EXPECT_EQ(service.ServerPort(), 5251);
    SoupHandle internet;
    internet.SetString(Vek::PString("online-service-host"), "127.0.0.1");
    internet.SetString(Vek::PString("online-service-port"), "6001");
    ASSERT_TRUE(VADWriteSettings(Vek::PString("internet"), internet));
    EXPECT_EQ(service.ServerHost(), "127.0.0.1");
    EXPECT_EQ(service.ServerPort(), 6001);
}

}  // namespace

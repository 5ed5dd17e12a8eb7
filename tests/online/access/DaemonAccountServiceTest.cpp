// The online endpoint's account service against the built stand-in daemon:
// the profile name (240) and the sign-in token (242) come from the daemon's
// scenario, a refused sign-in is told to it (241), the browser sign-in is
// its "pklogin://" URL request, and the server's host and port are
// "internet" settings. Skipped when the stand-in daemon is not built.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "online/OnlineAccountService.h"

namespace {

std::string BuiltDaemon() {
    const char* build = std::getenv("VORLEX_BUILD_DIR");
    if (!build || !*build) return std::string();
    const std::string path = std::string(build) + "/tools/vaddaemon/vaddaemon";
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

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

class DaemonAccountService : public VorlexTest::LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        if (BuiltDaemon().empty()) GTEST_SKIP() << "the stand-in daemon is not built";
        std::ofstream(m_install / "scenario.txt") << kScenario;
        ::setenv("VADDAEMON_SCENARIO", (m_install / "scenario.txt").c_str(), 1);
        ::setenv("VADDAEMON_TRANSCRIPT", (m_install / "transcript.txt").c_str(), 1);
        ::setenv("VADDAEMON_IDLE_S", "20", 1);
        ::setenv("VORLEX_OPEN_RETRY_MS", "100", 1);
        std::filesystem::copy_file(BuiltDaemon(), Program());
        ::chmod(Program().c_str(), 0755);
        ASSERT_TRUE(Open());
    }
    void TearDown() override {
        LinkTest::TearDown();
        TerminateProcessesByPath(Program().c_str(), 200);
        ::unsetenv("VADDAEMON_SCENARIO");
    }
    std::string Program() const { return m_install / "bin/vaddaemon"; }
    // Whether the daemon's transcript shows a frame of the operation, waiting
    // up to 10 s for it (one-way frames are recorded after they are sent).
    bool Received(int op) const {
        const std::string wanted = " frame op=" + std::to_string(op);
        for (int waited = 0; waited < 10000; waited += 10) {
            std::ifstream in(m_install / "transcript.txt");
            std::stringstream text;
            text << in.rdbuf();
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

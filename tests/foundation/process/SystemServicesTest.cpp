#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "foundation/platform/process/IdlePriority.h"
#include "foundation/platform/process/UrlProtocol.h"
#include "foundation/process/ProcessTestSupport.h"
#include "support/TempDir.h"

namespace {

class UrlProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("HOME", m_home.Path().c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    VorlexTest::TempDir m_home;
};

TEST_F(UrlProtocolTest, BuildsTheCommandTextWithinItsBound) {
    std::string text;
    EXPECT_TRUE(BuildUrlProtocolCommand("/opt/v/bin/VorlexUtil", text));
    EXPECT_EQ(text, "\"/opt/v/bin/VorlexUtil\" \"%1\"");
    EXPECT_TRUE(BuildUrlProtocolCommand("\"/opt/v/bin/VorlexUtil\" -url", text));
    EXPECT_EQ(text, "\"/opt/v/bin/VorlexUtil\" -url \"%1\"");

    // 252 characters fit the 260 bytes with quotes, blank, quoted "%1" and
    // the terminator; one more does not.
    EXPECT_TRUE(BuildUrlProtocolCommand(std::string(252, 'a').c_str(), text));
    EXPECT_EQ(text.size(), 259u);
    EXPECT_FALSE(BuildUrlProtocolCommand(std::string(253, 'a').c_str(), text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(RegisterUrlProtocol(std::string(1000, 'a').c_str()));

    EXPECT_EQ(UrlProtocolExecLine("\"/opt/my dir/Vorlex$\" \"%1\""), "\"/opt/my dir/Vorlex\\\\$\" %u");
}

TEST_F(UrlProtocolTest, WritesTheDesktopEntryAndTheDefaultHandler) {
    const std::string config = m_home / ".config";
    std::filesystem::create_directories(config);
    VorlexTest::WriteExecutable(config + "/mimeapps.list",
                                "[Added Associations]\ntext/plain=editor.desktop\n"
                                "[Default Applications]\nx-scheme-handler/vorlex=old.desktop\ntext/html=web.desktop\n");
    ASSERT_TRUE(RegisterUrlProtocol("/opt/v/bin/VorlexUtil"));

    const std::string entry = VorlexTest::ReadText(m_home / ".local/share/applications/vorlex-url.desktop");
    EXPECT_NE(entry.find("Name=URL: Vorlex Protocol\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=\"/opt/v/bin/VorlexUtil\" %u\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("MimeType=x-scheme-handler/vorlex;\n"), std::string::npos) << entry;
    EXPECT_EQ(VorlexTest::ReadText(config + "/mimeapps.list"),
              "[Added Associations]\ntext/plain=editor.desktop\n"
              "[Default Applications]\nx-scheme-handler/vorlex=vorlex-url.desktop\ntext/html=web.desktop\n");

    // Without a list, one is made.
    std::filesystem::remove(config + "/mimeapps.list");
    ASSERT_TRUE(RegisterUrlProtocol("\"/opt/v/bin/VorlexUtil\""));
    EXPECT_EQ(VorlexTest::ReadText(config + "/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/vorlex=vorlex-url.desktop\n");

    EXPECT_FALSE(RegisterUrlProtocol(""));
    EXPECT_FALSE(RegisterUrlProtocol("/opt/v/bin/Vorlex\nExec=evil"));
    ::unsetenv("HOME");
    EXPECT_FALSE(RegisterUrlProtocol("/opt/v/bin/VorlexUtil"));
}

TEST(IdlePriorityTest, EveryThreadGetsTheLowestPriority) {
    // In a child process: a process at the lowest priority is starved on a
    // loaded machine, which would hold up the rest of this test program and
    // its leak check at exit. The child reports through its exit status.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::atomic<bool> stop{false};
        std::atomic<int> seen{-100};
        std::thread other([&] {
            while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            errno = 0;
            seen = ::getpriority(PRIO_PROCESS, 0);
        });
        const bool set = SetIdlePriority();
        const int own = ::getpriority(PRIO_PROCESS, 0);
        stop = true;
        other.join();
        ::_exit(!set ? 1 : own != 19 ? 2 : seen != 19 ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    // 1: SetIdlePriority failed; 2: this thread's priority; 3: the other thread's.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace

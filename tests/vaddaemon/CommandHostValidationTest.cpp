// Validation through a command host (operation 38): the job goes to the
// registered host, the host's log entries come back as the requester's log
// lines, and the ok byte tells whether the validation ran at all. A bare
// link plays the host here, answering each job as the case says.
#include <gtest/gtest.h>

#include <thread>

#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

// One log entry in the wire form of a log block.
Bytes Entries(int32_t severity, const std::string& text) {
    return Le32(0) + Le32(1) + Le32(severity) + Text(text) + Le32(0);
}

class StoreValidation : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        WriteFile(Folder("local", "good") + "/config.txt", "kuid <kuid:3:100>\nusername \"Good\"\n");
    }
    // A link registered as the command host; returns once the daemon has
    // taken it (a request after the registration is answered in order).
    void RegisterHost(RawLink& host) {
        ASSERT_NO_FATAL_FAILURE(Connect(host));
        ASSERT_TRUE(host.SendFrame(140, 0, Bytes()));
        ASSERT_EQ(ToHex(host.Request(181, Bytes())), "01");
    }
    // Operation 38 of the good folder on its own link: the ok byte, and the
    // log-line notice's body (empty without one).
    std::pair<std::string, Bytes> Validate(RawLink& link) {
        link.notices.clear();
        const Bytes reply = link.Request(38, Interned("local") + Text("good"));
        Bytes lines;
        for (const RawLink::Frame& notice : link.notices)
            if (notice.word == 3) lines = notice.body;
        return {ToHex(reply), lines};
    }
};

TEST_F(StoreValidation, TheHostsReplyDecidesWhetherTheValidationRan) {
    const struct {
        const char* what;
        Bytes reply;
        const char* ok;
        Bytes lines;  // after the transaction id
    } cases[] = {
        {"ran and found nothing", Le32(0) + Le32(0) + Hex("01"), "01", Bytes()},
        {"ran and found a fault: it still ran", Entries(3, "Bad mesh.") + Hex("00"), "01", Entries(3, "Bad mesh.")},
        {"could not run: its log without a result", Entries(3, "Not available."), "00", Entries(3, "Not available.")},
        {"an empty reply", Bytes(), "00",
         Entries(3, "The folder \"good\" was not validated: the command host could not run the job.")},
    };
    RawLink host, link;
    ASSERT_NO_FATAL_FAILURE(RegisterHost(host));
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::thread answer([&] {
            RawLink::Frame job;
            ASSERT_TRUE(host.Next(job));
            EXPECT_TRUE(job.notice);
            EXPECT_EQ(job.word, 1);
            EXPECT_EQ(ToHex(job.body), ToHex(Le32(0) + Interned("local") + Interned("good")));
            host.SendFrame(141, 0, c.reply);
        });
        const auto [ok, lines] = Validate(link);
        answer.join();
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(ToHex(lines), c.lines.empty() ? "" : ToHex(Le32(link.lastId) + c.lines));
    }
    // A folder that fails its check never reaches the host.
    link.notices.clear();
    EXPECT_EQ(ToHex(link.Request(38, Interned("local") + Text("missing"))), "00");
    EXPECT_EQ(ToHex(host.Request(181, Bytes())), "01");
    EXPECT_TRUE(host.notices.empty());
}

TEST_F(StoreValidation, WithoutAnAnswerTheValidationDidNotRun) {
    ::setenv("VADDAEMON_HOST_WAIT_MS", "300", 1);
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    // No host, and no utility in this installation to start as one.
    auto [ok, lines] = Validate(link);
    EXPECT_EQ(ok, "00");
    EXPECT_EQ(ToHex(lines), ToHex(Le32(link.lastId) + Entries(3, "The folder \"good\" was not validated: no command "
                                                                   "host could be started.")));

    // A host that takes the job and does not answer in time; its late reply
    // is taken for that job, so the next job gets its own.
    RawLink host;
    ASSERT_NO_FATAL_FAILURE(RegisterHost(host));
    std::tie(ok, lines) = Validate(link);
    EXPECT_EQ(ok, "00");
    EXPECT_EQ(ToHex(lines), ToHex(Le32(link.lastId) + Entries(3, "The folder \"good\" was not validated: the command "
                                                                   "host did not answer in time.")));
    RawLink::Frame job;
    ASSERT_TRUE(host.Next(job));
    ASSERT_TRUE(host.SendFrame(141, 0, Entries(3, "Late.") + Hex("01")));
    std::thread answer([&] {
        RawLink::Frame next;
        ASSERT_TRUE(host.Next(next));
        host.SendFrame(141, 0, Le32(0) + Le32(0) + Hex("01"));
    });
    std::tie(ok, lines) = Validate(link);
    answer.join();
    EXPECT_EQ(ok, "01");
    EXPECT_TRUE(lines.empty());

    // A host whose link drops while the job waits.
    std::thread drop([&] {
        RawLink::Frame next;
        ASSERT_TRUE(host.Next(next));
        host.Close();
    });
    std::tie(ok, lines) = Validate(link);
    drop.join();
    EXPECT_EQ(ok, "00");
    EXPECT_EQ(ToHex(lines), ToHex(Le32(link.lastId) + Entries(3, "The folder \"good\" was not validated: the command "
                                                                   "host's link dropped.")));
    ::unsetenv("VADDAEMON_HOST_WAIT_MS");
}

TEST_F(StoreValidation, AHostDoesNotKeepTheDaemonFromIdlingOut) {
    ::setenv("VADDAEMON_IDLE_S", "1", 1);
    RawLink host;
    ASSERT_NO_FATAL_FAILURE(RegisterHost(host));
    EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));
    RawLink::Frame frame;
    EXPECT_FALSE(host.Next(frame, 2000));
}

}  // namespace

// URL requests through the daemon: the start, status by reply, by request
// and by notice, and the release.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/client/VADSendRequest.h"
#include "foundation/streams/BufferStream.h"
#include "assetdb/urls/VADUrlRequest.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"

namespace {

using namespace VorlexTest;

const char* const kUrl = "https://example.org/search.php?q=1";

// A status: finished, three values, file, text.
Bytes Status(uint8_t finished, int32_t result, const std::string& file = "", const std::string& text = "") {
    return Bytes().U8(finished).I32(result).I32(11).I32(12).Str(file).PStr(text);
}

URLRecord Url() {
    URLRecord url;
    url.Parse(kUrl);
    return url;
}

class VADUrlRequestTest : public LinkTest {
protected:
    // The fake reads these on its own thread.
    void SetStart(const Bytes& reply) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_start = reply;
    }
    void SetStatus(std::function<bool(const Frame&, FrameLink&)> status) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_status = std::move(status);
    }
    void SetNotice(const Bytes& notice) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_notice = notice;
    }

    // What operations 230 and 232 are answered with; anything else gets an
    // empty reply.
    std::mutex m_lock;
    Bytes m_notice;
    Bytes m_start = Bytes().I64(0x500000007).Add(Status(0, 0));
    std::function<bool(const Frame&, FrameLink&)> m_status = [](const Frame& f, FrameLink& link) {
        return link.Reply(f.id, {});
    };
    FrameDaemon m_fake{[this](const Frame& frame, FrameLink& link) {
        std::lock_guard<std::mutex> hold(m_lock);
        if (frame.op == 230) return link.Reply(frame.id, m_start);
        if (frame.op == 232) return m_status(frame, link);
        if (frame.op == 200) {
            // Unprompted status notices: one about an unknown handle, then
            // the test's own.
            link.Notice(4, Bytes().I64(99).Add(Status(1, 5)));
            return link.Notice(4, m_notice);
        }
        return FrameDaemon::ReplyEmpty(frame, link);
    }};
    std::optional<VADUrlRequestService> m_service{std::in_place};
};

TEST_F(VADUrlRequestTest, TheStartSendsTheUrlAndAFinishedReplyNeedsNoMore) {
    SetStart(Bytes().I64(0x500000007).Add(Status(1, 3, "cache\\result.txt", "done")));
    ASSERT_TRUE(Open());
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(Url(), 2));
    ASSERT_EQ(m_fake.FramesOf(230).size(), 1u);
    EXPECT_EQ(HexText(m_fake.FramesOf(230)[0].payload),
              HexText(Bytes("00").PStr(kUrl).I32(2).I32(-1).Hex("41 43 53 24 01 00 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(request->GetHandle(), 0x500000007);
    EXPECT_TRUE(request->IsComplete());
    EXPECT_EQ(request->GetResultCode(), 3);
    Vek::File::Path file;
    Vek::PString text;
    EXPECT_TRUE(request->GetResultFile(file, text));
    EXPECT_STREQ(file.c_str(), "cache\\result.txt");
    EXPECT_STREQ(text.c_str(), "done");
    EXPECT_TRUE(m_fake.FramesOf(232).empty());

    request.reset();
    ASSERT_TRUE(m_fake.WaitForFrames(231, 1));
    EXPECT_EQ(m_fake.FramesOf(231)[0].payload, Bytes("07 00 00 00 05 00 00 00").Vec());
    EXPECT_EQ(m_fake.FramesOf(231)[0].id, 0) << "one-way";
}

TEST_F(VADUrlRequestTest, NoticesMoveTheStatusWithoutRequests) {
    SetNotice(Bytes().I64(0x500000007).Add(Status(1, 7, "", "text only")));
    ASSERT_TRUE(Open());
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(Url(), 0));
    EXPECT_FALSE(request->IsComplete()) << "known and unfinished: no request";
    TBuffer poke;
    VADPostMessage(200, poke);
    EXPECT_TRUE(WaitUntil([&] { return request->IsComplete(); }));
    EXPECT_EQ(request->GetResultCode(), 7);
    Vek::File::Path file;
    Vek::PString text;
    EXPECT_FALSE(request->GetResultFile(file, text)) << "no file, whatever the text";
    EXPECT_STREQ(text.c_str(), "text only");
    EXPECT_TRUE(m_fake.FramesOf(232).empty());
}

// A status notice lands while operation 232 is on its way, and the reply,
// older than the notice, says unfinished: the request stays finished.
TEST_F(VADUrlRequestTest, ANoticeRacingTheStatusRequestWins) {
    SetStatus([](const Frame& f, FrameLink& link) {
        link.Notice(4, Bytes().I64(0x500000007).Add(Status(1, 7)));
        return link.Reply(f.id, Status(0, 1));
    });
    ASSERT_TRUE(Open());
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(Url(), 2));
    VADUrlRequestStatus status;
    request->GetStatus(status);
    EXPECT_TRUE(status.finished);
    EXPECT_EQ(status.resultCode, 7);
    EXPECT_TRUE(request->IsComplete());
}

TEST_F(VADUrlRequestTest, RequestsThatCannotEndByThemselvesFinishWithResult0) {
    ASSERT_TRUE(Open());
    // An empty status reply reads as finished with result 0.
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(Url(), 2));
    VADUrlRequestStatus status;
    request->GetStatus(status);
    EXPECT_TRUE(status.finished);
    EXPECT_EQ(status.resultCode, 0);
    ASSERT_EQ(m_fake.FramesOf(232).size(), 1u);
    EXPECT_EQ(m_fake.FramesOf(232)[0].payload, Bytes("07 00 00 00 05 00 00 00").Vec());

    // A status request that fails (the link ends instead of a reply).
    SetStatus([](const Frame&, FrameLink&) { return false; });
    std::unique_ptr<VADUrlRequest> second(VADStartUrlRequest(Url(), 2));
    EXPECT_FALSE(second->IsComplete());
    EXPECT_EQ(second->GetResultCode(), 0);
    EXPECT_TRUE(second->IsComplete());

    // A start the daemon refuses: handle -1, finished at once, released with -1.
    ASSERT_TRUE(Open());
    SetStart(Bytes().I64(-1));
    m_fake.ClearFrames();
    std::unique_ptr<VADUrlRequest> refused(VADStartUrlRequest(Url(), 2));
    EXPECT_EQ(refused->GetHandle(), -1);
    EXPECT_TRUE(refused->IsComplete());
    EXPECT_EQ(refused->GetResultCode(), 0);
    EXPECT_TRUE(m_fake.FramesOf(232).empty());
    refused->Release();
    ASSERT_TRUE(m_fake.WaitForFrames(231, 1));
    EXPECT_EQ(m_fake.FramesOf(231)[0].payload, Bytes("ff ff ff ff ff ff ff ff").Vec());
}

TEST_F(VADUrlRequestTest, AStartWithTheDatabaseClosedIsAFinishedFailure) {
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(Url(), 2));
    EXPECT_EQ(request->GetHandle(), -1);
    EXPECT_TRUE(request->IsComplete());
    EXPECT_EQ(request->GetResultCode(), 0);
    EXPECT_STREQ(request->GetUrl().host, "example.org");
}

TEST_F(VADUrlRequestTest, NoticesAreDroppedWhileTheServiceIsOff) {
    SetStatus([](const Frame& f, FrameLink& link) {
        link.Notice(4, Bytes().I64(0x500000007).Add(Status(1, 7)));
        return link.Reply(f.id, Status(0, 1));
    });
    m_service.reset();
    ASSERT_TRUE(Open());
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(Url(), 2));
    VADUrlRequestStatus status;
    request->GetStatus(status);
    EXPECT_FALSE(status.finished) << "the notice was not taken";
    EXPECT_EQ(status.resultCode, 1);
}

}  // namespace

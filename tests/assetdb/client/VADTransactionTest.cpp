// Requests, replies, one-way messages and log-line notices on the daemon
// link, against the in-process fake daemon. Frames are compared with golden
// bytes spelt out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "assetdb/client/VADSendRequest.h"
#include "assetdb/client/VADTransactionIds.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/streams/BufferStream.h"

namespace {

using namespace VorlexTest;

std::vector<uint8_t> Contents(TBuffer& stream) {
    return std::vector<uint8_t>(stream.GetData(), stream.GetData() + stream.GetDataSize());
}

// One entry block: status 0, one entry of the severity with the text and no
// property.
Bytes EntryBlock(int32_t severity, const std::string& text) {
    return Bytes().I32(0).I32(1).I32(severity).Str(text).I32(0);
}

class VADTransactionTest : public LinkTest {};

TEST_F(VADTransactionTest, FramesGoOutAsTheTablesSay) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        if (frame.id == 0) return true;
        // Operation 7 is answered with three bytes, anything else with none.
        return link.Reply(frame.id, frame.op == 7 ? Bytes("aa bb cc").Vec() : std::vector<uint8_t>{});
    });
    ASSERT_TRUE(Open());
    SetNextVADTransactionIdForTesting(0x01020304);

    TBuffer request;
    request.Write("\x10\x20\x30", 3);
    request.Rewind();
    request.SetPosition(1);  // only the bytes from the position go out
    TBuffer reply;
    reply.Write("xy", 2);  // the reply lands at the position
    ASSERT_TRUE(VADSendRequest(7, request, reply));
    EXPECT_EQ(Contents(reply), Bytes("78 79 aa bb cc").Vec());

    TBuffer empty;
    TBuffer untouched;
    untouched.Write("z", 1);
    ASSERT_TRUE(VADSendRequest(8, empty, untouched)) << "an empty reply still succeeds";
    EXPECT_EQ(Contents(untouched), Bytes("7a").Vec());

    TBuffer message;
    message.Write("\x01", 1);
    message.Rewind();
    ASSERT_TRUE(VADPostMessage(9, message));
    ASSERT_TRUE(fake.WaitForFrames(9, 1));

    const std::vector<Frame> frames = fake.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].op, 7);
    EXPECT_EQ(frames[0].id, 0x01020304);
    EXPECT_EQ(frames[0].payload, Bytes("20 30").Vec());
    EXPECT_EQ(frames[1].op, 8);
    EXPECT_EQ(frames[1].id, 0x01020305);
    EXPECT_TRUE(frames[1].payload.empty());
    EXPECT_EQ(frames[2].op, 9);
    EXPECT_EQ(frames[2].id, 0) << "one-way";
    EXPECT_EQ(frames[2].payload, Bytes("01").Vec());
    EXPECT_EQ(VADRegisteredTransactionCount(), 0u);
}

TEST_F(VADTransactionTest, ALargeReplyArrivesWholeInPieces) {
    std::vector<uint8_t> body(200000);
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7);
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) { return link.Reply(frame.id, body); });
    ASSERT_TRUE(Open());
    TBuffer request;
    TBuffer reply;
    ASSERT_TRUE(VADSendRequest(5, request, reply));
    EXPECT_EQ(Contents(reply), body);
    ASSERT_TRUE(VADSendRequest(5, request, reply)) << "the link is still in step";
}

// The reader takes frames out of whatever each receive brings: a log line,
// the reply and a notice after it in one write, or the same bytes in small
// pieces, with bodies smaller and larger than its buffer. Each request gets
// its body and its line, and the link stays in step.
TEST_F(VADTransactionTest, FramesAreReadWholeHoweverTheyArrive) {
    struct Case {
        std::size_t bodyBytes;
        std::size_t pieceBytes;  // 0: all in one write
    };
    const Case cases[] = {{10, 0}, {150000, 0}, {10, 1}, {70000, 4093}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bodyBytes) + " in pieces of " + std::to_string(c.pieceBytes));
        std::vector<uint8_t> body(c.bodyBytes);
        for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 13 + c.bodyBytes);
        FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
            Bytes bytes;
            const Bytes line = Bytes().I32(frame.id).Add(EntryBlock(1, "working"));
            bytes.Hex("65 74 6f 6e").I32(3).I32(static_cast<int32_t>(line.Vec().size())).Add(line);
            bytes.Hex("6c 70 65 72").I32(frame.id).I32(static_cast<int32_t>(body.size()));
            std::vector<uint8_t> all = bytes.Vec();
            all.insert(all.end(), body.begin(), body.end());
            const Bytes after = Bytes().Hex("65 74 6f 6e").I32(99).I32(2).Hex("01 02");
            all.insert(all.end(), after.Vec().begin(), after.Vec().end());
            const std::size_t piece = c.pieceBytes ? c.pieceBytes : all.size();
            for (std::size_t at = 0; at < all.size(); at += piece) {
                const std::size_t n = std::min(piece, all.size() - at);
                if (!link.Send(std::vector<uint8_t>(all.begin() + at, all.begin() + at + n))) return false;
            }
            return true;
        });
        ASSERT_TRUE(Open());
        for (int round = 0; round < 2; ++round) {
            ResultsLog log;
            TBuffer request, reply;
            ASSERT_TRUE(VADSendRequest(5, request, reply, nullptr, &log)) << round;
            EXPECT_EQ(Contents(reply), body) << round;
            EXPECT_EQ(log.GetEntryCount(), 1u) << round;
        }
        VADCloseDatabase();
    }
}

TEST_F(VADTransactionTest, RepliesOutOfOrderReachTheirOwnRequesters) {
    // The first request is held until the second has come; then the second
    // is answered before the first.
    std::vector<Frame> held;
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
        held.push_back(frame);
        if (held.size() < 2) return true;
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            link.Reply(it->id, Bytes().I32(it->op).Vec());
        held.clear();
        return true;
    });
    ASSERT_TRUE(Open());
    int32_t answers[2] = {0, 0};
    bool ok[2] = {false, false};
    std::thread first([&] {
        TBuffer request, reply;
        ok[0] = VADSendRequest(11, request, reply);
        reply.Rewind();
        reply.ReadInt32(answers[0]);
    });
    ASSERT_TRUE(fake.WaitForFrames(11, 1));
    std::thread second([&] {
        TBuffer request, reply;
        ok[1] = VADSendRequest(22, request, reply);
        reply.Rewind();
        reply.ReadInt32(answers[1]);
    });
    first.join();
    second.join();
    EXPECT_TRUE(ok[0] && ok[1]);
    EXPECT_EQ(answers[0], 11);
    EXPECT_EQ(answers[1], 22);
}

TEST_F(VADTransactionTest, LogLinesReachTheRequestsLogAndStrayOnesAreDropped) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        // A stray block for an id nobody registered, then the request's own,
        // then a reply nobody waits for, then the reply.
        link.Notice(3, Bytes().I32(999999).Add(EntryBlock(3, "stray")));
        link.Notice(3, Bytes().I32(frame.id).Add(EntryBlock(3, "disk full")));
        link.Reply(777777, Bytes("01 02 03"));
        return link.Reply(frame.id, Bytes("05"));
    });
    ASSERT_TRUE(Open());
    ResultsLog log;
    TBuffer request, reply;
    ASSERT_TRUE(VADSendRequest(40, request, reply, nullptr, &log));
    EXPECT_EQ(Contents(reply), Bytes("05").Vec());
    ASSERT_EQ(log.GetEntryCount(), 1u);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(), "disk full");
    EXPECT_EQ(log.GetErrorCount(), 1);
    // The next request finds the link in step.
    ResultsLog second;
    ASSERT_TRUE(VADSendRequest(40, request, reply, nullptr, &second));
    EXPECT_EQ(second.GetEntryCount(), 1u);
    EXPECT_NE(LogText().find("received reply for unknown clientTransactionID=777777"), std::string::npos);
}

// A log-line notice adds at most kMaxVADNoticeLogLines lines (and at most
// kMaxVADNoticeLogTextBytes of text, a bound ResultsLogTest checks); the
// rest is dropped, with one line that counts it. A notice of a few bytes that announces a million lines
// costs one pass over the kept ones, for a request's log and for the
// daemon's own messages (transaction 0) alike, and a message the word
// already has is kept once.
TEST_F(VADTransactionTest, ALogLineNoticeAddsNoMoreThanItsBounds) {
    const auto million = [](int32_t id) { return Bytes().I32(id).I32(0).I32(1000000).U8(0); };
    Bytes lines = Bytes().I32(0).I32(0).I32(150000);
    for (int32_t i = 0; i < 150000; ++i) lines.I32(3).Str("line " + std::to_string(i % 120000)).I32(0);
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
        return link.Notice(3, million(0)) && link.Notice(3, million(frame.id)) && link.Notice(3, lines) &&
               link.Notice(3, lines) && link.Reply(frame.id, {});
    });
    ASSERT_EQ(million(0).Vec().size(), 13u);
    ASSERT_TRUE(Open());
    VADTakeRequestFailures();
    ResultsLog log;
    TBuffer request, reply;
    ASSERT_TRUE(VADSendRequest(40, request, reply, nullptr, &log));

    const auto dropped = [](std::size_t count) {
        return "The daemon sent " + std::to_string(count) +
               " more log lines in one notice than are kept (at most 100000 lines and 16 MiB of text); they were "
               "dropped.";
    };
    // The request's log: the kept empty lines and a warning.
    ASSERT_EQ(log.GetEntryCount(), kMaxVADNoticeLogLines + 1);
    EXPECT_EQ(log.GetWarningCount(), 1);
    EXPECT_EQ(std::string(log.GetEntry(kMaxVADNoticeLogLines).text.c_str()), dropped(900000));

    // The daemon's own messages: the empty lines say nothing; of the second
    // notice's lines the first 100000 (all different) are kept, and its
    // repetition adds nothing.
    const std::vector<std::string> messages = VADTakeRequestFailures();
    ASSERT_EQ(messages.size(), 1 + kMaxVADNoticeLogLines + 1);
    EXPECT_EQ(messages[0], dropped(900000));
    EXPECT_EQ(messages[1], "line 0");
    EXPECT_EQ(messages[kMaxVADNoticeLogLines], "line 99999");
    EXPECT_EQ(messages.back(), dropped(50000));
}

TEST_F(VADTransactionTest, AKeptLogGetsLaterLinesUntilItIsForgotten) {
    std::atomic<int32_t> keptId{0};
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
        if (frame.op == 3) {
            keptId = frame.id;
            return link.Reply(frame.id, {});
        }
        // Any later frame: lines for the kept id, then the reply.
        link.Notice(3, Bytes().I32(keptId).Add(EntryBlock(1, "later")));
        return link.Reply(frame.id, {});
    });
    ASSERT_TRUE(Open());
    auto kept = std::make_unique<ResultsLog>();
    TBuffer request, reply;
    ASSERT_TRUE(VADSendRequest(3, request, reply, nullptr, kept.get(), true));
    ASSERT_TRUE(VADSendRequest(4, request, reply));
    EXPECT_EQ(kept->GetEntryCount(), 1u) << "the log stays registered after the reply";

    VADForgetTransactionLog(kept.get());
    ASSERT_TRUE(VADSendRequest(4, request, reply));
    EXPECT_EQ(kept->GetEntryCount(), 1u);
    // A kept log that simply ends is gone from the registry as well.
    ASSERT_TRUE(VADSendRequest(3, request, reply, nullptr, kept.get(), true));
    kept.reset();
    ASSERT_TRUE(VADSendRequest(4, request, reply)) << "its lines are read and dropped";
}

TEST_F(VADTransactionTest, TheLinkDroppingDuringAWaitFailsTheRequest) {
    FrameDaemon fake([](const Frame&, FrameLink&) { return false; });
    ASSERT_TRUE(Open());
    ResultsLog log;
    TBuffer request, reply;
    EXPECT_FALSE(VADSendRequest(2, request, reply, nullptr, &log));
    EXPECT_FALSE(VADIsConnected());
    EXPECT_EQ(VADRegisteredTransactionCount(), 0u);
    EXPECT_EQ(reply.GetDataSize(), 0);
}

TEST_F(VADTransactionTest, BadReplyLengthsEndTheLink) {
    // A negative body length, then (on the next link) a length beyond the
    // bound with a few bytes only.
    std::atomic<int> replies{0};
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
        const int32_t length = replies++ == 0 ? -5 : 0x40000001;
        return link.Send(Bytes().Hex("6c 70 65 72").I32(frame.id).I32(length).Hex("01 02"));
    });
    ASSERT_TRUE(Open());
    for (int i = 0; i < 2; ++i) {
        TBuffer request, reply;
        EXPECT_FALSE(VADSendRequest(2, request, reply)) << i;
        EXPECT_FALSE(VADIsConnected()) << i;
        EXPECT_EQ(reply.GetDataSize(), 0) << i;
    }
}

TEST_F(VADTransactionTest, ABadNoticeLengthEndsTheLinkAndFailsTheWaiter) {
    FrameDaemon fake([](const Frame&, FrameLink& link) {
        link.Send(Bytes().Hex("65 74 6f 6e").I32(3).I32(-1));
        return true;
    });
    ASSERT_TRUE(Open());
    TBuffer request, reply;
    EXPECT_FALSE(VADSendRequest(2, request, reply));
    EXPECT_FALSE(VADIsConnected());
}

// A daemon that stops answering: the first request gives up after the
// inactivity bound, and the requests after it fail at once with the same
// cause, without going out, until the daemon sends a frame again.
TEST_F(VADTransactionTest, ASilentDaemonCostsOneBoundThenRequestsFailAtOnce) {
    ::setenv("VORLEX_INACTIVITY_MS", "200", 1);
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        if (frame.op == 2) return true;  // never answered
        if (frame.op == 50) return link.Notice(99, Bytes("01"));
        return frame.id == 0 || link.Reply(frame.id, Bytes("07"));
    });
    ASSERT_TRUE(Open());
    VADTakeRequestFailures();
    TBuffer request, reply;
    EXPECT_FALSE(VADSendRequest(2, request, reply));
    EXPECT_TRUE(VADDaemonIsSilent());
    for (int op : {21, 21, 90}) EXPECT_FALSE(VADSendRequest(op, request, reply)) << op;
    const std::string cause =
        "The daemon sent nothing for 1 s while waiting for its reply to operation 2; gave up waiting.";
    EXPECT_EQ(VADTakeRequestFailures(), std::vector<std::string>{cause});
    // A one-way message still goes out on the standing link; its notice
    // shows the daemon at work again.
    EXPECT_TRUE(VADPostMessage(50, request));
    ASSERT_TRUE(WaitUntil([] { return !VADDaemonIsSilent(); }));
    ASSERT_TRUE(VADSendRequest(21, request, reply));
    EXPECT_EQ(Contents(reply), Bytes("07").Vec());
    std::vector<int32_t> ops;
    for (const Frame& frame : fake.Frames()) ops.push_back(frame.op);
    EXPECT_EQ(ops, (std::vector<int32_t>{2, 50, 21}));
    ::unsetenv("VORLEX_INACTIVITY_MS");
}

TEST_F(VADTransactionTest, RequestsFailAtOnceWhileTheDatabaseIsClosed) {
    TBuffer request, reply;
    EXPECT_FALSE(VADSendRequest(2, request, reply));
    EXPECT_FALSE(VADPostMessage(2, request));
    EXPECT_EQ(VADRegisteredTransactionCount(), 0u);
}

// Many requesters at once while the daemon sends notices before each
// reply: each gets its own reply and its own log line. Run under
// ThreadSanitizer too: the reader hands each body over with its reply.
TEST_F(VADTransactionTest, ManyRequestersShareTheLink) {
    FrameDaemon fake([&](const Frame& frame, FrameLink& link) {
        link.Notice(3, Bytes().I32(frame.id).Add(EntryBlock(1, "working")));
        link.Notice(99, Bytes("01 02"));
        return link.Reply(frame.id, frame.payload);
    });
    ASSERT_TRUE(Open());
    constexpr int kThreads = 6;
    constexpr int kRounds = 20;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                ResultsLog log;
                TBuffer request, reply;
                request.WriteInt32(t * 1000 + round);
                request.Rewind();
                int32_t echoed = -1;
                if (!VADSendRequest(30, request, reply, nullptr, &log)) {
                    ++failures;
                    continue;
                }
                reply.Rewind();
                reply.ReadInt32(echoed);
                if (echoed != t * 1000 + round || log.GetEntryCount() != 1) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(VADRegisteredTransactionCount(), 0u);
    // Notices of unknown types went to the main thread's queue.
    PumpUntil([] { return false; }, 50);
}

}  // namespace

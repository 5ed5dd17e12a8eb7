#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>

#include <numeric>
#include <thread>
#include <vector>

#include "foundation/network/DaemonTransfer.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/network/SSLTransport.h"
#include "foundation/network/TlsLibrary.h"
#include "foundation/network/TCPTransport.h"
#include "foundation/network/LoopbackPeer.h"

namespace {

using VorlexTest::LoopbackListener;

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A stray SIGPIPE must kill the test rather than pass unseen.
        ::signal(SIGPIPE, SIG_DFL);
        InitializeNetwork();
    }
};

std::vector<uint8_t> Pattern(std::size_t n) {
    std::vector<uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST_F(TransportTest, MovesSeventyThousandBytesBothWays) {
    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.Port());
    ASSERT_EQ(transport.GetError(), 0);
    int peer = listener.Accept();
    ASSERT_GE(peer, 0);

    const std::vector<uint8_t> out = Pattern(70000);
    std::vector<uint8_t> atPeer(out.size());
    std::thread reader([&] { EXPECT_TRUE(VorlexTest::ReadAll(peer, atPeer.data(), atPeer.size())); });
    EXPECT_TRUE(SendOnTransport(transport, out.data(), static_cast<int32_t>(out.size())));
    reader.join();
    EXPECT_EQ(atPeer, out);

    // The peer writes in small pieces: the receive goes on until all came.
    std::thread writer([&] {
        for (std::size_t at = 0; at < out.size(); at += 1000)
            ::send(peer, out.data() + at, std::min<std::size_t>(1000, out.size() - at), 0);
    });
    std::vector<uint8_t> in(out.size());
    EXPECT_TRUE(ReceiveOnTransport(transport, in.data(), static_cast<int32_t>(in.size())));
    writer.join();
    EXPECT_EQ(in, out);
    EXPECT_EQ(transport.GetError(), 0);
    ::close(peer);
}

TEST_F(TransportTest, PeerCloseGivesStickyErrorSevenWithoutSigpipe) {
    LoopbackListener listener;
    TCPTransport transport("localhost", listener.Port());
    int peer = listener.Accept();
    ::close(peer);

    char byte;
    EXPECT_FALSE(ReceiveOnTransport(transport, &byte, 1));
    EXPECT_EQ(transport.GetError(), NetTransport::kErrorTransfer);
    // Sticky: nothing is tried again, and a send to the dead peer is an error,
    // not a signal.
    const std::vector<uint8_t> data = Pattern(100000);
    EXPECT_FALSE(SendOnTransport(transport, data.data(), static_cast<int32_t>(data.size())));
    EXPECT_FALSE(ReceiveOnTransport(transport, &byte, 1));
    EXPECT_TRUE(SendOnTransport(transport, data.data(), 0)) << "a length of 0 is done at once";

    // A fresh transport sending into a closed peer records error 7 too.
    TCPTransport second("127.0.0.1", listener.Port());
    int peer2 = listener.Accept();
    ::close(peer2);
    bool sent = true;
    for (int i = 0; i < 50 && sent; ++i) sent = SendOnTransport(second, data.data(), static_cast<int32_t>(data.size()));
    EXPECT_FALSE(sent);
    EXPECT_EQ(second.GetError(), NetTransport::kErrorTransfer);
}

TEST_F(TransportTest, ConnectFailuresLeaveNoSocketAndErrorTwo) {
    struct Case {
        const char* host;
        uint16_t port;
    };
    const uint16_t closed = VorlexTest::ClosedPort();
    for (const Case& c : {Case{"127.0.0.1", closed}, Case{"", closed}, Case{nullptr, closed},
                          Case{"no.such.host.invalid", 80}}) {
        TCPTransport transport(c.host, c.port);
        EXPECT_EQ(transport.GetSocket(), -1) << (c.host ? c.host : "(null)");
        EXPECT_EQ(transport.GetError(), NetTransport::kErrorNoSocket) << (c.host ? c.host : "(null)");
        char byte = 0;
        EXPECT_FALSE(SendOnTransport(transport, &byte, 1));
    }
}

TEST_F(TransportTest, OperationsCloneAndHasData) {
    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.Port());
    int peer = listener.Accept();
    EXPECT_FALSE(transport.HasData());
    ::send(peer, "abc", 3, 0);
    for (int i = 0; i < 100 && !transport.HasData(); ++i) ::usleep(1000);
    EXPECT_TRUE(transport.HasData());
    char buffer[3];
    EXPECT_EQ(transport.Peek(buffer, 3), 3);
    EXPECT_EQ(transport.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(transport.Write("xy", 2), 2);

    LoopbackListener other;
    std::unique_ptr<TCPTransport> clone(transport.Clone(other.Port()));
    int clonePeer = other.Accept();
    EXPECT_GE(clonePeer, 0);
    EXPECT_EQ(clone->GetError(), 0);
    EXPECT_STREQ(clone->GetHost(), "127.0.0.1");
    EXPECT_EQ(clone->GetPort(), other.Port());

    transport.Close();
    EXPECT_EQ(transport.GetError(), NetTransport::kErrorClosed);
    EXPECT_EQ(transport.GetSocket(), -1);
    ::close(peer);
    ::close(clonePeer);
}

TEST_F(TransportTest, DaemonTransfersNeedTheRegisteredTransport) {
    char byte = 1;
    SetDaemonTransport(nullptr);
    EXPECT_FALSE(SendToDaemon(&byte, 1));
    EXPECT_FALSE(ReceiveFromDaemon(&byte, 1));

    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.Port());
    int peer = listener.Accept();
    SetDaemonTransport(&transport);
    EXPECT_TRUE(SendToDaemon("q", 1));
    char got = 0;
    ASSERT_TRUE(VorlexTest::ReadAll(peer, &got, 1));
    EXPECT_EQ(got, 'q');
    SetDaemonTransport(nullptr);
    ::close(peer);
}

// A receive with a time limit: bytes that come in pieces within it are
// taken whole; a peer that sends too few gives up at the limit without an
// error, and one that closes is an error, not a time-out. Some bytes at
// once: as many as the link holds, up to the room given.
TEST_F(TransportTest, ReceivesWithinATimeLimitAndWhatHasArrived) {
    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.Port());
    int peer = listener.Accept();
    const std::vector<uint8_t> out = Pattern(3000);
    std::thread writer([&] {
        for (std::size_t at = 0; at < out.size(); at += 1000) ::send(peer, out.data() + at, 1000, 0);
    });
    std::vector<uint8_t> in(out.size());
    bool timedOut = true;
    EXPECT_TRUE(ReceiveOnTransportWithin(transport, in.data(), static_cast<int32_t>(in.size()), 10000, timedOut));
    writer.join();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(in, out);

    ASSERT_EQ(::send(peer, out.data(), 10, 0), 10);
    uint8_t some[64];
    int32_t got = 0;
    for (int32_t n; got < 10 && (n = ReceiveSomeOnTransport(transport, some + got, sizeof some - got)) > 0;) got += n;
    EXPECT_EQ(got, 10);
    EXPECT_EQ(std::vector<uint8_t>(some, some + 10), std::vector<uint8_t>(out.begin(), out.begin() + 10));

    ASSERT_EQ(::send(peer, out.data(), 3, 0), 3);
    EXPECT_FALSE(ReceiveOnTransportWithin(transport, in.data(), 4, 100, timedOut));
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(transport.GetError(), 0);

    ::close(peer);
    EXPECT_FALSE(ReceiveOnTransportWithin(transport, in.data(), 4, 10000, timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(transport.GetError(), NetTransport::kErrorTransfer);
    EXPECT_EQ(ReceiveSomeOnTransport(transport, some, sizeof some), 0) << "the error is sticky";
}

TEST_F(TransportTest, ShutdownWakesABlockedReceive) {
    LoopbackListener listener;
    TCPTransport transport("127.0.0.1", listener.Port());
    int peer = listener.Accept();
    std::thread reader([&] {
        char byte;
        EXPECT_FALSE(ReceiveOnTransport(transport, &byte, 1));
    });
    ::usleep(50000);
    transport.Shutdown();
    reader.join();
    EXPECT_EQ(transport.GetError(), NetTransport::kErrorTransfer);
    ::close(peer);
}

TEST_F(TransportTest, TlsTransportWithoutConnection) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    SSLTransport transport(fds[0], nullptr);
    char buffer[4];
    EXPECT_EQ(transport.Read(buffer, 4), -1);
    EXPECT_EQ(transport.Peek(buffer, 4), -1);
    EXPECT_EQ(transport.Write("ab", 2), -1);
    EXPECT_EQ(transport.Clone(80), nullptr);
    EXPECT_TRUE(transport.HasData());
    EXPECT_EQ(transport.Close(), 0);
    EXPECT_EQ(transport.GetError(), NetTransport::kErrorClosed);
    EXPECT_EQ(transport.GetSocket(), -1);
    ::close(fds[1]);

    // A real TLS object from the client context is freed with the transport.
    SSL_CTX* context = GetClientContext();
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const TlsLibrary* tls = GetTlsLibrary();
    ASSERT_NE(tls, nullptr);
    SSL* connection = tls->SSL_new(context);
    ASSERT_NE(connection, nullptr);
    tls->SSL_set_fd(connection, fds[0]);
    { SSLTransport owning(fds[0], connection); }
    ::close(fds[1]);
}

}  // namespace

#include "online/DatagramSocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "foundation/network/HostResolver.h"
#include "online/DatagramPeer.h"

namespace {

// A plain UDP socket on 127.0.0.1 that plays the remote end.
class RemoteEnd {
public:
    RemoteEnd() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof m_address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&m_address), &length);
    }
    ~RemoteEnd() { ::close(m_fd); }
    uint16_t Port() const { return ntohs(m_address.sin_port); }
    void SendTo(uint16_t port, uint8_t value) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(m_fd, &value, 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    // Blocks until a datagram arrives (the sender has sent it already).
    std::vector<uint8_t> Receive() {
        std::vector<uint8_t> bytes(2048);
        ssize_t got = ::recv(m_fd, bytes.data(), bytes.size(), 0);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    }

private:
    int m_fd = -1;
    sockaddr_in m_address{};
};

struct Received {
    std::vector<std::vector<uint8_t>> datagrams;
    static void Take(void* self, const uint8_t* bytes, int length) {
        static_cast<Received*>(self)->datagrams.emplace_back(bytes, bytes + length);
    }
};

void PointAtLoopback(DatagramPeer& peer, uint16_t port) {
    peer.Address().sin_family = AF_INET;
    peer.Address().sin_port = htons(port);
    peer.Address().sin_addr.s_addr = htonl(INADDR_LOOPBACK);
}

// Open descriptors of this process.
std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

class DatagramSocketTest : public ::testing::Test {
protected:
    void SetUp() override { AddResolverUse(); }
    void TearDown() override { ReleaseResolverUse(); }
};

TEST_F(DatagramSocketTest, PollTakesAtMost32DatagramsAndLeavesTheRest) {
    DatagramSocket socket;
    socket.Open();
    ASSERT_TRUE(socket.IsOpen());
    RemoteEnd remote;
    DatagramPeer peer;
    Received received;
    peer.SetCallback(&Received::Take, &received);
    socket.AttachPeer(&peer, "localhost", remote.Port());
    for (int i = 0; i < 40; ++i) remote.SendTo(socket.LocalPort(), static_cast<uint8_t>(i));
    // Loopback datagrams are queued by the time sendto returns.
    socket.Poll();
    EXPECT_EQ(received.datagrams.size(), 32u);
    socket.Poll();
    ASSERT_EQ(received.datagrams.size(), 40u);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(received.datagrams[i], std::vector<uint8_t>{static_cast<uint8_t>(i)});
    EXPECT_FALSE(socket.PollOnce()) << "nothing left";
}

TEST_F(DatagramSocketTest, ADatagramFromTheRightAddressButAnotherPortIsReadAndDropped) {
    DatagramSocket socket;
    socket.Open();
    RemoteEnd remote, stranger;
    DatagramPeer peer;
    Received received;
    peer.SetCallback(&Received::Take, &received);
    socket.AttachPeer(&peer, "127.0.0.1", remote.Port());
    stranger.SendTo(socket.LocalPort(), 7);
    EXPECT_TRUE(socket.PollOnce()) << "a datagram was consumed";
    EXPECT_TRUE(received.datagrams.empty());
    EXPECT_EQ(socket.DroppedCount(), 1u);
    EXPECT_FALSE(socket.PollOnce());
}

TEST_F(DatagramSocketTest, SendReachesThePeerAndIsRefusedWithoutSocketOrAddress) {
    DatagramSocket socket;
    socket.Open();
    RemoteEnd remote;
    DatagramPeer peer;
    const uint8_t bytes[3] = {1, 2, 3};
    EXPECT_FALSE(peer.Send(bytes, 3)) << "no socket";

    socket.AttachPeer(&peer, "localhost", remote.Port());
    ASSERT_TRUE(peer.Send(bytes, 3));
    EXPECT_EQ(remote.Receive(), std::vector<uint8_t>({1, 2, 3}));

    // An all-zero address (what a failed lookup leaves) would reach this
    // host on Linux: refused.
    peer.Address().sin_addr.s_addr = htonl(INADDR_ANY);
    EXPECT_FALSE(peer.Send(bytes, 3));
}

TEST_F(DatagramSocketTest, RegistrationKeepsOrderAndAPeerIsOnOneSocketOnly) {
    DatagramSocket first, second;
    DatagramPeer a, b, c, loner;
    first.Register(&a);
    first.Register(&b);
    first.Register(&c);
    DatagramSocket::Unregister(&loner);  // not registered: nothing happens
    EXPECT_EQ(first.Peers(), (std::vector<DatagramPeer*>{&a, &b, &c}));

    DatagramSocket::Unregister(&b);
    EXPECT_EQ(first.Peers(), (std::vector<DatagramPeer*>{&a, &c}));
    EXPECT_EQ(b.Socket(), nullptr);

    second.AttachPeer(&c, "localhost", 9);
    EXPECT_EQ(first.Peers(), (std::vector<DatagramPeer*>{&a}));
    EXPECT_EQ(second.Peers(), (std::vector<DatagramPeer*>{&c}));
    EXPECT_EQ(c.Socket(), &second);
    EXPECT_EQ(ntohs(c.Address().sin_port), 9);
}

TEST_F(DatagramSocketTest, OpeningAgainClosesTheOldSocketAndKeepsThePeers) {
    DatagramSocket socket;
    const std::size_t before = OpenDescriptors();
    socket.Open();
    DatagramPeer peer;
    socket.Register(&peer);
    socket.Open();
    socket.Open();
    ASSERT_TRUE(socket.IsOpen());
    EXPECT_EQ(OpenDescriptors(), before + 1) << "each reopening closed the socket before";
    EXPECT_EQ(socket.Peers().size(), 1u);
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_TRUE(socket.Peers().empty());
    EXPECT_FALSE(socket.PollOnce());
}

}  // namespace

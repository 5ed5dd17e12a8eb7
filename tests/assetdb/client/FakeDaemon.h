#pragma once
// An in-process daemon for link tests: a loopback listener whose port is
// published in the installation's rendezvous block under the id of another
// live process (this test's parent), and a handler that serves each
// accepted connection on the fake's thread.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/client/IPCRendezvous.h"
#include "assetdb/client/VADLinkTags.h"
#include "assetdb/layout/InstallLayout.h"

namespace VorlexTest {

inline bool RecvAll(int fd, void* buffer, std::size_t n) {
    char* p = static_cast<char*>(buffer);
    while (n > 0) {
        ssize_t got = ::recv(fd, p, n, 0);
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

inline void PutWord(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline bool SendBytes(int fd, const std::vector<uint8_t>& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// Reads a hello: the five words and the path. The bytes read go to `seen`.
inline bool ReadHello(int fd, std::vector<uint8_t>& seen) {
    uint8_t head[20];
    if (!RecvAll(fd, head, sizeof head)) return false;
    seen.insert(seen.end(), head, head + sizeof head);
    uint32_t length = head[16] | head[17] << 8 | head[18] << 16 | static_cast<uint32_t>(head[19]) << 24;
    std::vector<uint8_t> path(length);
    if (length && !RecvAll(fd, path.data(), length)) return false;
    seen.insert(seen.end(), path.begin(), path.end());
    return true;
}

inline bool AnswerHello(int fd, uint32_t tag = kTagDaemonHello) {
    std::vector<uint8_t> reply;
    PutWord(reply, tag);
    PutWord(reply, 350);
    PutWord(reply, 0);
    return SendBytes(fd, reply);
}

// Reads everything until the peer closes.
inline std::vector<uint8_t> ReadToEnd(int fd) {
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    ssize_t got;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    return bytes;
}

class FakeDaemon {
public:
    using Handler = std::function<void(int fd, int index)>;

    explicit FakeDaemon(Handler handler) : m_handler(std::move(handler)) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listen, 16);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_rendezvous.SetProcessIdForTesting(static_cast<int32_t>(::getppid()));
        m_rendezvous.Attach(GetDatabasePath().c_str());
        m_rendezvous.TakeOwnership(ntohs(address.sin_port));
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeDaemon() { Stop(); }

    // Withdraws the port, stops accepting, ends the connection being served
    // and waits for the handler.
    void Stop() {
        if (m_stopped.exchange(true)) return;
        int current = m_current.load();
        if (current >= 0) ::shutdown(current, SHUT_RDWR);
        m_thread.join();
        m_rendezvous.Detach();
        ::close(m_listen);
    }
    int Connections() const { return m_connections; }

private:
    void Serve() {
        while (!m_stopped) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0) continue;
            m_current = fd;
            if (m_stopped) ::shutdown(fd, SHUT_RDWR);
            m_handler(fd, m_connections++);
            m_current = -1;
            ::close(fd);
        }
    }

    Handler m_handler;
    int m_listen = -1;
    IPCRendezvous m_rendezvous;
    std::atomic<bool> m_stopped{false};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_current{-1};
    std::thread m_thread;
};

}  // namespace VorlexTest

#pragma once
// The messages an online object (access object or group) has received and
// its script has not collected yet, oldest first. A script that never
// collects must not make the list grow with time and senders, so it is
// bounded as the endpoint's store for absent clients is: at most
// kMaxMessages messages and kMaxBytes bytes (each message counted by its
// stream form); taking a message past a bound drops the oldest first, with
// one log line each, and a message larger than kMaxBytes on its own is
// dropped at once, with one log line.
#include <cstddef>
#include <deque>
#include <utility>

#include "foundation/log/LogPrintf.h"
#include "foundation/streams/BufferStream.h"
#include "online/OnlineAccessClientEndpoint.h"

namespace GSNatives {

template <class Message>
class ReceivedMessageList {
public:
    static constexpr std::size_t kMaxMessages = OnlineAccessClientEndpoint::kMaxStoredPerClient;
    static constexpr std::size_t kMaxBytes = OnlineAccessClientEndpoint::kMaxStoredBytes;

    // `owner` begins the log lines ("OnlineAccess", "OnlineGroup").
    explicit ReceivedMessageList(const char* owner) : m_owner(owner) {}
    ~ReceivedMessageList() { Clear(); }
    ReceivedMessageList(const ReceivedMessageList&) = delete;
    ReceivedMessageList& operator=(const ReceivedMessageList&) = delete;

    // Takes the message over.
    void Push(Message* message) {
        TBuffer form;
        message->Write(form);
        const std::size_t bytes = static_cast<std::size_t>(form.GetDataSize());
        if (bytes > kMaxBytes) {
            LogPrintf("%s> received message too large to keep (%zu bytes); dropped", m_owner, bytes);
            delete message;
            return;
        }
        while (!m_messages.empty() && (m_messages.size() >= kMaxMessages || m_bytes + bytes > kMaxBytes)) {
            LogPrintf("%s> received messages not collected: dropping the oldest", m_owner);
            delete PopFront();
        }
        m_messages.emplace_back(message, bytes);
        m_bytes += bytes;
    }
    // The oldest message, which the caller takes over; null when empty.
    Message* PopFront() {
        if (m_messages.empty()) return nullptr;
        auto [message, bytes] = m_messages.front();
        m_messages.pop_front();
        m_bytes -= bytes;
        return message;
    }
    void Clear() {
        while (!m_messages.empty()) delete PopFront();
    }
    bool Empty() const { return m_messages.empty(); }
    std::size_t Count() const { return m_messages.size(); }
    std::size_t Bytes() const { return m_bytes; }

private:
    const char* m_owner;
    std::deque<std::pair<Message*, std::size_t>> m_messages;
    std::size_t m_bytes = 0;
};

}  // namespace GSNatives

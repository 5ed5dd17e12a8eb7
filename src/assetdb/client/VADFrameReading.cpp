#include "assetdb/client/VADFrameReading.h"

#include <cstring>

#include "assetdb/client/VADReceiveThread.h"
#include "assetdb/client/VADRequestFailures.h"
#include "foundation/network/DaemonTransfer.h"

VADFrameReader::VADFrameReader() : m_buffer(kBufferBytes) {}

void VADFrameReader::Use(TCPTransport& transport) {
    if (m_transport == &transport) return;
    m_transport = &transport;
    m_from = m_to = 0;
}

std::size_t VADFrameReader::ReceiveSome(uint8_t* buffer, std::size_t capacity) {
    if (!m_transport) return 0;
    const int32_t n = ReceiveSomeOnTransport(*m_transport, buffer, static_cast<int32_t>(capacity));
    if (n <= 0) return 0;
    VADNoteLinkActivity();
    return static_cast<std::size_t>(n);
}

bool VADFrameReader::Fill(std::size_t count) {
    if (m_to - m_from >= count) return true;
    // Too little room behind the bytes held: move them to the front.
    if (m_buffer.size() - m_from < count) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_from, m_to - m_from);
        m_to -= m_from;
        m_from = 0;
    }
    while (m_to - m_from < count) {
        const std::size_t n = ReceiveSome(m_buffer.data() + m_to, m_buffer.size() - m_to);
        if (n == 0) return false;
        m_to += n;
    }
    return true;
}

int32_t VADFrameReader::TakeWord() {
    const uint8_t* b = m_buffer.data() + m_from;
    m_from += 4;
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

bool VADFrameReader::ReadTag(uint32_t& tag) {
    if (!Fill(4)) return false;
    tag = static_cast<uint32_t>(TakeWord());
    return true;
}

bool VADFrameReader::ReadWords(int32_t& word, int32_t& length) {
    if (!Fill(8)) return false;
    word = TakeWord();
    length = TakeWord();
    return length >= 0 && length <= kMaxVADFrameBytes;
}

bool VADFrameReader::ReadBody(int32_t length, const uint8_t*& body) {
    // A block kept from a large body is given back.
    if (m_large.capacity() > 0) std::vector<uint8_t>().swap(m_large);
    const std::size_t size = static_cast<std::size_t>(length);
    if (size <= m_buffer.size()) {
        if (!Fill(size)) return false;
        body = m_buffer.data() + m_from;
        m_from += size;
        return true;
    }
    // Larger than the buffer: the bytes held, then the rest straight into
    // the block, grown as they come (never past the body's end, so the next
    // frame stays on the link).
    std::size_t have = m_to - m_from;
    m_large.assign(m_buffer.data() + m_from, m_buffer.data() + m_to);
    m_from = m_to = 0;
    while (have < size) {
        const std::size_t piece = size - have < kBufferBytes ? size - have : kBufferBytes;
        m_large.resize(have + piece);
        const std::size_t n = ReceiveSome(m_large.data() + have, piece);
        if (n == 0) return false;
        have += n;
    }
    m_large.resize(size);
    body = m_large.data();
    return true;
}

#pragma once
// Reading the daemon's frames on the reader thread through a buffer: one
// receive takes whatever the link holds (usually a whole frame, often
// several), and the frames are taken out of the buffer. A frame starts with
// three little-endian words: the tag, the transaction id or notice type,
// and the body length. A length below 0 or over kMaxVADFrameBytes is
// refused. A body larger than the buffer is gathered in a block of its own
// as its bytes arrive, so a false length costs no memory up front.
//
// Every receive counts as activity of the daemon (VADNoteLinkActivity), so
// a large body that is still arriving keeps the requests' bound alive.
#include <cstddef>
#include <cstdint>
#include <vector>

class TCPTransport;

class VADFrameReader {
public:
    static constexpr std::size_t kBufferBytes = 65536;

    VADFrameReader();

    // Reads from `transport` from now on; another transport than before (a
    // new link) starts with an empty buffer.
    void Use(TCPTransport& transport);
    // The next frame's tag. False on a failed receive.
    bool ReadTag(uint32_t& tag);
    // The two words after the tag. False on a failed receive or a refused
    // length.
    bool ReadWords(int32_t& word, int32_t& length);
    // The `length` bytes of the frame's body; `body` points at them until
    // the next call. False on a failed receive.
    bool ReadBody(int32_t length, const uint8_t*& body);

private:
    // At least `count` (at most kBufferBytes) bytes in the buffer.
    bool Fill(std::size_t count);
    // One receive into `buffer`; the bytes received, or 0 on failure.
    std::size_t ReceiveSome(uint8_t* buffer, std::size_t capacity);
    int32_t TakeWord();

    TCPTransport* m_transport = nullptr;
    std::vector<uint8_t> m_buffer;
    std::size_t m_from = 0;
    std::size_t m_to = 0;
    std::vector<uint8_t> m_large;
};

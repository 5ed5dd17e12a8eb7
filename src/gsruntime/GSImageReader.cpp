#include "gsruntime/GSImageReader.h"

namespace GSRuntime {

bool GSImageReader::ReadUInt32(uint32_t& out) {
    if (m_failed || m_limit - m_position < 4) {
        m_failed = true;
        return false;
    }
    out = GSImageWord(m_data + m_position);
    m_position += 4;
    return true;
}

bool GSImageReader::ReadInt32(int32_t& out) {
    uint32_t word = 0;
    if (!ReadUInt32(word)) return false;
    out = static_cast<int32_t>(word);
    return true;
}

bool GSImageReader::Skip(uint64_t n) { return SeekTo(static_cast<uint64_t>(m_position) + n); }

bool GSImageReader::SeekTo(uint64_t position) {
    if (m_failed || position > m_limit) {
        m_failed = true;
        return false;
    }
    m_position = static_cast<uint32_t>(position);
    return true;
}

bool GSImageReader::AlignTo4() { return SeekTo((static_cast<uint64_t>(m_position) + 3) & ~uint64_t(3)); }

bool GSImageReader::EnterChunk(uint32_t tag, Chunk& chunk) {
    const uint32_t start = m_position;
    uint32_t length = 0;
    uint32_t readTag = 0;
    if (!ReadUInt32(length) || !ReadUInt32(readTag)) return false;
    if (length < 8 || static_cast<uint64_t>(start) + length > m_limit || readTag != tag) {
        m_failed = true;
        return false;
    }
    chunk.start = start;
    chunk.end = start + length;
    chunk.outerLimit = m_limit;
    m_limit = chunk.end;
    return true;
}

bool GSImageReader::LeaveChunk(const Chunk& chunk) { return LeaveChunkAt(chunk, chunk.end); }

bool GSImageReader::LeaveChunkAt(const Chunk& chunk, uint32_t position) {
    if (m_failed) return false;
    m_limit = chunk.outerLimit;
    return SeekTo(position);
}

}  // namespace GSRuntime

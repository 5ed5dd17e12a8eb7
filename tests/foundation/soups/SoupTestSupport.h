#pragma once
// Small helpers shared by the soup tests: byte vectors, memory streams over
// them, and the bytes a memory stream holds.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/soups/ACSChunk.h"
#include "foundation/streams/BufferStream.h"

namespace SoupTest {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
inline void AppendWord(Bytes& out, uint32_t word) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(word >> (8 * i)));
}
inline void AppendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

// One binary soup entry: L, N, the name with its NUL (none for an empty
// name), the type and the value.
inline Bytes Entry(const std::string& name, uint8_t type, const Bytes& value) {
    Bytes out;
    uint32_t nameBytes = name.empty() ? 0 : static_cast<uint32_t>(name.size() + 1);
    AppendWord(out, 1 + nameBytes + 1 + static_cast<uint32_t>(value.size()));
    out.push_back(static_cast<uint8_t>(nameBytes));
    if (nameBytes) {
        AppendText(out, name);
        out.push_back(0);
    }
    out.push_back(type);
    Append(out, value);
    return out;
}

// A whole "ACS$" file around a body.
inline Bytes File(const Bytes& body, int32_t version = 1) {
    Bytes out;
    AppendText(out, "ACS$");
    AppendWord(out, static_cast<uint32_t>(version));
    AppendWord(out, 0);
    AppendWord(out, static_cast<uint32_t>(body.size()));
    Append(out, body);
    return out;
}

inline Bytes Word(uint32_t word) {
    Bytes out;
    AppendWord(out, word);
    return out;
}
inline Bytes Text(const std::string& text, bool nul = true) {
    Bytes out(text.begin(), text.end());
    if (nul) out.push_back(0);
    return out;
}

// A memory stream holding the bytes, positioned at 0.
inline void Fill(TBuffer& stream, const void* data, std::size_t size) {
    if (size) stream.Write(data, static_cast<int32_t>(size));
    stream.Rewind();
}
inline void Fill(TBuffer& stream, const Bytes& bytes) { Fill(stream, bytes.data(), bytes.size()); }
inline void Fill(TBuffer& stream, const std::string& text) { Fill(stream, text.data(), text.size()); }

inline Bytes Contents(const TBuffer& stream) {
    return Bytes(stream.GetData(), stream.GetData() + stream.GetDataSize());
}
inline std::string ContentsText(const TBuffer& stream) {
    return std::string(reinterpret_cast<const char*>(stream.GetData()), static_cast<std::size_t>(stream.GetDataSize()));
}

inline Bytes ChunkBytes(const ChunkRef& chunk) {
    if (!chunk || chunk->GetSize() <= 0) return {};
    return Bytes(chunk->GetData(), chunk->GetData() + chunk->GetSize());
}

}  // namespace SoupTest

#include "gscompiler/ScriptSourceFile.h"

#include <cstring>

#include "engine/Alloc.h"
#include "engine/Compress.h"

const uint8_t ScriptSourceFile::kKey[32] = {0x3c, 0x9e, 0x51, 0xa7, 0xd2, 0x0b, 0x6f, 0x48, 0xe9, 0x13, 0xc5,
                                            0xa0, 0x7b, 0x2d, 0x94, 0xf1, 0x6a, 0x08, 0xe3, 0xbc, 0x57, 0xd1,
                                            0x29, 0x4f, 0x0e, 0xa6, 0xb3, 0xc8, 0x1d, 0x7f, 0x5e, 0x29};

Vek::PString& ScriptSourcePrefix() {
    static Vek::PString* prefix = new Vek::PString();
    return *prefix;
}

namespace {

void PutWord(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

uint32_t GetWord(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

Vek::PString ArchiveRoot(const char* archive) { return Vek::PString(archive && *archive ? archive : nullptr); }

// A codec reference held for one pack or unpack.
class Codec {
public:
    Codec() : m_codec(new Vek::LZSSCompress()) {}
    ~Codec() { m_codec->ReleaseReference(); }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;
    Vek::LZSSCompress* operator->() { return m_codec; }

private:
    Vek::LZSSCompress* m_codec;
};

// Decodes a scrambled block (as Pack leaves it) into `out` of exactly
// `expected` bytes; true when it gives them all back.
bool UnpackBlock(const uint8_t* block, uint32_t blockLength, uint8_t* out, uint32_t expected) {
    if (blockLength < 4) return false;
    uint8_t* plain = static_cast<uint8_t*>(Vek::Alloc::New(blockLength));
    if (!plain) return false;
    for (uint32_t i = 0; i < blockLength; ++i) plain[i] = block[i] ^ ScriptSourceFile::kKey[i % 32];
    bool ok = GetWord(plain) == expected;
    if (ok) {
        Codec codec;
        ok = codec->DecompressBlock(out, expected, plain + 4, blockLength - 4) == int64_t(expected);
    }
    Vek::Alloc::Delete(plain);
    return ok;
}

}  // namespace

ScriptSourceFile::ScriptSourceFile() { Reset(); }

ScriptSourceFile::~ScriptSourceFile() { Clear(); }

void ScriptSourceFile::Clear() {
    Vek::Alloc::Delete(m_data);
    m_data = nullptr;
    m_packed = false;
    m_dataLength = 0;
    m_textLength = 0;
    m_sourcePath.Clear();
    m_outputPath.Clear();
    m_version = 0;
}

void ScriptSourceFile::Reset() {
    Clear();
    m_version = 1;
    m_prefixLength = 0;
}

bool ScriptSourceFile::Load(const char* archive, const char* path) {
    Reset();
    m_sourcePath = path;
    m_archive = archive;
    const Vek::PString root = ArchiveRoot(archive);
    if (!path || !Vek::File::Exists(root, path)) return false;
    if (m_sourcePath.IsExt("gs")) return LoadPlain();
    if (m_sourcePath.IsExt("gse")) return LoadPacked();
    return false;
}

bool ScriptSourceFile::LoadPlain() {
    Vek::File file;
    if (!file.Open(ArchiveRoot(m_archive), m_sourcePath.c_str(), Vek::File::kModeRead)) return false;
    const int64_t size = file.Length();
    if (size < 0 || size > int64_t(kMaxTextLength)) return false;
    Vek::PString& prefix = ScriptSourcePrefix();
    const uint32_t prefixLength = uint32_t(prefix.Length());
    const uint32_t total = uint32_t(size) + prefixLength;
    // One spare byte so that an empty text still has a buffer.
    uint8_t* data = static_cast<uint8_t*>(Vek::Alloc::New(std::size_t(total) + 1));
    if (!data) return false;
    if (file.Read(data + prefixLength, std::size_t(size)) != std::size_t(size)) {
        Vek::Alloc::Delete(data);
        return false;
    }
    if (prefixLength) std::memcpy(data, prefix.c_str(), prefixLength);
    data[total] = 0;
    Vek::Alloc::Delete(m_data);
    m_data = data;
    m_packed = false;
    m_dataLength = m_textLength = total;
    m_prefixLength = prefixLength;
    prefix.Release();
    NormaliseLineEnds();
    return true;
}

bool ScriptSourceFile::LoadPacked() {
    Vek::File file;
    if (!file.Open(ArchiveRoot(m_archive), m_sourcePath.c_str(), Vek::File::kModeRead)) return false;
    uint8_t header[kHeaderSize];
    if (file.Read(header, sizeof header) != sizeof header) return false;
    const uint32_t blockLength = GetWord(header + 8);
    if (blockLength < 1 || blockLength > kMaxBlockLength) return false;
    uint8_t* block = static_cast<uint8_t*>(Vek::Alloc::New(blockLength));
    if (!block) return false;
    if (file.Read(block, blockLength) != blockLength) {
        Vek::Alloc::Delete(block);
        return false;
    }
    Vek::Alloc::Delete(m_data);
    m_data = block;
    m_version = GetWord(header);
    m_dataLength = blockLength;
    m_packed = true;
    return true;
}

void ScriptSourceFile::NormaliseLineEnds() {
    if (!m_data || m_packed) return;
    // Up to the first carriage return (or the line feed it pairs with)
    // every byte stays where it is.
    const void* firstReturn = std::memchr(m_data, '\r', m_textLength);
    if (!firstReturn) return;
    uint32_t out = static_cast<uint32_t>(static_cast<const uint8_t*>(firstReturn) - m_data);
    if (out > 0 && m_data[out - 1] == '\n') --out;
    for (uint32_t in = out; in < m_textLength; ++in) {
        const uint8_t c = m_data[in];
        if (c == '\r' || c == '\n') {
            const uint8_t other = c == '\r' ? '\n' : '\r';
            if (in + 1 < m_textLength && m_data[in + 1] == other) ++in;
            m_data[out++] = '\n';
        } else {
            m_data[out++] = c;
        }
    }
    if (out < m_textLength) m_data[out] = 0;
    m_textLength = out;
}

void ScriptSourceFile::Scramble() {
    for (uint32_t i = 0; i < m_dataLength; ++i) m_data[i] ^= kKey[i % 32];
}

bool ScriptSourceFile::Pack() {
    if (m_packed) return true;
    if (m_textLength == 0) m_textLength = m_dataLength;
    // A packed file stores a length of at least 1 and at most
    // kMaxTextLength; anything else could never be read back.
    if (!m_data || m_textLength == 0 || m_textLength > kMaxTextLength) return false;

    const std::size_t room = Vek::LZSSCompress::MaxCompressedSize(m_textLength);
    uint8_t* block = static_cast<uint8_t*>(Vek::Alloc::New(room + 4));
    if (!block) return false;
    int64_t packedLength;
    {
        Codec codec;
        packedLength = codec->CompressBlock(block + 4, room, m_data, m_textLength, kPackLevel);
    }
    if (packedLength <= 0 || uint64_t(packedLength) + 4 > kMaxBlockLength) {
        Vek::Alloc::Delete(block);
        return false;
    }
    const uint32_t blockLength = uint32_t(packedLength) + 4;
    PutWord(block, m_textLength);
    for (uint32_t i = 0; i < blockLength; ++i) block[i] ^= kKey[i % 32];

    // Only a block that gives the text back is worth keeping.
    uint8_t* check = static_cast<uint8_t*>(Vek::Alloc::New(m_textLength));
    const bool same = check && UnpackBlock(block, blockLength, check, m_textLength) &&
                      std::memcmp(check, m_data, m_textLength) == 0;
    Vek::Alloc::Delete(check);
    if (!same) {
        Vek::Alloc::Delete(block);
        return false;
    }
    Vek::Alloc::Delete(m_data);
    m_data = block;
    m_dataLength = blockLength;
    m_packed = true;
    return true;
}

bool ScriptSourceFile::Unpack() {
    if (!m_packed) return true;
    Scramble();
    const uint32_t unpackedLength = m_dataLength >= 4 ? GetWord(m_data) : 0;
    if (unpackedLength == 0 || unpackedLength > kMaxTextLength) {
        Clear();
        return false;
    }
    Vek::PString& prefix = ScriptSourcePrefix();
    const uint32_t prefixLength = uint32_t(prefix.Length());
    const uint32_t total = unpackedLength + prefixLength;
    uint8_t* text = static_cast<uint8_t*>(Vek::Alloc::New(std::size_t(total) + 1));
    bool ok = text != nullptr;
    if (ok) {
        Codec codec;
        ok = codec->DecompressBlock(text + prefixLength, unpackedLength, m_data + 4, m_dataLength - 4) ==
             int64_t(unpackedLength);
    }
    if (!ok) {
        Vek::Alloc::Delete(text);
        Clear();
        return false;
    }
    text[total] = 0;
    if (prefixLength) std::memcpy(text, prefix.c_str(), prefixLength);
    Vek::Alloc::Delete(m_data);
    m_data = text;
    m_dataLength = total;
    if (m_textLength == 0) m_textLength = total;
    m_prefixLength = prefixLength;
    prefix.Release();
    m_packed = false;
    NormaliseLineEnds();
    return true;
}

const char* ScriptSourceFile::GetText() {
    if (m_packed && !Unpack()) return nullptr;
    return reinterpret_cast<const char*>(m_data);
}

uint32_t ScriptSourceFile::GetTextLength() {
    if (m_packed && m_textLength == 0 && !Unpack()) return 0;
    return m_textLength;
}

bool ScriptSourceFile::Save(const char* archive, const char* path) {
    m_outputPath = path;
    m_archive = archive;
    if (m_outputPath.IsExt("gse")) return SavePacked();
    if (m_outputPath.IsExt("gs")) return SavePlain();
    return false;
}

bool ScriptSourceFile::Replace(const Vek::File::Path& path, const void* header, uint32_t headerLength,
                               const void* body, uint32_t bodyLength) {
    if (path.IsEmpty()) return false;
    const Vek::PString root = ArchiveRoot(m_archive);
    if (Vek::File::Exists(root, path.c_str()) && !Vek::File::Unlink(root, path.c_str())) return false;
    Vek::File file;
    if (!file.Open(root, path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate)) return false;
    if (headerLength && file.Write(header, headerLength) != headerLength) return false;
    if (bodyLength && file.Write(body, bodyLength) != bodyLength) return false;
    return true;
}

bool ScriptSourceFile::SavePacked() {
    if (!m_packed && !Pack()) return false;
    uint8_t header[kHeaderSize];
    PutWord(header, m_version);
    PutWord(header + 4, 0);
    PutWord(header + 8, m_dataLength);
    PutWord(header + 12, 0);
    return Replace(m_outputPath, header, sizeof header, m_data, m_dataLength);
}

bool ScriptSourceFile::SavePlain() {
    if (m_packed && !Unpack()) return false;
    if (!m_data) return false;
    return Replace(m_outputPath, nullptr, 0, m_data, m_textLength);
}

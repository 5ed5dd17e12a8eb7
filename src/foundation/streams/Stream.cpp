#include "foundation/streams/Stream.h"

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"

static_assert(std::endian::native == std::endian::little,
              "stream words are stored in host order, which must be little-endian");

// ---- reading ----

void TStream::CopyFromBuffer(void* destination, int32_t n) {
    if (n > 0) std::memcpy(destination, m_readBuffer + m_readOffset, static_cast<std::size_t>(n));
    m_readOffset += n;
    m_buffered -= n;
}

int32_t TStream::ReadBuffered(void* destination, int32_t n) {
    if (n <= 0) return 0;
    uint8_t* out = static_cast<uint8_t*>(destination);
    int32_t total = 0;

    if (m_buffered > 0) {
        // The 16 bytes at the back of the buffer may be kept in front of the
        // next refill only when they are the bytes just before the raw
        // position, i.e. when the buffered data reaches the buffer's end.
        // After a short refill they are left over from older data, so the
        // next refill starts at the front instead.
        const bool reachesEnd = m_readOffset + m_buffered == kBufferSize;
        const int32_t count = m_buffered;
        CopyFromBuffer(out, count);
        out += count;
        total = count;
        n -= count;
        m_readOffset = reachesEnd ? kBufferSize : 0;
    }

    if (n >= kDirectReadSize) {
        int32_t got = ReadRaw(out, n);
        if (got < 0) got = 0;
        ClearReadBuffer();
        return total + got;
    }

    int32_t base;
    int32_t got;
    if (m_readOffset == kBufferSize) {
        // The buffer was consumed to its end: keep its last bytes in front.
        std::memmove(m_readBuffer, m_readBuffer + kDirectReadSize, kKeepBack);
        base = kKeepBack;
        got = ReadRaw(m_readBuffer + kKeepBack, kDirectReadSize);
    } else {
        base = 0;
        got = ReadRaw(m_readBuffer, kBufferSize);
    }
    if (got < 0) got = 0;
    const int32_t deliver = n < got ? n : got;
    if (deliver > 0) std::memcpy(out, m_readBuffer + base, static_cast<std::size_t>(deliver));
    m_buffered = got - deliver;
    m_readOffset = base + deliver;
    return total + deliver;
}

bool TStream::ReadExact(void* destination, int32_t n) {
    if (Read(destination, n) == n) return true;
    SetError(kErrorPastEnd);
    return false;
}

bool TStream::ReadByte(uint8_t& out, uint8_t defaultValue) {
    uint8_t value;
    if (!ReadExact(&value, 1)) {
        out = defaultValue;
        return false;
    }
    out = value;
    return true;
}

bool TStream::ReadInt32(int32_t& out, int32_t defaultValue) {
    int32_t value;
    if (!ReadExact(&value, 4)) {
        out = defaultValue;
        return false;
    }
    out = value;
    return true;
}

bool TStream::ReadUInt32(uint32_t& out, uint32_t defaultValue) {
    uint32_t value;
    if (!ReadExact(&value, 4)) {
        out = defaultValue;
        return false;
    }
    out = value;
    return true;
}

bool TStream::ReadFloat(float& out, float defaultValue) {
    float value;
    if (!ReadExact(&value, 4)) {
        out = defaultValue;
        return false;
    }
    out = value;
    return true;
}

bool TStream::ReadInt64(int64_t& out, int64_t defaultValue) {
    int64_t value;
    if (!ReadExact(&value, 8)) {
        out = defaultValue;
        return false;
    }
    out = value;
    return true;
}

bool TStream::ReadBool(bool& out, bool defaultValue) {
    uint8_t value;
    if (!ReadExact(&value, 1)) {
        out = defaultValue;
        return false;
    }
    out = value != 0;
    return true;
}

int32_t TStream::ReadInt32Array(int32_t* destination, int32_t count) {
    int32_t whole = 0;
    for (int32_t i = 0; i < count; ++i)
        if (ReadInt32(destination[i], 0)) ++whole;
    return whole;
}

bool TStream::ReadStringBody(std::string& text) {
    text.clear();
    int32_t length;
    if (!ReadInt32(length, 0)) return false;
    if (length == 0) return true;
    if (length < 0 || length > kMaxStringLength) {
        // Too long to be a string of ours: skip it whole so that the next
        // field can still be read. A negative length cannot be skipped
        // forward, so nothing is moved then.
        if (length > 0) Seek(length, kSeekCurrent);
        SetError(kErrorMemory);
        return false;
    }
    std::vector<char> body(static_cast<std::size_t>(length) + 1, '\0');
    const int32_t got = Read(body.data(), length);
    text.assign(body.data());  // up to the first NUL
    if (got != length) {
        // The body was cut short by the end of the data: keep what came
        // (the rest reads as NULs) and report the short read.
        SetError(kErrorPastEnd);
        return false;
    }
    return true;
}

bool TStream::ReadPString(Vek::PString& out) {
    std::string text;
    const bool whole = ReadStringBody(text);
    if (text.empty())
        out = Vek::PString::Empty();
    else
        out = Vek::PString(text.c_str(), text.size());
    return whole;
}

bool TStream::ReadString(Vek::String& out) {
    std::string text;
    const bool whole = ReadStringBody(text);
    out = Vek::String(std::string_view(text));
    return whole;
}

bool TStream::ReadKUID(KUID& out) { return out.Read(*this); }

// ---- writing ----

void TStream::DropReadAhead() {
    if (m_buffered > 0)
        Seek(0, kSeekCurrent);  // moves the raw position back to the logical one
    // The bytes before the read offset no longer match the data once it is
    // written to, so they are dropped too.
    ClearReadBuffer();
}

int32_t TStream::Write(const void* data, int32_t n) {
    DropReadAhead();
    if (n <= 0) return 0;
    return WriteRaw(data, n);
}

bool TStream::WriteByte(uint8_t value) { return Write(&value, 1) == 1; }

bool TStream::WriteInt32(int32_t value) { return Write(&value, 4) == 4; }

bool TStream::WriteUInt32(uint32_t value) { return Write(&value, 4) == 4; }

bool TStream::WriteFloat(float value) { return Write(&value, 4) == 4; }

bool TStream::WriteInt64(int64_t value) { return Write(&value, 8) == 8; }

bool TStream::WriteBool(bool value) {
    const uint8_t byte = value ? 1 : 0;
    return Write(&byte, 1) == 1;
}

bool TStream::WriteInt32Array(const int32_t* source, int32_t count) {
    bool whole = true;
    for (int32_t i = 0; i < count; ++i)
        if (!WriteInt32(source[i])) whole = false;
    return whole;
}

bool TStream::WritePString(const Vek::PString& text) { return WritePString(text.c_str()); }

bool TStream::WritePString(const char* text) {
    const std::size_t characters = text ? std::strlen(text) : 0;
    if (characters == 0 || characters + 1 > static_cast<std::size_t>(kMaxStringLength)) return WriteInt32(0);
    const int32_t length = static_cast<int32_t>(characters + 1);
    if (!WriteInt32(length)) return false;
    return Write(text, length) == length;
}

bool TStream::WriteString(const Vek::AnsiString& text) {
    const std::size_t bytes = text.Length();
    if (bytes == 0 || bytes > static_cast<std::size_t>(kMaxStringLength)) return WriteInt32(0);
    const int32_t length = static_cast<int32_t>(bytes);
    if (!WriteInt32(length)) return false;
    return Write(text.c_str(), length) == length;
}

bool TStream::WriteString(const char* text) { return WriteString(Vek::AnsiString(text)); }

bool TStream::WriteKUID(const KUID& kuid) { return kuid.Write(*this); }

// ---- positioning ----

bool TStream::Seek(int32_t offset, int origin) {
    const bool moved = SeekRaw(offset, origin);
    ClearReadBuffer();
    return moved;
}

void TStream::SetPosition(int32_t position) {
    const int64_t delta = static_cast<int64_t>(position) - Tell();
    if (static_cast<int64_t>(m_readOffset) + delta >= 0 && delta <= m_buffered) {
        m_readOffset += static_cast<int32_t>(delta);
        m_buffered -= static_cast<int32_t>(delta);
        return;
    }
    Seek(position, kSeekSet);
}

void TStream::StepBack(int32_t n) {
    if (n <= 0) return;
    if (n <= m_readOffset) {
        m_readOffset -= n;
        m_buffered += n;
        return;
    }
    SetPosition(static_cast<int32_t>(static_cast<int64_t>(Tell()) - n));
}

int32_t TStream::Length() {
    const int32_t here = Tell();
    Seek(0, kSeekEnd);
    const int32_t length = Tell();
    SetPosition(here);
    return length;
}

bool TStream::WriteInt32At(int32_t position, int32_t value) {
    const int32_t here = Tell();
    SetPosition(position);
    const bool written = WriteInt32(value);
    SetPosition(here);
    return written;
}

int32_t TStream::BeginSizedBlock() {
    const int32_t start = Tell();
    WriteUInt32(kSizedBlockPlaceholder);
    return start;
}

bool TStream::EndSizedBlock(int32_t start) {
    const int32_t end = Tell();
    return WriteInt32At(start, end - start - 4);
}

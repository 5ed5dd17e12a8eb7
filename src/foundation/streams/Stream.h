#pragma once
// TStream: the buffered byte stream under every binary format of the
// program, and the little-endian helpers that define those formats.
//
// A stream reads through a 4096-byte read buffer. The buffer holds bytes
// already consumed (before the read offset) and unread bytes (the buffered
// count from the read offset on). The raw position is the position of the
// underlying file, memory block or window; the logical position that callers
// see is the raw position minus the buffered count. Moving the logical
// position back by at most the read offset, or forward by at most the
// buffered count, only changes the two counters. When a refill follows a
// buffer consumed to its end, the last 16 bytes stay in front of the new
// data, so a reader can step back up to 16 bytes across a refill without
// touching the underlying stream.
//
// Errors are sticky: the first one set stays (only TFile::Close and
// TFile::Reset clear it). Every reading helper stores its default on a
// short read and sets kErrorPastEnd. Every writing helper first drops the
// read-ahead, so writes land at the logical position.
//
// A stream has no lock; one thread uses it at a time.
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"

class KUID;

class TStream {
public:
    static constexpr int32_t kBufferSize = 4096;
    // Bytes kept in front of the new data when a consumed buffer is refilled.
    static constexpr int32_t kKeepBack = 16;
    // Requests of this size or more bypass the read buffer.
    static constexpr int32_t kDirectReadSize = kBufferSize - kKeepBack;
    // Strings whose length field would pass this are not written (and are
    // skipped when read).
    static constexpr int32_t kMaxStringLength = 0xFFFF;
    // Placeholder of a sized block's length word until the block ends.
    static constexpr uint32_t kSizedBlockPlaceholder = 0xFEEDCEEB;

    enum Error : int32_t {
        kErrorNone = 0,
        kErrorIO = 1,       // no file, or a raw transfer moved fewer bytes than asked
        kErrorMemory = 3,   // out of memory, or a string length over the limit
        kErrorPastEnd = 4,  // read past the end
    };
    enum Origin : int { kSeekSet = 0, kSeekCurrent = 1, kSeekEnd = 2 };

    TStream() = default;
    virtual ~TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // ---- the stream's own operations ----
    // Empties or rewrites the stream (each class says how).
    virtual void Reset() = 0;
    // The logical position.
    virtual int32_t Tell() const = 0;
    virtual bool IsOpen() const = 0;
    // The length of the content: seeks to the end, takes the position there
    // and returns to the logical position it had.
    virtual int32_t Length();
    // Unbuffered transfers at the raw position; they return the byte count
    // moved. Callers normally use Read and Write.
    virtual int32_t WriteRaw(const void* data, int32_t n) = 0;
    virtual int32_t ReadRaw(void* destination, int32_t n) = 0;
    virtual bool Eof() const = 0;

    // Moves the position: origin kSeekSet from the start, kSeekCurrent from
    // the logical position, kSeekEnd from the end (each class reads the
    // offset of kSeekEnd its own way; offset 0 is the end for all). The read
    // buffer is emptied. False when the stream could not move.
    bool Seek(int32_t offset, int origin);

    // ---- errors ----
    int32_t GetError() const { return m_error; }
    bool HasError() const { return m_error != kErrorNone; }
    // Stores `code` only while no error is set.
    void SetError(int32_t code) {
        if (m_error == kErrorNone) m_error = code;
    }

    // ---- reading (through the read buffer) ----
    // Up to n bytes; returns the count delivered. No error of its own.
    int32_t Read(void* destination, int32_t n) {
        if (n >= 0 && n <= m_buffered) {
            CopyFromBuffer(destination, n);
            return n;
        }
        return ReadBuffered(destination, n);
    }
    // Exactly n bytes: true when all came; a short read sets kErrorPastEnd
    // (the bytes that did come are in `destination`).
    bool ReadExact(void* destination, int32_t n);
    // Each of these returns true when the value was read whole; on a short
    // read it stores the default and sets kErrorPastEnd.
    bool ReadByte(uint8_t& out, uint8_t defaultValue = 0);
    bool ReadInt32(int32_t& out, int32_t defaultValue = 0);
    bool ReadUInt32(uint32_t& out, uint32_t defaultValue = 0);
    bool ReadFloat(float& out, float defaultValue = 0.0f);
    // 8 bytes: the low word, then the high word.
    bool ReadInt64(int64_t& out, int64_t defaultValue = 0);
    // Any nonzero byte is true.
    bool ReadBool(bool& out, bool defaultValue = false);
    // `count` int32 values; each one cut short becomes 0. Returns the number
    // read whole.
    int32_t ReadInt32Array(int32_t* destination, int32_t count);
    // Interned-string form: int32 L (characters + 1), then the L bytes with
    // the NUL; 0 for the empty string. A length over 0xFFFF is skipped whole
    // with kErrorMemory, so the stream stays on the next field. Returns true
    // when the string was read whole (an empty string included).
    bool ReadPString(Vek::PString& out);
    // Plain-string form: int32 L (bytes), then the bytes without a NUL.
    // Same rules as ReadPString.
    bool ReadString(Vek::String& out);
    // The KUID's stream form (KUID::Read).
    bool ReadKUID(KUID& out);

    // ---- writing (each drops the read-ahead first) ----
    int32_t Write(const void* data, int32_t n);
    bool WriteByte(uint8_t value);
    bool WriteInt32(int32_t value);
    bool WriteUInt32(uint32_t value);
    bool WriteFloat(float value);
    bool WriteInt64(int64_t value);
    bool WriteBool(bool value);
    // The items one by one; nothing for count <= 0.
    bool WriteInt32Array(const int32_t* source, int32_t count);
    // Interned-string form; a string of 65535 characters or more is written
    // as L = 0 alone (its text is dropped). A null text is the empty string.
    bool WritePString(const Vek::PString& text);
    bool WritePString(const char* text);
    // Plain-string form; a string of 65536 bytes or more is written as
    // L = 0 alone.
    bool WriteString(const Vek::AnsiString& text);
    bool WriteString(const char* text);
    // The KUID's stream form (KUID::Write).
    bool WriteKUID(const KUID& kuid);

    // ---- positioning ----
    // Moves the logical position to `position`: inside the read buffer when
    // the target is buffered (no seek), else with a seek from the start.
    void SetPosition(int32_t position);
    void Rewind() { SetPosition(0); }
    // Moves the logical position back by n bytes; inside the read buffer
    // when it still holds them.
    void StepBack(int32_t n);
    // Writes `value` at the absolute position and returns to where it was.
    bool WriteInt32At(int32_t position, int32_t value);
    // A sized chunk: BeginSizedBlock writes the placeholder 0xFEEDCEEB and
    // returns its position p; EndSizedBlock(p) writes there the number of
    // bytes written after the length word and returns to the end. Chunks
    // nest.
    int32_t BeginSizedBlock();
    bool EndSizedBlock(int32_t start);
    // Moves the raw position back to the logical position and empties the
    // read buffer.
    void DropReadAhead();

    // ---- read-buffer state (for subclasses and diagnostics) ----
    int32_t BufferedCount() const { return m_buffered; }
    int32_t ReadOffset() const { return m_readOffset; }

protected:
    // The class's own move of the raw position (see Seek). For kSeekCurrent
    // the offset counts from the logical position, so a class subtracts the
    // buffered count; the counters are still set during the call and are
    // cleared by Seek after it.
    virtual bool SeekRaw(int32_t offset, int origin) = 0;

    void ClearError() { m_error = kErrorNone; }
    void ClearReadBuffer() {
        m_buffered = 0;
        m_readOffset = 0;
    }

    // Unread bytes left in the read buffer, and the offset of the next one.
    int32_t m_buffered = 0;
    int32_t m_readOffset = 0;

private:
    void CopyFromBuffer(void* destination, int32_t n);
    int32_t ReadBuffered(void* destination, int32_t n);
    // Reads a string body of length field L into `text` (empty on failure).
    bool ReadStringBody(std::string& text);

    int32_t m_error = kErrorNone;
    uint8_t m_readBuffer[kBufferSize];
};

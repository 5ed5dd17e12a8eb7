#pragma once
// TFile: a stream over a file of the engine's file service.
//
// The stream either owns its engine file (created by Open, OpenInRoot or
// GetFile, destroyed with the stream) or borrows one (left open; on Close
// its position is put back to the stream's logical position).
//
// Any raw transfer that moves fewer bytes than asked sets kErrorIO. A read
// buffer refill asks for 4096 (or 4080) bytes, so the refill that meets the
// end of the file sets kErrorIO even when the caller's own request was
// satisfied: a reader that consumes a file to its end finds error 1.
//
// Writes are buffered: small writes collect in a write buffer of
// kWriteBufferSize bytes that goes to the file in one transfer when it is
// full, when the position leaves the bytes it holds, before a read, and on
// Flush, Close, GetFile, Attach and destruction. A move back into the bytes
// it holds (a length word patched after its block, WriteInt32At) changes
// them in the buffer. The position is kept in memory: Tell, Seek and
// SetPosition make no call of the file service, and the engine file is
// moved only when a transfer needs it elsewhere. The bytes that reach the
// file are the same as without the buffer. A transfer that fails sets
// kErrorIO where it fails: a write to a file not open for writing at once,
// a buffered write whose flush fails at that flush (the write that caused
// it, or Flush and Close, which report it in their result).
//
// Positions are int32; the engine file's int64 positions are clamped to the
// int32 range.
#include <cstdint>
#include <vector>

#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/streams/Stream.h"

class TFile : public TStream {
public:
    // The mode the program writes files with: write, create or truncate.
    static constexpr uint32_t kModeWriteNew = Vek::File::kModeWrite | Vek::File::kModeCreate;  // 257
    static constexpr uint32_t kModeRead = Vek::File::kModeRead;                                // 16

    TFile() = default;
    // Attaches an existing engine file (may be null); counters and error 0.
    TFile(Vek::File* file, bool owns);
    ~TFile() override;

    // Closes the stream, then opens `path` in a new owned engine file with
    // `mode` (the engine's mode word). True when the file is open (callers
    // may also test IsOpen).
    bool Open(const char* path, uint32_t mode);
    // The same inside the named root ("data", "cache", ...); an empty root
    // opens `path` itself.
    bool OpenInRoot(const Vek::PString& root, const char* path, uint32_t mode);
    // Writes the buffered bytes to the file. False, with kErrorIO, when
    // they did not all go; true when they did or there were none.
    bool Flush();
    // Flushes, then: an owned file is destroyed; a borrowed one is moved to
    // the stream's logical position. Then no file is attached and the error
    // is 0. False when the stream had an error or the flush failed (so that
    // a writer that closes without looking at the error still learns of
    // it); true otherwise, also when no file was attached.
    bool Close();
    // The engine file; an owned, unopened one is made when none is attached
    // (for callers that open it with the engine's own call). The buffered
    // bytes are flushed first, and the stream takes the engine file's own
    // position again at its next call, so a caller may use the file
    // directly in between.
    Vek::File* GetFile();
    // Attaches another engine file. The file attached before is released as
    // Close releases it (destroyed when owned), the read counters are
    // cleared and the error is kept. Returns 0.
    int32_t Attach(Vek::File* file, bool owns);
    bool OwnsFile() const { return m_owns; }

    // When open: closes the engine file, clears the error and reopens the
    // same path (in the same root) in mode 257, truncating it.
    void Reset() override;
    int32_t Tell() const override;
    bool IsOpen() const override;
    int32_t WriteRaw(const void* data, int32_t n) override;
    int32_t ReadRaw(void* destination, int32_t n) override;
    bool Eof() const override;

protected:
    bool SeekRaw(int32_t offset, int origin) override;

public:
    // Writes of this size or more bypass the write buffer.
    static constexpr int32_t kWriteBufferSize = 64 * 1024;

private:
    // Lets go of the attached file without touching the error (buffered
    // bytes are flushed; a failure is recorded as kErrorIO).
    void ReleaseFile();
    // The raw position after a newly opened or attached file: taken from
    // the engine file at the next call.
    void ForgetPosition();
    // Takes the engine file's position when it is not known.
    void KnowPosition() const;
    // Moves the engine file to `position` when it stands elsewhere.
    bool PlaceFile(int64_t position);
    // The end of the data: the file's length, or the end of the buffered
    // bytes when they reach further.
    int64_t DataEnd() const;
    bool OpenForWriting() const;

    Vek::File* m_file = nullptr;
    bool m_owns = false;
    // The flags argument of the last open, used again by Reset.
    uint32_t m_openFlags = 0;

    // The raw position, and where the engine file stands (-1: not known).
    mutable bool m_positionKnown = false;
    mutable int64_t m_position = 0;
    mutable int64_t m_filePosition = -1;
    // Buffered bytes not yet written: m_pendingSize bytes that belong at
    // m_pendingStart.
    std::vector<uint8_t> m_writeBuffer;
    int64_t m_pendingStart = 0;
    int32_t m_pendingSize = 0;
};

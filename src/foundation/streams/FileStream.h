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
// Positions are int32; the engine file's int64 positions are clamped to the
// int32 range.
#include <cstdint>

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
    // An owned file is destroyed; a borrowed one is moved back by the
    // buffered count so that its position is the stream's logical position.
    // Then no file is attached and the error is 0.
    void Close();
    // The engine file; an owned, unopened one is made when none is attached
    // (for callers that open it with the engine's own call).
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

private:
    // Lets go of the attached file without touching the error.
    void ReleaseFile();

    Vek::File* m_file = nullptr;
    bool m_owns = false;
    // The flags argument of the last open, used again by Reset.
    uint32_t m_openFlags = 0;
};

#pragma once
// TSubFile: a window [start, end) over another stream (its parent, not
// owned), for records kept inside larger files.
//
// Start, end and current are raw positions of the parent; the window's
// logical position counts from start. Current begins where the parent
// stands when the window is made, not at start. The window reads from
// wherever its parent stands, and its own reads and seeks keep the parent
// at current. Reads stop at end; writes go through to the parent and are
// not bounded by end.
#include <cstdint>

#include "foundation/streams/Stream.h"

class TSubFile : public TStream {
public:
    // An end below start gives an empty window at start.
    TSubFile(TStream& parent, int32_t start, int32_t end);

    TStream& GetParent() { return m_parent; }
    int32_t GetStart() const { return m_start; }
    int32_t GetEnd() const { return m_end; }
    int32_t GetCurrent() const { return m_current; }

    // Does nothing.
    void Reset() override {}
    int32_t Tell() const override;
    bool IsOpen() const override { return m_parent.IsOpen(); }
    int32_t WriteRaw(const void* data, int32_t n) override;
    int32_t ReadRaw(void* destination, int32_t n) override;
    // True when nothing is buffered and current is at or past end.
    bool Eof() const override;

protected:
    // The base is current - buffered count (kSeekCurrent), end (kSeekEnd) or
    // start (kSeekSet); the target base + offset, taken as unsigned, is
    // clamped to [start, end], and the parent is moved there. A target equal
    // to current leaves the parent untouched.
    bool SeekRaw(int32_t offset, int origin) override;

private:
    TStream& m_parent;
    int32_t m_start;
    int32_t m_end;
    int32_t m_current;
};

#include "foundation/streams/SubFileStream.h"

TSubFile::TSubFile(TStream& parent, int32_t start, int32_t end)
    : m_parent(parent), m_start(start), m_end(end < start ? start : end), m_current(parent.Tell()) {}

int32_t TSubFile::Tell() const { return m_current - m_start - m_buffered; }

bool TSubFile::Eof() const { return m_buffered == 0 && m_current >= m_end; }

bool TSubFile::SeekRaw(int32_t offset, int origin) {
    int64_t base;
    switch (origin) {
        case kSeekCurrent:
            base = static_cast<int64_t>(m_current) - m_buffered;
            break;
        case kSeekEnd:
            base = m_end;
            break;
        default:
            base = m_start;
            break;
    }
    const int64_t target = base + offset;
    if (target == m_current) return true;
    // Taken as unsigned: a negative target lands on the end.
    int64_t clamped;
    if (target < 0 || target > m_end)
        clamped = m_end;
    else if (target < m_start)
        clamped = m_start;
    else
        clamped = target;
    m_current = static_cast<int32_t>(clamped);
    m_parent.SetPosition(m_current);
    return true;
}

int32_t TSubFile::ReadRaw(void* destination, int32_t n) {
    if (n <= 0 || m_current >= m_end) return 0;
    if (n > m_end - m_current) n = m_end - m_current;
    const int32_t got = m_parent.Read(destination, n);
    m_current += got;
    return got;
}

int32_t TSubFile::WriteRaw(const void* data, int32_t n) {
    if (n <= 0) return 0;
    m_parent.DropReadAhead();
    int32_t written = m_parent.WriteRaw(data, n);
    if (written < 0) written = 0;
    m_current += written;
    if (written != n) {
        // Report the parent's failure on the window too.
        SetError(m_parent.GetError() != kErrorNone ? m_parent.GetError() : kErrorIO);
    }
    return written;
}

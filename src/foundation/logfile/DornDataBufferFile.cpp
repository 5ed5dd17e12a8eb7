#include "foundation/logfile/DornDataBufferFile.h"

#include <sys/types.h>
#include <unistd.h>

#include "engine/File.h"
#include "foundation/platform/UniquePath.h"

DornDataBufferFile::DornDataBufferFile(uint32_t mode, const std::string& path)
    : m_mode(mode), m_path(Vek::File::ResolveOsPath(NormalisePathSeparators(path).c_str())) {
    bool measure = false;
    switch (mode) {
        case kModeRead:
            OpenStream("rb", false);
            measure = true;
            break;
        case kModeWrite:
            OpenStream("wb", true);
            break;
        case kModeWriteExisting:
            if (!OpenStream("r+b", true)) OpenStream("wb", true);
            measure = true;
            break;
        case kModeReadWrite:
            OpenStream("r+b", true);
            measure = true;
            break;
        default:
            std::printf("DornDataBufferFile> unknown access mode %u\n", mode);
            return;
    }
    if (measure && m_file) {
        if (::fseeko(m_file, 0, SEEK_END) == 0) {
            const off_t end = ::ftello(m_file);
            m_size = end > 0 ? static_cast<uint64_t>(end) : 0;
        }
        ::fseeko(m_file, 0, SEEK_SET);
        m_lastAccessWasRead = true;
    }
}

DornDataBufferFile::~DornDataBufferFile() { CloseStream(); }

bool DornDataBufferFile::OpenStream(const char* how, bool commit) {
    if (m_path.empty()) return false;
    m_file = std::fopen(m_path.c_str(), how);
    m_commitOnFlush = m_file && commit;
    return m_file != nullptr;
}

void DornDataBufferFile::CloseStream() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

bool DornDataBufferFile::Reopen() {
    CloseStream();
    if (!OpenStream("r+b", false)) return false;
    if (::fseeko(m_file, static_cast<off_t>(m_position), SEEK_SET) != 0) {
        CloseStream();
        return false;
    }
    return true;
}

int32_t DornDataBufferFile::SetSize(uint64_t size) {
    if (!m_file) return kNoFile;
    std::fflush(m_file);
    if (::ftruncate(::fileno(m_file), static_cast<off_t>(size)) != 0) return kFailed;
    const uint64_t position = m_position < size ? m_position : size;
    if (::fseeko(m_file, static_cast<off_t>(position), SEEK_SET) == 0) m_position = position;
    m_size = size;
    return kOk;
}

int32_t DornDataBufferFile::Seek(uint64_t position) {
    if (!m_file) return kNoFile;
    if (position > static_cast<uint64_t>(INT64_MAX) || ::fseeko(m_file, static_cast<off_t>(position), SEEK_SET) != 0)
        return kFailed;
    m_position = position;
    return kOk;
}

int32_t DornDataBufferFile::Write(const void* data, uint64_t length) {
    if (!m_file) return kNoFile;
    if (m_mode == kModeRead) return kNotAllowed;
    if (length == 0) return kOk;
    if (m_lastAccessWasRead) {
        m_lastAccessWasRead = false;
        if (m_mode == kModeReadWrite && !Reopen()) return kNoFile;
    }
    const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(length), m_file);
    m_position += written;
    if (m_size < m_position) m_size = m_position;
    return written == length ? kOk : kFailed;
}

int32_t DornDataBufferFile::Read(void* buffer, uint64_t length) {
    if (!m_file) return kNoFile;
    if (m_mode != kModeRead && m_mode != kModeReadWrite) return kNotAllowed;
    if (length == 0) return kOk;
    if (!m_lastAccessWasRead) {
        m_lastAccessWasRead = true;
        if (m_mode == kModeReadWrite && !Reopen()) return kNoFile;
    }
    const std::size_t read = std::fread(buffer, 1, static_cast<std::size_t>(length), m_file);
    m_position += read;
    return read == length ? kOk : kFailed;
}

void DornDataBufferFile::Flush() {
    if (!m_file) return;
    std::fflush(m_file);
    if (m_commitOnFlush) ::fsync(::fileno(m_file));
}

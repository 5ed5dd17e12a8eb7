#include "foundation/streams/FileStream.h"

#include <limits>
#include <string>

namespace {

int32_t ClampToInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

TFile::TFile(Vek::File* file, bool owns) : m_file(file), m_owns(owns) {}

TFile::~TFile() { ReleaseFile(); }

void TFile::ReleaseFile() {
    if (m_file) {
        if (m_owns) {
            delete m_file;
        } else if (m_buffered > 0) {
            // Leave the borrowed file where the stream's reader stands.
            m_file->Seek(-static_cast<int64_t>(m_buffered), Vek::File::kSeekCurrent);
        }
    }
    m_file = nullptr;
    m_owns = false;
    ClearReadBuffer();
}

void TFile::Close() {
    ReleaseFile();
    ClearError();
}

bool TFile::Open(const char* path, uint32_t mode) {
    Close();
    m_file = new Vek::File();
    m_owns = true;
    m_openFlags = 0;
    m_file->Open(path, mode, m_openFlags);
    return IsOpen();
}

bool TFile::OpenInRoot(const Vek::PString& root, const char* path, uint32_t mode) {
    Close();
    m_file = new Vek::File();
    m_owns = true;
    m_openFlags = 0;
    m_file->Open(root, path, mode, m_openFlags);
    return IsOpen();
}

Vek::File* TFile::GetFile() {
    if (!m_file) {
        m_file = new Vek::File();
        m_owns = true;
        m_openFlags = 0;
        ClearReadBuffer();
    }
    return m_file;
}

int32_t TFile::Attach(Vek::File* file, bool owns) {
    ReleaseFile();
    m_file = file;
    m_owns = owns;
    m_openFlags = 0;
    ClearReadBuffer();
    return 0;
}

void TFile::Reset() {
    if (!IsOpen()) return;
    // Copy the name first: closing may clear the engine file's own record.
    const std::string path = m_file->GetPath().Str();
    const Vek::PString root = m_file->GetRoot();
    m_file->Close();
    ClearError();
    ClearReadBuffer();
    m_file->Open(root, path.c_str(), kModeWriteNew, m_openFlags);
}

int32_t TFile::Tell() const {
    if (!m_file) return 0;
    return ClampToInt32(m_file->Tell() - m_buffered);
}

bool TFile::IsOpen() const { return m_file != nullptr && m_file->IsValid(); }

int32_t TFile::WriteRaw(const void* data, int32_t n) {
    if (!m_file) {
        SetError(kErrorIO);
        return 0;
    }
    if (n <= 0) return 0;
    const std::size_t written = m_file->Write(data, static_cast<std::size_t>(n));
    if (written != static_cast<std::size_t>(n)) SetError(kErrorIO);
    return static_cast<int32_t>(written);
}

int32_t TFile::ReadRaw(void* destination, int32_t n) {
    if (!m_file) {
        SetError(kErrorIO);
        return 0;
    }
    if (n <= 0) return 0;
    const std::size_t got = m_file->Read(destination, static_cast<std::size_t>(n));
    if (got != static_cast<std::size_t>(n)) SetError(kErrorIO);
    return static_cast<int32_t>(got);
}

bool TFile::SeekRaw(int32_t offset, int origin) {
    if (!m_file) {
        SetError(kErrorIO);
        return false;
    }
    int64_t target = offset;
    if (origin == kSeekCurrent) target -= m_buffered;
    return m_file->Seek(target, origin);
}

bool TFile::Eof() const {
    if (!m_file) return true;
    return m_buffered == 0 && m_file->Eof();
}

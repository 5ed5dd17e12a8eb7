#include "foundation/streams/FileStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace {

int32_t ClampToInt32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

TFile::TFile(Vek::File* file, bool owns) : m_file(file), m_owns(owns) { ForgetPosition(); }

TFile::~TFile() { ReleaseFile(); }

void TFile::ForgetPosition() {
    m_positionKnown = false;
    m_position = 0;
    m_filePosition = -1;
    m_pendingStart = 0;
    m_pendingSize = 0;
}

void TFile::KnowPosition() const {
    if (m_positionKnown || !m_file) return;
    m_position = m_file->Tell();
    m_filePosition = m_position;
    m_positionKnown = true;
}

bool TFile::PlaceFile(int64_t position) {
    if (m_filePosition == position) return true;
    if (!m_file->Seek(position, Vek::File::kSeekSet)) {
        m_filePosition = -1;
        return false;
    }
    m_filePosition = position;
    return true;
}

int64_t TFile::DataEnd() const {
    const int64_t length = m_file ? m_file->Length() : 0;
    return m_pendingSize > 0 ? std::max(length, m_pendingStart + m_pendingSize) : length;
}

bool TFile::OpenForWriting() const {
    return IsOpen() && (m_file->GetMode() & (Vek::File::kModeWrite | Vek::File::kModeCreate)) != 0;
}

bool TFile::Flush() {
    if (m_pendingSize == 0) return true;
    const int32_t size = m_pendingSize;
    m_pendingSize = 0;
    std::size_t written = 0;
    if (m_file && PlaceFile(m_pendingStart)) {
        written = m_file->Write(m_writeBuffer.data(), static_cast<std::size_t>(size));
        m_filePosition = m_pendingStart + static_cast<int64_t>(written);
    }
    if (written != static_cast<std::size_t>(size)) {
        SetError(kErrorIO);
        return false;
    }
    return true;
}

void TFile::ReleaseFile() {
    if (m_file) {
        Flush();
        if (m_owns) {
            delete m_file;
        } else if (m_positionKnown) {
            // Leave the borrowed file where the stream's reader stands.
            const int64_t logical = m_position - m_buffered;
            if (m_filePosition != logical) m_file->Seek(logical, Vek::File::kSeekSet);
        }
    }
    m_file = nullptr;
    m_owns = false;
    ClearReadBuffer();
    ForgetPosition();
}

bool TFile::Close() {
    const bool hadFile = m_file != nullptr;
    const bool flushed = Flush();
    const bool clean = !HasError();
    ReleaseFile();
    ClearError();
    return !hadFile || (flushed && clean);
}

bool TFile::Open(const char* path, uint32_t mode) {
    Close();
    m_file = new Vek::File();
    m_owns = true;
    m_openFlags = 0;
    m_file->Open(path, mode, m_openFlags);
    ForgetPosition();
    return IsOpen();
}

bool TFile::OpenInRoot(const Vek::PString& root, const char* path, uint32_t mode) {
    Close();
    m_file = new Vek::File();
    m_owns = true;
    m_openFlags = 0;
    m_file->Open(root, path, mode, m_openFlags);
    ForgetPosition();
    return IsOpen();
}

Vek::File* TFile::GetFile() {
    if (!m_file) {
        m_file = new Vek::File();
        m_owns = true;
        m_openFlags = 0;
        ClearReadBuffer();
        ForgetPosition();
        return m_file;
    }
    // The caller may move or use the file itself: write out what is
    // buffered, put the file at the raw position and take its position
    // again at the next call.
    Flush();
    if (m_positionKnown) PlaceFile(m_position);
    m_positionKnown = false;
    m_filePosition = -1;
    return m_file;
}

int32_t TFile::Attach(Vek::File* file, bool owns) {
    ReleaseFile();
    m_file = file;
    m_owns = owns;
    m_openFlags = 0;
    ClearReadBuffer();
    ForgetPosition();
    return 0;
}

void TFile::Reset() {
    if (!IsOpen()) return;
    // Copy the name first: closing may clear the engine file's own record.
    const std::string path = m_file->GetPath().Str();
    const Vek::PString root = m_file->GetRoot();
    // The file is emptied: buffered bytes have nowhere to go.
    m_pendingSize = 0;
    m_file->Close();
    ClearError();
    ClearReadBuffer();
    m_file->Open(root, path.c_str(), kModeWriteNew, m_openFlags);
    ForgetPosition();
}

int32_t TFile::Tell() const {
    if (!m_file) return 0;
    KnowPosition();
    return ClampToInt32(m_position - m_buffered);
}

bool TFile::IsOpen() const { return m_file != nullptr && m_file->IsValid(); }

int32_t TFile::WriteRaw(const void* data, int32_t n) {
    if (!OpenForWriting()) {
        SetError(kErrorIO);
        return 0;
    }
    if (n <= 0) return 0;
    KnowPosition();
    // Bytes that do not continue or overwrite the buffered ones: the
    // buffered ones go first.
    if (m_pendingSize > 0 &&
        (n >= kWriteBufferSize || m_position < m_pendingStart || m_position > m_pendingStart + m_pendingSize ||
         m_position - m_pendingStart + n > kWriteBufferSize)) {
        if (!Flush()) return 0;
    }
    if (n >= kWriteBufferSize) {
        if (!PlaceFile(m_position)) {
            SetError(kErrorIO);
            return 0;
        }
        const std::size_t written = m_file->Write(data, static_cast<std::size_t>(n));
        m_position += static_cast<int64_t>(written);
        m_filePosition = m_position;
        if (written != static_cast<std::size_t>(n)) SetError(kErrorIO);
        return static_cast<int32_t>(written);
    }
    if (m_writeBuffer.empty()) m_writeBuffer.resize(kWriteBufferSize);
    if (m_pendingSize == 0) m_pendingStart = m_position;
    const int32_t offset = static_cast<int32_t>(m_position - m_pendingStart);
    std::memcpy(m_writeBuffer.data() + offset, data, static_cast<std::size_t>(n));
    m_pendingSize = std::max(m_pendingSize, offset + n);
    m_position += n;
    return n;
}

int32_t TFile::ReadRaw(void* destination, int32_t n) {
    if (!m_file) {
        SetError(kErrorIO);
        return 0;
    }
    if (n <= 0) return 0;
    KnowPosition();
    Flush();
    if (!PlaceFile(m_position)) {
        SetError(kErrorIO);
        return 0;
    }
    const std::size_t got = m_file->Read(destination, static_cast<std::size_t>(n));
    m_position += static_cast<int64_t>(got);
    m_filePosition = m_position;
    if (got != static_cast<std::size_t>(n)) SetError(kErrorIO);
    return static_cast<int32_t>(got);
}

bool TFile::SeekRaw(int32_t offset, int origin) {
    if (!m_file) {
        SetError(kErrorIO);
        return false;
    }
    if (!m_file->IsValid()) return false;
    KnowPosition();
    int64_t target;
    switch (origin) {
        case kSeekSet:
            target = offset;
            break;
        case kSeekCurrent:
            target = m_position - m_buffered + offset;
            break;
        case kSeekEnd:
            // The engine's rule: a positive offset counts back from the end.
            target = DataEnd() - offset;
            break;
        default:
            return false;
    }
    if (target < 0) return false;
    m_position = target;
    return true;
}

bool TFile::Eof() const {
    if (!m_file || !m_file->IsValid()) return true;
    if (m_buffered != 0) return false;
    KnowPosition();
    return m_position >= DataEnd();
}

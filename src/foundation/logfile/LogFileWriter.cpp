#include "foundation/logfile/LogFileWriter.h"

#include <cstdio>
#include <cstring>

#include "foundation/logfile/DataBufferFiles.h"
#include "foundation/logfile/LogTimestamp.h"
#include "foundation/platform/UniquePath.h"

namespace {

constexpr int kNameAttempts = 5;

}  // namespace

LogFileWriter::LogFileWriter(std::string folder, std::string fileName, std::string suppressionText)
    : m_suppressionText(std::move(suppressionText)), m_fileName(std::move(fileName)), m_folder(std::move(folder)) {}

LogFileWriter::~LogFileWriter() { Close(); }

void LogFileWriter::SetEnabled(bool enabled) {
    OS::MutexLock lock(m_mutex);
    m_enabled = enabled;
}

void LogFileWriter::SetSuppressionText(std::string text) {
    OS::MutexLock lock(m_mutex);
    m_suppressionText = std::move(text);
}

void LogFileWriter::Open() {
    OS::MutexLock lock(m_mutex);
    OpenLocked();
}

void LogFileWriter::OpenLocked() {
    if (!m_enabled) return;
    m_file.reset();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        m_currentPath = MakeUniquePath(m_folder, m_fileName);
        if (CreateNewFile(m_currentPath)) break;
    }
}

void LogFileWriter::EnsureOpen() {
    OS::MutexLock lock(m_mutex);
    EnsureOpenLocked();
}

void LogFileWriter::EnsureOpenLocked() {
    if (!m_enabled || m_file) return;
    if (m_currentPath.empty()) OpenLocked();
    auto file = std::make_unique<DornDataBufferFile>(DornDataBufferFile::kModeWriteExisting, m_currentPath);
    if (!file->IsOpen()) return;
    file->Seek(file->GetSize());
    m_file = std::move(file);
}

void LogFileWriter::WriteSuppressedNote() {
    char note[160];
    int length = 0;
    if (LogTimestampSettings::IsEnabled())
        length = FormatTimestamp(note, sizeof note, LogTimestampSettings::SecondsSinceBase());
    const int added = std::snprintf(note + length, sizeof note - static_cast<std::size_t>(length),
                                    "[%d lines suppressed]\r\n", m_suppressedCount);
    if (added > 0) length += added;
    if (m_file) m_file->Write(note, static_cast<uint64_t>(length));
}

void LogFileWriter::WriteLine(const char* data, std::size_t length) {
    OS::MutexLock lock(m_mutex);
    if (!m_enabled) return;
    EnsureOpenLocked();
    if (!m_file) return;
    if (!data) length = 0;
    const bool suppressed = length == m_suppressionText.size() &&
                            (length == 0 || std::memcmp(data, m_suppressionText.data(), length) == 0);
    if (suppressed && !m_flushEachLine) {
        m_suppressedCount += 1;
        return;
    }
    if (m_suppressedCount > 0) {
        WriteSuppressedNote();
        m_suppressedCount = 0;
    }
    m_file->Write(data, length);
    if (m_flushEachLine) m_file->Flush();
}

void LogFileWriter::Close() {
    OS::MutexLock lock(m_mutex);
    if (m_suppressedCount > 0) {
        WriteSuppressedNote();
        m_suppressedCount = 0;
    }
    m_file.reset();
}

void LogFileWriter::SetFlushEachLine(bool flushEachLine) {
    OS::MutexLock lock(m_mutex);
    m_flushEachLine = flushEachLine;
    if (m_file) m_file->Flush();
}

#pragma once
// LogFileWriter: copies log lines into a file that it opens on first use
// under a unique name in its folder. Lines equal to the suppression text are
// only counted, and the count is written as "[N lines suppressed]" before
// the next other line (with a time stamp when time stamps are switched on).
// Every operation is serialised by the writer's own mutex.
//
// Nothing in the program makes one; the folder, file name, suppression text
// and switches are given by whoever does.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/logfile/DornDataBufferFile.h"
#include "foundation/platform/MutexLock.h"

class LogFileWriter {
public:
    LogFileWriter(std::string folder, std::string fileName, std::string suppressionText = std::string());
    ~LogFileWriter();
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }
    void SetSuppressionText(std::string text);

    // When enabled: closes the current file, then tries up to five unique
    // names (MakeUniquePath) until one can be created (CreateNewFile). The
    // last name tried stays the current path.
    void Open();
    // When enabled and no file is open: Open when there is no current path
    // yet, then opens the current path in mode 2 at its end.
    void EnsureOpen();
    // Writes one line's bytes (the caller supplies the line end). Nothing
    // unless enabled and a file can be opened. A line equal to the
    // suppression text is only counted, unless every line is flushed.
    void WriteLine(const char* data, std::size_t length);
    // Writes the note of suppressed lines, when there are any, and closes
    // the file.
    void Close();
    // Sets flushing after every line and flushes the open file.
    void SetFlushEachLine(bool flushEachLine);

    const std::string& GetCurrentPath() const { return m_currentPath; }
    int32_t GetSuppressedCount() const { return m_suppressedCount; }
    bool HasFile() const { return m_file != nullptr; }

private:
    void OpenLocked();
    void EnsureOpenLocked();
    void WriteSuppressedNote();

    std::string m_suppressionText;
    int32_t m_suppressedCount = 0;
    std::string m_fileName;
    std::string m_folder;
    std::string m_currentPath;
    std::unique_ptr<DornDataBufferFile> m_file;
    bool m_enabled = true;
    bool m_flushEachLine = false;
    OS::Mutex m_mutex;
};

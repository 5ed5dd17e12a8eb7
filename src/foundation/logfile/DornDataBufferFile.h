#pragma once
// DornDataBufferFile: a data buffer over a C file stream, opened in one of
// four access modes:
//   0  read only ("rb"); the size is measured
//   1  write only, created or truncated; flushes reach the disk
//   2  write only over an existing file, or a new one when there is none;
//      the size is measured
//   3  read and write over an existing file; the size is measured. Whenever
//      the access switches between reading and writing, the file is
//      reopened at the current position.
// Paths are in the program's form ('\' or '/'); they resolve through the
// engine's case-insensitive file layer.
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/logfile/DornDataBuffer.h"

class DornDataBufferFile : public DornDataBuffer {
public:
    enum Mode : uint32_t { kModeRead = 0, kModeWrite = 1, kModeWriteExisting = 2, kModeReadWrite = 3 };

    // Opens the file as the mode says. An unknown mode opens nothing and
    // writes "DornDataBufferFile> unknown access mode N" to standard output.
    DornDataBufferFile(uint32_t mode, const std::string& path);
    ~DornDataBufferFile() override;

    bool IsOpen() const { return m_file != nullptr; }
    uint32_t GetMode() const { return m_mode; }
    const std::string& GetPath() const { return m_path; }

    uint64_t GetSize() const override { return m_size; }
    // Changes the file's length, then moves to the smaller of the position
    // and the new size.
    int32_t SetSize(uint64_t size) override;
    uint64_t GetPosition() const override { return m_position; }
    // Moves to a position counted from the start.
    int32_t Seek(uint64_t position) override;
    // kNotAllowed in mode 0; raises the size to the position reached.
    int32_t Write(const void* data, uint64_t length) override;
    // kNotAllowed unless the mode is 0 or 3.
    int32_t Read(void* buffer, uint64_t length) override;
    // Writes the stream's buffer out (and to the disk in the modes that
    // commit on flush).
    void Flush() override;

private:
    bool OpenStream(const char* how, bool commit);
    void CloseStream();
    // Mode 3: reopens "r+b" at the current position.
    bool Reopen();

    std::FILE* m_file = nullptr;
    uint32_t m_mode;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
    bool m_lastAccessWasRead = false;
    bool m_commitOnFlush = false;
    std::string m_path;  // the OS path the stream was opened with
};

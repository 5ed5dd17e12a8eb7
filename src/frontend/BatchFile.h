#pragma once
// Batch files: a text file of commands, one per line ("VorlexUtil @file").
#include <cstdint>
#include <string>

#include "engine/File.h"
#include "frontend/StartupContext.h"

// Reads a batch file line by line through the engine's file service. A
// line is read whole, however long, with its line terminator.
class BatchFileReader {
public:
    // Opens the file for reading; false when it cannot be opened.
    bool Open(const char* path);
    // The next line, its terminator included; false (with an empty line)
    // when nothing was left to read.
    bool ReadLine(std::string& line);
    // Whether the whole file has been read.
    bool AtEnd() const;

private:
    Vek::File m_file;
};

// Runs every command line of the open batch file, reading a line and then
// checking for the end of the file, so at least one read is made: an empty
// file gives one empty line, which runs an empty command word (rejected as
// any unknown word). Each runs with a fresh result
// log, through the crash guard, its log printed and followed by an empty
// line. `programName` is the argv[0] of each command. Returns 0 when every
// command returned 0, else -1.
int32_t RunBatchFile(BatchFileReader& reader, StartupContext& context, const char* programName);

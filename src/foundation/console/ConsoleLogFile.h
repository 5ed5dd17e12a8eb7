#pragma once
// Where the console writer copies each line when a log file is open. The
// log-file writer implements it; while none is set, lines are not copied.
#include <cstddef>

class ConsoleLogFile {
public:
    virtual ~ConsoleLogFile() = default;
    // Writes the bytes as they are (the console writer adds "\r\n").
    virtual void WriteLine(const char* data, std::size_t length) = 0;
};

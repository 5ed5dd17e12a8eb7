#pragma once
// The engine log. Before Init, and with "-LogFile=/dev/null", lines go
// nowhere; "-LogStdOut" sends them to standard output; "-LogFile=PATH"
// appends them to that file.
#include <cstdio>
#include <string>

namespace Vek {

class LogClient {
public:
    explicit LogClient(std::string name) : m_name(std::move(name)) {}
    const std::string& Name() const { return m_name; }
    // Writes one line (a line feed is added when the text has none).
    void OutputString(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::string m_name;
};

struct Log {
    // Reads the log switches from the engine option string.
    static void Init(const char* options);
    // Closes the log file; later lines go nowhere.
    static void Shutdown();
    // The client of that name, made on first use; never null.
    static LogClient* GetClient(const char* name);
    // Writes one raw line to the log sink.
    static void Write(const char* text);
};

}  // namespace Vek

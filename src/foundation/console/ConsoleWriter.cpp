#include "foundation/console/ConsoleWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <vector>

#include "foundation/console/CodePages.h"
#include "foundation/console/ConsoleLogFile.h"
#include "foundation/console/ConsoleOutputListener.h"

namespace {

constexpr std::size_t kFirstBuffer = 4096;
constexpr std::size_t kLargestBuffer = 65536;

struct ConsoleState {
    Vek::CriticalSection lock;
    int fd = STDOUT_FILENO;
    bool piped = false;
    ConsoleLogFile* logFile = nullptr;
    std::set<ConsoleOutputListener*> listeners;
    bool notifying = false;
};

ConsoleState& State() {
    // Never destroyed: crash handlers and late static destructors may write.
    static ConsoleState* state = new ConsoleState();
    return *state;
}

void WriteAll(int fd, const void* data, std::size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = ::write(fd, p, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // write errors on the console are ignored
        }
        p += n;
        length -= static_cast<std::size_t>(n);
    }
}

// Formats like the Windows formatter loop: start with 4096 characters and
// double while the text does not fit, up to 65536; a text that still does
// not fit is cut to 65535 characters.
template <typename Char, typename Formatter>
std::basic_string<Char> FormatBounded(Formatter format) {
    std::vector<Char> buffer(kFirstBuffer);
    for (;;) {
        int n = format(buffer.data(), buffer.size());
        if (n >= 0 && static_cast<std::size_t>(n) < buffer.size()) return std::basic_string<Char>(buffer.data(), n);
        if (buffer.size() >= kLargestBuffer) {
            // The text is cut; a formatter that failed outright gives nothing.
            if (n < 0 && buffer[0] == Char(0)) return std::basic_string<Char>();
            std::basic_string<Char> text(buffer.data());
            if (text.size() > kLargestBuffer - 1) text.resize(kLargestBuffer - 1);
            return text;
        }
        buffer.assign(buffer.size() * 2, Char(0));
    }
}

}  // namespace

Vek::CriticalSection& ConsoleOutputLock() { return State().lock; }

void WriteConsoleLine(std::string_view text) {
    ConsoleState& s = State();
    s.lock.Enter();
    if (s.logFile) {
        std::string withEnd(text);
        withEnd += "\r\n";
        s.logFile->WriteLine(withEnd.data(), withEnd.size());
    }
    std::string line(text);
    line += '\n';
    std::u16string wide = AnsiToWide(line);
    if (s.piped) {
        std::string bytes;
        bytes.reserve(wide.size() * 2);
        for (char16_t unit : wide) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        WriteAll(s.fd, bytes.data(), bytes.size());
    } else {
        // Keep the order with what the C library has buffered for stdout.
        if (s.fd == STDOUT_FILENO) std::fflush(stdout);
        WriteAll(s.fd, line.data(), line.size());
    }
    if (!s.notifying && !s.listeners.empty()) {
        s.notifying = true;
        std::vector<ConsoleOutputListener*> listeners(s.listeners.begin(), s.listeners.end());
        for (ConsoleOutputListener* listener : listeners) listener->OnConsoleLine(wide);
        s.notifying = false;
    }
    s.lock.Leave();
}

void ConsoleVPrintf(const char* format, va_list args) {
    if (!format) return;
    std::string text = FormatBounded<char>([&](char* buffer, std::size_t size) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vsnprintf(buffer, size, format, copy);
        va_end(copy);
        return n;
    });
    WriteConsoleLine(text);
}

void ConsolePrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    ConsoleVPrintf(format, args);
    va_end(args);
}

void ConsolePrintfW(const wchar_t* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatBounded<wchar_t>([&](wchar_t* buffer, std::size_t size) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(buffer, size, format, copy);
        va_end(copy);
        return n;
    });
    va_end(args);
    WriteConsoleLine(WideToAnsi(std::wstring_view(text)));
}

void SetConsoleLogFile(ConsoleLogFile* logFile) {
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    s.logFile = logFile;
}

ConsoleLogFile* GetConsoleLogFile() {
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    return s.logFile;
}

void AddConsoleOutputListener(ConsoleOutputListener* listener) {
    if (!listener) return;
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    s.listeners.insert(listener);
}

void RemoveConsoleOutputListener(ConsoleOutputListener* listener) {
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    s.listeners.erase(listener);
}

void SetConsoleOutput(int fd, bool piped) {
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    s.fd = fd;
    s.piped = piped;
}

int GetConsoleOutputFd() {
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    return s.fd;
}

bool IsConsoleOutputPiped() {
    ConsoleState& s = State();
    Vek::SingleLock hold(s.lock);
    return s.piped;
}

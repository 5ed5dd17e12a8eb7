#include "engine/Log.h"

#include <cstdarg>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace Vek {

namespace {

struct LogState {
    std::mutex lock;
    FILE* sink = nullptr;  // null: nowhere
    bool ownsSink = false;
    std::map<std::string, std::unique_ptr<LogClient>> clients;
};

LogState& State() {
    static LogState* state = new LogState();  // outlives static destructors
    return *state;
}

void CloseSinkLocked(LogState& s) {
    if (s.ownsSink && s.sink) std::fclose(s.sink);
    s.sink = nullptr;
    s.ownsSink = false;
}

}  // namespace

void Log::Init(const char* options) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    CloseSinkLocked(s);
    std::string opts = options ? options : "";
    if (opts.find("-LogStdOut") != std::string::npos) {
        s.sink = stdout;
        return;
    }
    std::size_t at = opts.find("-LogFile=");
    if (at != std::string::npos) {
        std::size_t begin = at + std::strlen("-LogFile=");
        std::size_t end = opts.find(' ', begin);
        std::string path = opts.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (!path.empty() && path != "/dev/null") {
            s.sink = std::fopen(path.c_str(), "a");
            s.ownsSink = s.sink != nullptr;
        }
    }
}

void Log::Shutdown() {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    CloseSinkLocked(s);
}

LogClient* Log::GetClient(const char* name) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    std::string key = name ? name : "";
    auto& slot = s.clients[key];
    if (!slot) slot = std::make_unique<LogClient>(key);
    return slot.get();
}

void Log::Write(const char* text) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.sink || !text) return;
    std::size_t n = std::strlen(text);
    std::fwrite(text, 1, n, s.sink);
    if (n == 0 || text[n - 1] != '\n') std::fputc('\n', s.sink);
    std::fflush(s.sink);
}

void LogClient::OutputString(const char* format, ...) {
    char stackBuffer[1024];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, copy);
    va_end(copy);
    if (n < 0) {
        va_end(args);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof stackBuffer) {
        va_end(args);
        Log::Write(stackBuffer);
        return;
    }
    std::string big(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(big.data(), big.size() + 1, format, args);
    va_end(args);
    Log::Write(big.c_str());
}

}  // namespace Vek

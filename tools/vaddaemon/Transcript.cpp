#include "vaddaemon/Transcript.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxHexBytes = 4096;

}  // namespace

bool Transcript::Open(const std::string& path) {
    if (path.empty()) return true;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return m_fd >= 0;
}

Transcript::~Transcript() {
    if (m_fd >= 0) ::close(m_fd);
}

void Transcript::Line(int connection, const std::string& text) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_fd < 0) return;
    std::string line = "c" + std::to_string(connection) + " " + text + "\n";
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(m_fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string Transcript::Hex(const uint8_t* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    std::size_t shown = size < kMaxHexBytes ? size : kMaxHexBytes;
    text.reserve(shown * 2 + 3);
    for (std::size_t i = 0; i < shown; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    if (shown < size) text += "...";
    return text;
}

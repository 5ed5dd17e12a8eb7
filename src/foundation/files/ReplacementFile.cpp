#include "foundation/files/ReplacementFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/File.h"

namespace {

// Tries at names taken by others before giving up.
constexpr int kNameTries = 100;

std::atomic<unsigned> g_nameCounter{0};

}  // namespace

ReplacementFile::ReplacementFile(const char* target)
    : m_target(target && *target ? Vek::File::ResolveOsPath(target) : std::string()) {}

ReplacementFile::~ReplacementFile() { Discard(); }

void ReplacementFile::Fail(int error) {
    m_failed = true;
    m_error = std::strerror(error);
    Discard();
}

void ReplacementFile::Discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool ReplacementFile::Open() {
    Discard();
    m_failed = false;
    m_error.clear();
    const std::size_t slash = m_target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : m_target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (name.empty()) {
        Fail(m_target.empty() ? ENOENT : EISDIR);
        return false;
    }
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::string candidate = folder + "." + name + "." + std::to_string(::getpid()) + "-" +
                                      std::to_string(g_nameCounter.fetch_add(1)) + ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = candidate;
            return true;
        }
        if (errno != EEXIST) break;
    }
    Fail(errno);
    return false;
}

bool ReplacementFile::Write(const void* data, std::size_t size) {
    if (m_fd < 0) {
        if (!m_failed) Fail(EBADF);
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t put = ::write(m_fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            Fail(put < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool ReplacementFile::Commit() {
    if (m_fd < 0) {
        if (!m_failed) Fail(EBADF);
        return false;
    }
    // On disk before the rename, so that a crash cannot leave the target
    // replaced by a file whose content never arrived.
    if (::fsync(m_fd) != 0) {
        Fail(errno);
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        Fail(errno);
        return false;
    }
    if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        Fail(errno);
        return false;
    }
    m_temporary.clear();
    return true;
}

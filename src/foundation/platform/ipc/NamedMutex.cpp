#include "foundation/platform/ipc/NamedMutex.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "foundation/platform/ipc/RuntimeFolder.h"

namespace {

int OpenObjectFile(const std::string& path) {
    if (path.empty()) return -1;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int FlockRetrying(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

}  // namespace

bool NamedMutex::Open(const std::string& name, bool initialOwner, bool& created) {
    created = false;
    Close();
    m_lockFd = OpenObjectFile(ObjectFilePath(name, ".lock"));
    m_presenceFd = m_lockFd >= 0 ? OpenObjectFile(ObjectFilePath(name, ".presence")) : -1;
    if (m_presenceFd < 0) {
        Close();
        return false;
    }
    if (!Wait()) {
        Close();
        return false;
    }
    // Under the mutex, nobody else converts a presence lock.
    created = FlockRetrying(m_presenceFd, LOCK_EX | LOCK_NB) == 0;
    if (FlockRetrying(m_presenceFd, LOCK_SH) != 0) {
        Release();
        Close();
        return false;
    }
    if (!(created && initialOwner)) Release();
    return true;
}

void NamedMutex::Close() {
    {
        std::lock_guard<std::mutex> hold(m_state);
        m_owner = std::thread::id();
        m_depth = 0;
    }
    m_free.notify_all();
    if (m_lockFd >= 0) ::close(m_lockFd);
    if (m_presenceFd >= 0) ::close(m_presenceFd);
    m_lockFd = m_presenceFd = -1;
}

bool NamedMutex::TakeFileLock(uint32_t timeoutMs) {
    if (timeoutMs == kInfinite) return FlockRetrying(m_lockFd, LOCK_EX) == 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (FlockRetrying(m_lockFd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return false;
        ::usleep(1000);
    }
}

bool NamedMutex::Wait(uint32_t timeoutMs) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> hold(m_state);
    if (m_lockFd < 0) return false;
    if (m_owner == self) {
        ++m_depth;
        return true;
    }
    auto isFree = [this] { return m_owner == std::thread::id(); };
    if (timeoutMs == kInfinite) {
        m_free.wait(hold, isFree);
    } else if (!m_free.wait_for(hold, std::chrono::milliseconds(timeoutMs), isFree)) {
        return false;
    }
    // The thread reserves the object, then waits for the file lock outside
    // the state lock.
    m_owner = self;
    m_depth = 0;
    hold.unlock();
    bool locked = TakeFileLock(timeoutMs);
    hold.lock();
    if (!locked) {
        m_owner = std::thread::id();
        hold.unlock();
        m_free.notify_one();
        return false;
    }
    m_depth = 1;
    return true;
}

void NamedMutex::Release() {
    std::unique_lock<std::mutex> hold(m_state);
    if (m_owner != std::this_thread::get_id() || m_depth == 0) return;
    if (--m_depth > 0) return;
    if (m_lockFd >= 0) FlockRetrying(m_lockFd, LOCK_UN);
    m_owner = std::thread::id();
    hold.unlock();
    m_free.notify_one();
}

bool NamedMutex::IsHeldByCaller() {
    std::lock_guard<std::mutex> hold(m_state);
    return m_owner == std::this_thread::get_id() && m_depth > 0;
}

#include "engine/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/FileSubst.h"

namespace Vek {

File::File() = default;

File::~File() { Close(); }

bool File::Open(const char* path, uint32_t mode, uint32_t flags) {
    return Open(PString(), path, mode, flags);
}

bool File::Open(const PString& root, const char* path, uint32_t mode, uint32_t /*flags*/) {
    Close();
    try {
        FileDetail::RootTarget target;
        if (!FileDetail::ResolveInRoot(root, path, target)) return false;
        if (target.archive) {
            // Archives are read-only; their entries are served from memory.
            if ((mode & (kModeWrite | kModeCreate)) || !(mode & kModeRead)) return false;
            std::vector<uint8_t> data;
            if (!target.archive->ReadEntry(target.inner, data)) return false;
            m_memory = std::move(data);
            m_memoryPosition = 0;
            m_inMemory = true;
        } else if (!OpenOs(target.osPath, mode)) {
            return false;
        }
        m_path = path;
        m_root = root;
        m_mode = mode;
        return true;
    } catch (...) {
        Close();
        return false;
    }
}

bool File::OpenOs(const std::string& osPath, uint32_t mode) {
    const bool write = (mode & (kModeWrite | kModeCreate)) != 0;
    const bool read = (mode & kModeRead) != 0;
    if (!read && !write) return false;
    int oflags = O_CLOEXEC | O_NONBLOCK;  // non-blocking only so that a FIFO cannot hang the open
    oflags |= write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (mode & kModeCreate) oflags |= O_CREAT | O_TRUNC;

    int fd;
    do {
        fd = ::open(osPath.c_str(), oflags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    int status = ::fcntl(fd, F_GETFL);
    if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    m_fd = fd;
    return true;
}

void File::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_inMemory = false;
    m_memory.clear();
    m_memory.shrink_to_fit();
    m_memoryPosition = 0;
    m_path.Clear();
    m_root.Release();
    m_mode = 0;
}

bool File::IsValid() const { return m_fd >= 0 || m_inMemory; }

std::size_t File::Read(void* destination, std::size_t n) {
    if (n == 0 || !destination) return 0;
    if (m_inMemory) {
        const int64_t size = static_cast<int64_t>(m_memory.size());
        if (m_memoryPosition >= size) return 0;
        std::size_t count = static_cast<std::size_t>(size - m_memoryPosition);
        if (count > n) count = n;
        std::memcpy(destination, m_memory.data() + m_memoryPosition, count);
        m_memoryPosition += static_cast<int64_t>(count);
        return count;
    }
    if (m_fd < 0) return 0;
    std::size_t done = 0;
    auto* bytes = static_cast<uint8_t*>(destination);
    while (done < n) {
        ssize_t got = ::read(m_fd, bytes + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t File::Write(const void* source, std::size_t n) {
    if (n == 0 || !source || m_fd < 0) return 0;
    std::size_t done = 0;
    const auto* bytes = static_cast<const uint8_t*>(source);
    while (done < n) {
        ssize_t put = ::write(m_fd, bytes + done, n - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<std::size_t>(put);
    }
    return done;
}

bool File::Seek(int64_t offset, int origin) {
    if (!IsValid()) return false;
    int64_t base;
    switch (origin) {
    case kSeekSet:
        base = 0;
        break;
    case kSeekCurrent:
        base = Tell();
        break;
    case kSeekEnd:
        // Counted back from the end: Seek(n, kSeekEnd) stands n bytes before it.
        if (offset == INT64_MIN) return false;
        base = Length();
        offset = -offset;
        break;
    default:
        return false;
    }
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) return false;
    if (m_inMemory) {
        m_memoryPosition = target;
        return true;
    }
    return ::lseek(m_fd, static_cast<off_t>(target), SEEK_SET) == target;
}

int64_t File::Tell() const {
    if (m_inMemory) return m_memoryPosition;
    if (m_fd < 0) return 0;
    off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    return position < 0 ? 0 : static_cast<int64_t>(position);
}

bool File::Eof() const {
    if (!IsValid()) return true;
    return Tell() >= Length();
}

int64_t File::Length() const {
    if (m_inMemory) return static_cast<int64_t>(m_memory.size());
    if (m_fd < 0) return 0;
    struct stat info;
    if (::fstat(m_fd, &info) != 0) return 0;
    return static_cast<int64_t>(info.st_size);
}

bool File::ReadLine(File& file, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    if (size < 2 || !file.IsValid()) return false;
    // Read as much as the buffer takes, cut behind the first '\n', and put
    // the file back right behind the line.
    const int64_t start = file.Tell();
    const std::size_t got = file.Read(buffer, size - 1);
    if (got == 0) return false;
    std::size_t length = got;
    if (const void* end = std::memchr(buffer, '\n', got)) {
        length = static_cast<std::size_t>(static_cast<const char*>(end) - buffer) + 1;
        if (length < got) file.Seek(start + static_cast<int64_t>(length), kSeekSet);
    }
    buffer[length] = '\0';
    return true;
}

}  // namespace Vek

#include "foundation/platform/ipc/SharedMemoryFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/platform/ipc/RuntimeFolder.h"

bool SharedMemoryFile::Open(const std::string& name, std::size_t size) {
    Close();
    if (size == 0) return false;
    std::string path = ObjectFilePath(name, ".shm");
    if (path.empty()) return false;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid();
    // Growing zero-fills; two processes growing at once reach the same size.
    if (ok && static_cast<std::size_t>(info.st_size) < size) ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    void* data = ok ? ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (data == MAP_FAILED) return false;
    m_data = data;
    m_size = size;
    return true;
}

void SharedMemoryFile::Close() {
    if (m_data) ::munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
}

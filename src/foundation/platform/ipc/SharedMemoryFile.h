#pragma once
// Named shared memory between processes, in the place of a Windows file
// mapping: the file "<name>.shm" in the runtime folder, mapped shared. A
// new file is zero-filled to the size asked for; an existing smaller one
// is grown (never shrunk). The file stays when the last user closes it, so
// users that need "new memory" semantics decide that with a NamedMutex's
// presence test.
#include <cstddef>
#include <string>

class SharedMemoryFile {
public:
    SharedMemoryFile() = default;
    ~SharedMemoryFile() { Close(); }
    SharedMemoryFile(const SharedMemoryFile&) = delete;
    SharedMemoryFile& operator=(const SharedMemoryFile&) = delete;

    // Opens or creates the memory of at least `size` bytes and maps it.
    bool Open(const std::string& name, std::size_t size);
    // Unmaps and closes; the file stays.
    void Close();
    void* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

private:
    void* m_data = nullptr;
    std::size_t m_size = 0;
};

#pragma once
// A named mutex shared between processes, in the place of a Windows named
// mutex: an exclusive flock on "<name>.lock" in the runtime folder.
//
// Windows objects vanish with their last handle; files do not. So every
// open NamedMutex also holds a shared lock on "<name>.presence": an Open
// that can take that lock exclusively is the first holder (a "new" mutex),
// and the test is made while holding the mutex, so two Opens never both see
// a new one. A process that dies loses both locks with its descriptors.
//
// The mutex is re-entrant for the thread that holds it. flock belongs to an
// open file description, so the threads of one process are kept apart by
// an in-process lock as well. Files are opened close-on-exec and never
// unlinked.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class NamedMutex {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    NamedMutex() = default;
    ~NamedMutex() { Close(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens or creates the mutex. `created` is true when no other holder
    // had it open; then, with `initialOwner`, the calling thread holds it
    // (as CreateMutex with initial ownership does for a new mutex only).
    // False when the runtime folder or the files cannot be used.
    bool Open(const std::string& name, bool initialOwner, bool& created);
    // Releases everything this object holds (an owned lock included).
    void Close();
    bool IsOpen() const { return m_lockFd >= 0; }

    // Waits at most `timeoutMs` (kInfinite: no limit); true when held.
    bool Wait(uint32_t timeoutMs = kInfinite);
    // One release by the holding thread; other threads' releases do nothing.
    void Release();
    // Whether the calling thread holds the mutex.
    bool IsHeldByCaller();

private:
    bool TakeFileLock(uint32_t timeoutMs);

    int m_lockFd = -1;
    int m_presenceFd = -1;
    std::mutex m_state;
    std::condition_variable m_free;
    std::thread::id m_owner;
    uint32_t m_depth = 0;
};

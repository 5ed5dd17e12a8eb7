#pragma once
// The daemon rendezvous: the shared block in which the daemon publishes its
// loopback port, guarded by a named mutex. Both are named from a fixed GUID
// and the database folder, so every process that works on one database
// finds the same block. The client attaches, reads the port and detaches at
// once; the daemon stays attached as the block's owner.
//
// IPCRendezvous is one attachment; the IPC... functions below work on the
// process's own one. Tests make several in one process: each has its own
// file descriptors, so they meet as separate processes would.
#include <cstdint>
#include <string>

#include "assetdb/client/IPCBlock.h"
#include "foundation/platform/ipc/NamedMutex.h"
#include "foundation/platform/ipc/SharedMemoryFile.h"

// The fixed GUID the names start with.
constexpr const char kRendezvousGuid[] = "09731AC6-B611-4e2a-B181-578073F64F24";

// The database folder of a database path: the path lower-cased less its
// last 11 characters ("\assets.vdx"). False when the first "assets.vdx" of
// the lower-cased path does not start exactly 10 characters before its end.
bool GetDatabaseFolder(const char* databasePath, std::string& folder);
// The mutex name: the GUID joined with the folder (normalised, so that
// every spelling of one folder gives one name) as path components, every
// backslash a forward slash. The shared memory is that name joined with
// "-ipc2".
std::string RendezvousMutexName(const std::string& databaseFolder);
std::string RendezvousMemoryName(const std::string& databaseFolder);

class IPCRendezvous {
public:
    IPCRendezvous();
    ~IPCRendezvous() { Detach(); }
    IPCRendezvous(const IPCRendezvous&) = delete;
    IPCRendezvous& operator=(const IPCRendezvous&) = delete;

    // Opens the mutex and the block for the database at `databasePath`; true
    // at once when already attached. The first process to attach (no other
    // holds it) resets the whole block. False, with nothing left open, for a
    // path not ending in "assets.vdx", a missing database folder, a mutex or
    // memory that cannot be opened, or a set refuse flag.
    bool Attach(const char* databasePath);
    // Gives up this process's roles in the block and closes everything.
    void Detach();
    // Tidies the block: takes the primary role from a dead or absent
    // primary; as primary, clears a dead owner (and its port) and a dead
    // requester.
    void Idle();
    // The port when the owner is not this process; 0 when not attached.
    int32_t GetOwnerPort();
    bool IsOwner();
    // Whether another live process owns the block (the daemon's check
    // before it starts its work).
    bool HasOtherLiveOwner();
    // Clears the owner field and the port when this process is the owner.
    void ReleaseOwnership();

    // The daemon's side: makes this process the owner and publishes `port`.
    // False when another live process owns the block.
    bool TakeOwnership(int32_t port);
    // The daemon's side: sets or clears the refuse flag.
    void SetRefuse(bool refuse);

    bool IsAttached() const { return m_mutex.IsOpen(); }
    bool IsPrimary() const { return m_primary; }
    // The mapped block while attached, else null.
    IPCBlock* Block() const { return m_block; }
    // The process id this attachment writes into the block (the real one;
    // tests may set another).
    int32_t ProcessId() const { return m_processId; }
    void SetProcessIdForTesting(int32_t id) { m_processId = id; }

private:
    void InitialiseBlock();
    void ClearDead(std::atomic<int32_t>& field, const char* message, int32_t& seen);

    NamedMutex m_mutex;
    SharedMemoryFile m_memory;
    IPCBlock* m_block = nullptr;
    int32_t m_processId;
    bool m_primary = false;
};

// The process's own rendezvous (used under the client's connection lock).
IPCRendezvous& ProcessRendezvous();
bool IPCAttach(const char* databasePath);
void IPCDetach();
void IPCIdle();
int32_t IPCGetOwnerPort();
bool IPCIsOwner();
void IPCReleaseOwnership();

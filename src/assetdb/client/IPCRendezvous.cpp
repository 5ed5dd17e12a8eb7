#include "assetdb/client/IPCRendezvous.h"

#include <unistd.h>

#include <cstring>

#include "engine/File.h"
#include "engine/Thread.h"
#include "foundation/log/LogPrintf.h"

namespace {

constexpr const char kDatabaseFileName[] = "assets.vdx";
constexpr std::size_t kDatabaseNameLength = sizeof kDatabaseFileName - 1;  // 10

bool Alive(int32_t processId) { return processId > 0 && Vek::Thread::IsProcessAlive(processId); }

// Holds the rendezvous mutex for a scope.
class MutexHold {
public:
    explicit MutexHold(NamedMutex& mutex) : m_mutex(mutex), m_held(mutex.Wait()) {}
    ~MutexHold() {
        if (m_held) m_mutex.Release();
    }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;

private:
    NamedMutex& m_mutex;
    bool m_held;
};

}  // namespace

bool GetDatabaseFolder(const char* databasePath, std::string& folder) {
    folder.clear();
    if (!databasePath) return false;
    Vek::File::Path lower(databasePath);
    lower.ToLower();
    const std::string& text = lower.Str();
    std::size_t at = text.find(kDatabaseFileName);
    if (at == std::string::npos || text.size() < kDatabaseNameLength + 1 ||
        at != text.size() - kDatabaseNameLength)
        return false;
    folder = text.substr(0, text.size() - kDatabaseNameLength - 1);
    return true;
}

std::string RendezvousMutexName(const std::string& databaseFolder) {
    Vek::File::Path folder(databaseFolder);
    folder.Normalise();
    folder.RemoveTrailingSeparator();
    Vek::File::Path name(kRendezvousGuid);
    name.AddPath(folder.c_str());
    name.ReplaceBackSlashes();
    return name.Str();
}

std::string RendezvousMemoryName(const std::string& databaseFolder) {
    Vek::File::Path name(RendezvousMutexName(databaseFolder));
    name.AddPath("-ipc2");
    name.ReplaceBackSlashes();
    return name.Str();
}

IPCRendezvous::IPCRendezvous() : m_processId(static_cast<int32_t>(::getpid())) {}

void IPCRendezvous::InitialiseBlock() {
    m_block->primaryProcessId = m_processId;
    m_block->ownerProcessId = -1;
    m_block->requesterProcessId = -1;
    m_block->reserved0 = 0;
    m_block->layout = IPCBlock::kLayout;
    m_block->attachCount = 1;
    m_block->refuse = 0;
    m_block->reserved28 = 0;
    m_block->port = 0;
    m_primary = true;
}

bool IPCRendezvous::Attach(const char* databasePath) {
    if (IsAttached()) return true;
    std::string folder;
    if (!GetDatabaseFolder(databasePath, folder)) return false;
    if (folder.empty() || !Vek::File::Exists(folder.c_str())) return false;

    bool created = false;
    if (!m_mutex.Open(RendezvousMutexName(folder), true, created)) return false;
    if (created) {
        // The first holder: whatever the file holds is left from processes
        // that are gone. The whole block starts afresh.
        if (!m_memory.Open(RendezvousMemoryName(folder), sizeof(IPCBlock))) {
            m_mutex.Release();
            m_mutex.Close();
            return false;
        }
        m_block = static_cast<IPCBlock*>(m_memory.Data());
        InitialiseBlock();
        m_mutex.Release();
    } else {
        if (!m_memory.Open(RendezvousMemoryName(folder), sizeof(IPCBlock))) {
            m_mutex.Close();
            return false;
        }
        m_block = static_cast<IPCBlock*>(m_memory.Data());
        MutexHold hold(m_mutex);
        if (m_block->refuse != 0) {
            m_block = nullptr;
            m_memory.Close();
            m_mutex.Close();
            return false;
        }
        if (m_block->layout == 0 && m_block->primaryProcessId == 0) InitialiseBlock();
        if (m_block->layout == 0) {
            m_block->attachCount = 255;
        } else {
            m_block->attachCount = static_cast<uint8_t>(m_block->attachCount + 1);
        }
    }
    Idle();
    Idle();
    return true;
}

void IPCRendezvous::Detach() {
    if (!IsAttached()) return;
    if (m_block) {
        MutexHold hold(m_mutex);
        if (m_block->ownerProcessId == m_processId) {
            m_block->ownerProcessId = -1;
            m_block->port = 0;
        }
        if (m_primary) {
            m_block->primaryProcessId = -1;
            if (m_block->layout >= 1) m_block->attachCount = static_cast<uint8_t>(m_block->attachCount - 1);
        }
    }
    m_block = nullptr;
    m_memory.Close();
    m_mutex.Close();
    m_primary = false;
}

void IPCRendezvous::ClearDead(std::atomic<int32_t>& field, const char* message, int32_t& seen) {
    int32_t id = field;
    seen = id;
    if (id == -1 || id == m_processId || Alive(id)) return;
    MutexHold hold(m_mutex);
    if (field != id) return;
    LogPrintf(message, id);
    field = -1;
    // A dead owner serves no port any more.
    if (&field == &m_block->ownerProcessId) m_block->port = 0;
}

void IPCRendezvous::Idle() {
    if (!IsAttached() || !m_block) return;
    if (!m_primary) {
        int32_t primary = m_block->primaryProcessId;
        if (primary != -1 && Alive(primary)) return;
        MutexHold hold(m_mutex);
        primary = m_block->primaryProcessId;
        if (primary == -1 || !Alive(primary)) {
            m_block->primaryProcessId = m_processId;
            m_primary = true;
        }
        return;
    }
    int32_t owner = -1;
    int32_t requester = -1;
    ClearDead(m_block->ownerProcessId, "IPCIdle> clearing dead database owner (owner processID was %d)\n", owner);
    ClearDead(m_block->requesterProcessId,
              "IPCIdle> clearing dead database requester (requester processID was %d)\n", requester);
    if (owner == m_processId && requester == m_processId) {
        MutexHold hold(m_mutex);
        if (m_block->ownerProcessId == m_processId && m_block->requesterProcessId == m_processId)
            m_block->requesterProcessId = -1;
    }
}

int32_t IPCRendezvous::GetOwnerPort() {
    if (!IsAttached() || !m_block) return 0;
    if (m_block->ownerProcessId == m_processId) return 0;
    return m_block->port;
}

bool IPCRendezvous::HasOtherLiveOwner() {
    if (!IsAttached() || !m_block) return false;
    MutexHold hold(m_mutex);
    const int32_t owner = m_block->ownerProcessId;
    return owner != -1 && owner != m_processId && Alive(owner);
}

bool IPCRendezvous::IsOwner() { return IsAttached() && m_block && m_block->ownerProcessId == m_processId; }

void IPCRendezvous::ReleaseOwnership() {
    if (!IsOwner()) return;
    MutexHold hold(m_mutex);
    if (m_block->ownerProcessId == m_processId) {
        m_block->ownerProcessId = -1;
        m_block->port = 0;
    }
}

bool IPCRendezvous::TakeOwnership(int32_t port) {
    if (!IsAttached() || !m_block) return false;
    MutexHold hold(m_mutex);
    int32_t owner = m_block->ownerProcessId;
    if (owner != -1 && owner != m_processId && Alive(owner)) return false;
    m_block->ownerProcessId = m_processId;
    m_block->port = port;
    return true;
}

void IPCRendezvous::SetRefuse(bool refuse) {
    if (!IsAttached() || !m_block) return;
    MutexHold hold(m_mutex);
    m_block->refuse = refuse ? 1 : 0;
}

IPCRendezvous& ProcessRendezvous() {
    static IPCRendezvous* rendezvous = new IPCRendezvous;  // lives to the end of the process
    return *rendezvous;
}

bool IPCAttach(const char* databasePath) { return ProcessRendezvous().Attach(databasePath); }
void IPCDetach() { ProcessRendezvous().Detach(); }
void IPCIdle() { ProcessRendezvous().Idle(); }
int32_t IPCGetOwnerPort() { return ProcessRendezvous().GetOwnerPort(); }
bool IPCIsOwner() { return ProcessRendezvous().IsOwner(); }
void IPCReleaseOwnership() { ProcessRendezvous().ReleaseOwnership(); }

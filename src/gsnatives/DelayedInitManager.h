#pragma once
// DelayedInitManager: the clients that are registered and still wait for
// some of their initialisation steps, in registration order. The owner that
// walks the list sets `walking` for the walk; removals made meanwhile (a
// client that completes, or one destroyed by a step of another) only clear
// their entry to null, so the positions of the others do not move under the
// walk. Entries are kept in one contiguous array, which keeps the order of
// the others on removal.
#include <cstdint>
#include <vector>

namespace GSNatives {

class DelayedInitClient;

class DelayedInitManager {
public:
    DelayedInitManager() = default;
    ~DelayedInitManager() = default;
    DelayedInitManager(const DelayedInitManager&) = delete;
    DelayedInitManager& operator=(const DelayedInitManager&) = delete;

    // Nothing for a client whose three steps have run or that is registered
    // already; otherwise marks it registered and appends it.
    void Register(DelayedInitClient* client);
    // Only for a registered client: its entry (the last one is tried first)
    // is cleared while walking, else removed; the client is unmarked.
    void Unregister(DelayedInitClient* client);
    // Runs the steps not yet run, in order, then unregisters the client.
    void Complete(DelayedInitClient* client);
    // Runs the steps not yet run, in order, and leaves the client listed.
    static void RunPendingSteps(DelayedInitClient* client);

    // Runs the pending steps of every waiting client in list order, with
    // `walking` set, then drops the entries that were cleared. A client that
    // completes is unregistered.
    void CompleteAll();

    bool IsWalking() const { return m_walking != 0; }
    void SetWalking(bool walking);
    // Entries, null ones included while walking.
    std::size_t WaitingCount() const { return m_clients.size(); }
    DelayedInitClient* WaitingAt(std::size_t index) const { return m_clients[index]; }

private:
    std::vector<DelayedInitClient*> m_clients;
    uint8_t m_walking = 0;
};

}  // namespace GSNatives

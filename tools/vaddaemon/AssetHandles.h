#pragma once
// The daemon's handles of open assets (operations 30, 35 and 31 to 34).
// A handle names an asset and whether it was opened for editing; it
// belongs to the connection that opened it and goes when that connection
// closes it or ends. Handle values are positive and never reused within a
// run of the daemon; -1 means none on the wire. Handles do not outlive the
// daemon. No lock of its own: its owner serialises all use.
#include <cstdint>
#include <map>

#include "foundation/kuid/KUID.h"

struct AssetHandle {
    KUID kuid;
    bool edit = false;
    int connection = 0;
};

class AssetHandles {
public:
    static constexpr int64_t kNone = -1;

    int64_t Open(const KUID& kuid, bool edit, int connection);
    // The handle when `connection` holds it; null otherwise.
    AssetHandle* Find(int64_t handle, int connection);
    // False when the connection does not hold it.
    bool Close(int64_t handle, int connection);
    void CloseAllOf(int connection);
    std::size_t Count() const { return m_handles.size(); }

private:
    std::map<int64_t, AssetHandle> m_handles;
    int64_t m_next = 1;
};

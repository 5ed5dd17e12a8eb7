#include "vaddaemon/AssetHandles.h"

int64_t AssetHandles::Open(const KUID& kuid, bool edit, int connection) {
    const int64_t handle = m_next++;
    m_handles[handle] = AssetHandle{kuid, edit, connection};
    return handle;
}

AssetHandle* AssetHandles::Find(int64_t handle, int connection) {
    auto it = m_handles.find(handle);
    if (it == m_handles.end() || it->second.connection != connection) return nullptr;
    return &it->second;
}

bool AssetHandles::Close(int64_t handle, int connection) {
    auto it = m_handles.find(handle);
    if (it == m_handles.end() || it->second.connection != connection) return false;
    m_handles.erase(it);
    return true;
}

void AssetHandles::CloseAllOf(int connection) {
    for (auto it = m_handles.begin(); it != m_handles.end();) {
        if (it->second.connection == connection)
            it = m_handles.erase(it);
        else
            ++it;
    }
}

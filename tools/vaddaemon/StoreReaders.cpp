#include "vaddaemon/StoreReaders.h"

#include "vaddaemon/SearchQuery.h"

namespace {

// Connections kept idle beyond this many are closed when given back.
constexpr std::size_t kMaxIdleReaders = 16;

}  // namespace

StoreReaders::Lease::~Lease() {
    if (m_owner && m_store) m_owner->GiveBack(std::move(m_store));
}

void StoreReaders::SetPath(const std::string& osPath) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_osPath = osPath;
    m_idle.clear();
}

StoreReaders::Lease StoreReaders::Take() {
    std::string path;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_idle.empty()) {
            std::unique_ptr<AssetStore> store = std::move(m_idle.back());
            m_idle.pop_back();
            return Lease(this, std::move(store));
        }
        path = m_osPath;
    }
    if (path.empty()) return Lease();
    auto store = std::make_unique<AssetStore>();
    std::string error;
    if (!store->OpenReader(path, error) || !RegisterSearchFunctions(store->Connection().Handle())) return Lease();
    return Lease(this, std::move(store));
}

void StoreReaders::GiveBack(std::unique_ptr<AssetStore> store) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (store->OsPath() == m_osPath && m_idle.size() < kMaxIdleReaders) m_idle.push_back(std::move(store));
}

#pragma once
// Read-only connections to the store, lent out one per use: a search or a
// lookup on one link reads through its own connection, without the
// library's lock, so it neither waits for nor delays the others. The file's
// write-ahead journal gives each read the last committed state. Connections
// given back are kept for the next use.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vaddaemon/AssetStore.h"

class StoreReaders {
public:
    class Lease {
    public:
        Lease() = default;
        Lease(StoreReaders* owner, std::unique_ptr<AssetStore> store) : m_owner(owner), m_store(std::move(store)) {}
        ~Lease();
        Lease(Lease&&) noexcept = default;
        Lease& operator=(Lease&&) noexcept = delete;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        bool IsValid() const { return m_store != nullptr; }
        AssetStore& Store() { return *m_store; }

    private:
        StoreReaders* m_owner = nullptr;
        std::unique_ptr<AssetStore> m_store;
    };

    // The database the connections open (after the writer made it).
    void SetPath(const std::string& osPath);
    // An idle connection, or a new one; not valid when none can be opened.
    Lease Take();

private:
    void GiveBack(std::unique_ptr<AssetStore> store);

    std::mutex m_lock;
    std::string m_osPath;
    std::vector<std::unique_ptr<AssetStore>> m_idle;
};

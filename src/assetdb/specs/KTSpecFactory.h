#pragma once
// KTSpecFactory: makes the AssetSpec of an asset whose kind equals the
// factory's name (letter case ignored). The registry keeps a list of
// factories and one optional default factory (SpecRegistry.h); deleting a
// factory withdraws it from both.
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class AssetSpec;

class KTSpecFactory {
public:
    explicit KTSpecFactory(const Vek::PString& name) : m_name(name) {}
    // Withdraws the factory from the registry (SpecRegistry::RemoveFactory).
    virtual ~KTSpecFactory();
    KTSpecFactory(const KTSpecFactory&) = delete;
    KTSpecFactory& operator=(const KTSpecFactory&) = delete;

    // A new spec with no references, or null.
    virtual AssetSpec* Create(const Vek::PString& location, const char* parentFolder, const char* folderName,
                              const KUID& kuid, const SoupHandle& config) = 0;

    const Vek::PString& GetName() const { return m_name; }

private:
    Vek::PString m_name;
};

#pragma once
// AssetSpec: the run-time object that stands for one installed asset: its
// KUID, where its files lie and its kind. AssetSpecs are made on demand
// from the asset's configuration (CreateSpecFromAssetConfig.h), shared by
// reference count (SpecHandle.h) and kept in the process-wide registry
// (SpecRegistry.h), so that every caller that asks for one KUID gets the
// same object until the asset changes.
//
// Life cycle: created (count 0, registered live and in the KUID hash) ->
// EnsureLoaded runs Load and Validate once -> valid (stays registered) or
// invalid (moved to the registry's invalid list, out of the hash). The
// registry deletes a spec only when its count is 0 (SpecRegistry::PurgeUnused,
// SpecRegistry::Flush); the count itself never deletes. Destruction removes
// the AssetSpec from every registry structure and nulls its safe pointers.
#include <atomic>
#include <cstdint>

#include "assetdb/resources/ResourceDatabaseRef.h"
#include "assetdb/specs/SafePointer.h"
#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/base/IdentifiableType.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class AssetSpec : public IdentifiableType, public SafePointerTarget<AssetSpec> {
public:
    // Flag bits.
    static constexpr uint8_t kFlagInvalid = 0x01;  // the null KUID; never cleared
    static constexpr uint8_t kFlagValid = 0x02;    // the result of validation

    // Acquires the resource database of `location` (ResourceDatabaseRef::Open;
    // an empty location has none). The AssetSpec is invalid from the start when
    // `kuid` is the null KUID.
    AssetSpec(const KUID& kuid, const Vek::PString& location, const char* parentFolder, const char* folderName);
    // Unregisters (SpecRegistry::Unregister), gives the resource database back
    // and nulls every safe pointer.
    ~AssetSpec() override;
    AssetSpec(const AssetSpec&) = delete;
    AssetSpec& operator=(const AssetSpec&) = delete;

    // Loads the AssetSpec; the base version does nothing.
    virtual void Load() {}
    // The base version answers true.
    virtual bool IsValid() { return true; }
    // Called when validation found the AssetSpec valid; the base does nothing.
    virtual void OnValidated() {}

    // Stamps the last-use time; the first call also runs Load and Validate.
    void EnsureLoaded();
    // Under the registry lock: the valid bit becomes IsValid (clear when the
    // spec is invalid from the start); a valid spec gets OnValidated, an
    // invalid one leaves the hash and the live list for the invalid list.
    void Validate();
    // Valid bit set and invalid bit clear.
    bool IsUsable() const { return (m_flags & kFlagValid) && !(m_flags & kFlagInvalid); }

    // ---- references (SpecHandle takes and drops them) ----
    void AddReference() { m_references.fetch_add(1, std::memory_order_relaxed); }
    // One reference less; the last-use time is stamped. Never deletes.
    void DropReference();
    int32_t GetReferenceCount() const { return m_references.load(std::memory_order_acquire); }

    // ---- the use clock ----
    // Stamps last-use times. Nothing in the program advances it, so it stays
    // 0 and every unreferenced spec counts as unused at the next purge.
    static uint32_t UseClock();
    static void SetUseClock(uint32_t value);

    // ---- fields ----
    const KUID& GetKuid() const { return m_kuid; }
    uint8_t GetFlags() const { return m_flags; }
    const Vek::String& GetParentFolder() const { return m_parentFolder; }
    const Vek::String& GetFolderName() const { return m_folderName; }
    const Vek::String& GetFileBaseName() const { return m_fileBaseName; }
    const ResourceDatabaseRef& GetResourceDatabase() const { return m_database; }
    uint32_t GetLastUse() const { return m_lastUse.load(std::memory_order_relaxed); }
    bool IsLoaded() const { return m_loaded; }
    const Vek::PString& GetKind() const { return m_kind; }

    // The asset's configuration, fetched from the daemon at each call.
    SoupHandle GetConfig() const;
    // The KUID's tag text, a blank and the asset's user-visible name in
    // double quotes, for log lines.
    Vek::PString GetDescription() const;

protected:
    Vek::String m_fileBaseName;
    Vek::PString m_kind;

private:
    KUID m_kuid;
    uint8_t m_flags = 0;
    Vek::String m_parentFolder;
    Vek::String m_folderName;
    ResourceDatabaseRef m_database;
    std::atomic<uint32_t> m_lastUse;
    std::atomic<int32_t> m_references{0};
    bool m_loaded = false;
};

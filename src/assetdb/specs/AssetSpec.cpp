#include "assetdb/specs/AssetSpec.h"

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/specs/SpecRegistry.h"

namespace {

std::atomic<uint32_t> g_useClock{0};

}  // namespace

uint32_t AssetSpec::UseClock() { return g_useClock.load(std::memory_order_relaxed); }

void AssetSpec::SetUseClock(uint32_t value) { g_useClock.store(value, std::memory_order_relaxed); }

AssetSpec::AssetSpec(const KUID& kuid, const Vek::PString& location, const char* parentFolder,
                     const char* folderName)
    : m_kuid(kuid),
      m_parentFolder(parentFolder),
      m_folderName(folderName),
      m_database(ResourceDatabaseRef::Open(location)),
      m_lastUse(UseClock()) {
    if (kuid.IsNull()) m_flags |= kFlagInvalid;
}

AssetSpec::~AssetSpec() {
    SpecRegistry::UnregisterSpec(this);
    m_kind.Release();
    m_database.Release();
    NullSafePointers();
}

void AssetSpec::DropReference() {
    m_lastUse.store(UseClock(), std::memory_order_relaxed);
    m_references.fetch_sub(1, std::memory_order_acq_rel);
}

void AssetSpec::EnsureLoaded() {
    m_lastUse.store(UseClock(), std::memory_order_relaxed);
    if (m_loaded) return;
    m_loaded = true;
    Load();
    Validate();
}

void AssetSpec::Validate() {
    Vek::SingleLock lock(SpecRegistry::Lock());
    if (m_flags & kFlagInvalid) {
        m_flags &= static_cast<uint8_t>(~kFlagValid);
    } else if (IsValid()) {
        m_flags |= kFlagValid;
    } else {
        m_flags &= static_cast<uint8_t>(~kFlagValid);
    }
    if (m_flags & kFlagValid) {
        OnValidated();
    } else if (SpecRegistry* registry = SpecRegistry::Instance()) {
        registry->MarkInvalid(this);
    }
}

SoupHandle AssetSpec::GetConfig() const { return VADGetAssetConfig(m_kuid); }

Vek::PString AssetSpec::GetDescription() const {
    Vek::String text = m_kuid.ToTagString().c_str();
    text += " \"";
    text += VADGetAssetUsername(m_kuid);
    text += "\"";
    return Vek::PString(text.c_str());
}

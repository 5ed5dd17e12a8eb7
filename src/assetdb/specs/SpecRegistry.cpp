#include "assetdb/specs/SpecRegistry.h"

#include <new>
#include <vector>

#include "assetdb/client/VADSpecRegistryHooks.h"
#include "assetdb/specs/KTSpecFactory.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/log/LogPrintf.h"

namespace {

std::atomic<SpecRegistry*> g_instance{nullptr};

// The reserved KUID that lookups refuse besides the null KUID.
bool IsReservedKuid(const KUID& kuid) {
    return kuid.GetUserID() == -1 && kuid.GetContentID() == -2 && kuid.GetVersion() == KUID::kMaxVersion;
}

bool SameKuid(const AssetSpec* spec, const KUID& kuid) { return spec->GetKuid() == kuid; }

// Guarded by the registry lock.
std::vector<SpecRegistry::FactoryMaker>& StandingFactoryMakers() {
    static std::vector<SpecRegistry::FactoryMaker> makers;
    return makers;
}

}  // namespace

SpecRegistry::SpecRegistry() {
    Vek::SingleLock lock(Lock());
    g_instance.store(this);
    AddStandingFactories();
}

SpecRegistry::~SpecRegistry() {
    Vek::SingleLock lock(Lock());
    m_closing = true;
    Flush();
    SpecRegistry* self = this;
    g_instance.compare_exchange_strong(self, nullptr);
    // What is left was reported as leaked: the specs stay alive for their
    // holders, only the lists go.
    m_live.Clear();
    m_invalid.Clear();
    m_factories.Clear();
    m_hash.reset();
    m_hashEntries = 0;
}

SpecRegistry* SpecRegistry::Instance() { return g_instance.load(); }

Vek::CriticalSection& SpecRegistry::Lock() {
    static Vek::CriticalSection lock;
    return lock;
}

uint32_t SpecRegistry::BucketOf(const KUID& kuid) {
    const uint32_t key = (static_cast<uint32_t>(kuid.GetContentID()) << 5) ^
                         static_cast<uint32_t>(kuid.GetVersion()) ^ static_cast<uint32_t>(kuid.GetUserID());
    return key % kHashBuckets;
}

SpecHandle SpecRegistry::CreateSpec(const Vek::PString& location, const char* parentFolder, const char* folderName,
                                    const KUID& kuid, const SoupHandle& config) {
    Vek::SingleLock lock(Lock());
    const Vek::PString kind = config.GetString("kind");
    KTSpecFactory* factory = nullptr;
    for (KTSpecFactory* candidate : m_factories) {
        if (candidate && candidate->GetName().EqualsIgnoreCase(kind)) {
            factory = candidate;
            break;
        }
    }
    if (!factory) factory = m_defaultFactory;

    AssetSpec* spec = factory ? factory->Create(location, parentFolder, folderName, kuid, config)
                              : new (std::nothrow) VorlexBaseSpec(location, parentFolder, kuid, config, folderName);
    if (!spec) return SpecHandle();
    RegisterSpec(spec);
    return SpecHandle(spec);
}

bool SpecRegistry::RegisterSpec(AssetSpec* spec) {
    Vek::SingleLock lock(Lock());
    m_live.Add(spec);
    Bucket(spec->GetKuid()).Add(spec);
    ++m_hashEntries;
    return true;
}

AssetSpec* SpecRegistry::FirstInHash(const KUID& kuid) {
    if (!m_hash) return nullptr;
    for (AssetSpec* spec : Bucket(kuid))
        if (spec && SameKuid(spec, kuid)) return spec;
    return nullptr;
}

SpecHandle SpecRegistry::FindSpec(const KUID& kuid) {
    if (kuid.IsNull() || IsReservedKuid(kuid)) return SpecHandle();
    Vek::SingleLock lock(Lock());
    return SpecHandle(FirstInHash(kuid));
}

bool SpecRegistry::RemoveFromHash(AssetSpec* spec) {
    if (!m_hash) return false;
    if (RemoveFromList(Bucket(spec->GetKuid()), spec)) {
        --m_hashEntries;
        return true;
    }
    return false;
}

bool SpecRegistry::RemoveFromList(SpecList& list, AssetSpec* spec) {
    SpecList::Iterator it = list.Find(spec);
    if (!it) return false;
    list.RemoveOrdered(it);
    return true;
}

void SpecRegistry::ForgetKuid(const KUID& kuid) {
    Vek::SingleLock lock(Lock());
    if (!m_hash) return;
    SpecList& bucket = Bucket(kuid);
    for (SpecList::Iterator it = bucket.Begin(); it; ++it) {
        AssetSpec* spec = *it;
        if (spec && SameKuid(spec, kuid)) {
            bucket.RemoveOrdered(it);
            --m_hashEntries;
            spec->NullSafePointers();
            return;
        }
    }
}

void SpecRegistry::DiscardSpec(SpecHandle& spec) {
    if (!spec) return;
    {
        Vek::SingleLock lock(Lock());
        const KUID kuid = spec->GetKuid();
        if (FirstInHash(kuid) == spec.Get()) ForgetKuid(kuid);
    }
    spec.Release();
}

bool SpecRegistry::PurgeUnused() {
    Vek::SingleLock lock(Lock());
    const uint32_t clock = AssetSpec::UseClock();
    bool deleted = false;
    for (SpecList::Iterator it = m_live.Begin(); it;) {
        AssetSpec* spec = *it;
        if (!spec || spec->GetLastUse() > clock || spec->GetReferenceCount() != 0) {
            ++it;
            continue;
        }
        spec->NullSafePointers();
        if (spec->GetReferenceCount() != 0) {
            ++it;
            continue;
        }
        // Off the list first: the destructor then finds only its hash entry.
        it = m_live.RemoveOrdered(it);
        delete spec;
        deleted = true;
    }
    return deleted;
}

void SpecRegistry::Flush() {
    Vek::SingleLock lock(Lock());
    // Invalid specs go once nobody holds them; a held one stays listed until
    // a later flush finds it free, so that no holder is left dangling.
    for (SpecList::Iterator it = m_invalid.Begin(); it;) {
        AssetSpec* spec = *it;
        if (spec && spec->GetReferenceCount() != 0) {
            ++it;
            continue;
        }
        it = m_invalid.RemoveOrdered(it);
        delete spec;
    }
    while (PurgeUnused()) {
    }

    if (!m_live.IsEmpty() || !m_invalid.IsEmpty()) {
        LogPrintf("Leaked specs:");
        for (SpecList* list : {&m_live, &m_invalid}) {
            // The descriptions may ask the daemon; take a snapshot first.
            std::vector<AssetSpec*> specs(list->begin(), list->end());
            for (AssetSpec* spec : specs)
                if (spec) LogPrintf("  (%4d) - %s", spec->GetReferenceCount(), spec->GetDescription().c_str());
        }
    }

    while (!m_factories.IsEmpty()) {
        KTSpecFactory* factory = *m_factories.Begin();
        if (!factory) {
            m_factories.RemoveOrdered(m_factories.Begin());
            continue;
        }
        delete factory;  // its destructor takes it off the list
    }
    // The program's own factories outlive every flush: the command host
    // flushes after each job, and the next job's assets need them again.
    // A registry on its way out gets none.
    if (g_instance.load() == this && !m_closing) AddStandingFactories();
}

void SpecRegistry::AddStandingFactoryMaker(FactoryMaker maker) {
    if (!maker) return;
    Vek::SingleLock lock(Lock());
    for (FactoryMaker known : StandingFactoryMakers())
        if (known == maker) return;
    StandingFactoryMakers().push_back(maker);
    if (SpecRegistry* registry = Instance()) registry->AddFactory(maker());
}

void SpecRegistry::AddStandingFactories() {
    Vek::SingleLock lock(Lock());
    for (FactoryMaker maker : StandingFactoryMakers()) AddFactory(maker());
}

void SpecRegistry::AddFactory(KTSpecFactory* factory) {
    if (!factory) return;
    Vek::SingleLock lock(Lock());
    m_factories.Add(factory);
}

void SpecRegistry::RemoveFactory(KTSpecFactory* factory) {
    Vek::SingleLock lock(Lock());
    FactoryList::Iterator it = m_factories.Find(factory);
    if (it) m_factories.RemoveOrdered(it);
    if (m_defaultFactory == factory) m_defaultFactory = nullptr;
}

void SpecRegistry::SetDefaultFactory(KTSpecFactory* factory) {
    Vek::SingleLock lock(Lock());
    m_defaultFactory = factory;
}

KTSpecFactory* SpecRegistry::GetDefaultFactory() {
    Vek::SingleLock lock(Lock());
    return m_defaultFactory;
}

void SpecRegistry::Unregister(AssetSpec* spec) {
    Vek::SingleLock lock(Lock());
    RemoveFromList(m_invalid, spec);
    RemoveFromList(m_live, spec);
    RemoveFromHash(spec);
}

void SpecRegistry::MarkInvalid(AssetSpec* spec) {
    Vek::SingleLock lock(Lock());
    RemoveFromHash(spec);
    RemoveFromList(m_live, spec);
    if (!m_invalid.Find(spec)) m_invalid.Add(spec);
}

std::size_t SpecRegistry::LiveCount() {
    Vek::SingleLock lock(Lock());
    return m_live.Count();
}

std::size_t SpecRegistry::InvalidCount() {
    Vek::SingleLock lock(Lock());
    return m_invalid.Count();
}

std::size_t SpecRegistry::HashEntryCount() {
    Vek::SingleLock lock(Lock());
    return m_hashEntries;
}

std::size_t SpecRegistry::FactoryCount() {
    Vek::SingleLock lock(Lock());
    return m_factories.Count();
}

void SpecRegistry::UnregisterSpec(AssetSpec* spec) {
    Vek::SingleLock lock(Lock());
    if (SpecRegistry* registry = Instance()) registry->Unregister(spec);
}

void SpecRegistry::WithdrawFactory(KTSpecFactory* factory) {
    Vek::SingleLock lock(Lock());
    if (SpecRegistry* registry = Instance()) registry->RemoveFactory(factory);
}

void CreateSpecRegistry() {
    Vek::SingleLock lock(SpecRegistry::Lock());
    if (!SpecRegistry::Instance()) new SpecRegistry();
}

void DestroySpecRegistry() {
    Vek::SingleLock lock(SpecRegistry::Lock());
    delete SpecRegistry::Instance();
}

void ForgetSpecOfKuid(const KUID& kuid) {
    Vek::SingleLock lock(SpecRegistry::Lock());
    if (SpecRegistry* registry = SpecRegistry::Instance()) registry->ForgetKuid(kuid);
}

void InstallSpecRegistryHooks() {
    VADSpecRegistryHooks hooks;
    hooks.create = CreateSpecRegistry;
    hooks.destroy = DestroySpecRegistry;
    hooks.discardSpec = ForgetSpecOfKuid;
    SetVADSpecRegistryHooks(hooks);
}

#pragma once
// The SpecRegistry: every spec the process has made, found by
// KUID. One per process, made when the database opens and destroyed when it
// closes (CreateSpecRegistry / DestroySpecRegistry, called by the database
// connection); Instance() is null while there is none.
//
// It keeps
//  - the live list: every registered spec that validation has not refused;
//  - the invalid list: specs that validation refused, waiting for a flush;
//  - the factory list and the default factory (KTSpecFactory.h), which pick
//    the class of a new spec;
//  - the KUID hash: kHashBuckets block-ring lists. The bucket of a KUID is
//    ((content << 5) ^ version ^ user) mod 4093 on unsigned 32-bit values.
//    Insertion appends without looking for duplicates and lookup returns the
//    first equal entry, so two specs may share a KUID and the older is found.
//
// A spec is deleted only here, and only when its reference count is 0: by
// PurgeUnused (unused live specs) and Flush (invalid specs, then the purge).
// A spec still held at a flush is reported as leaked in the program log and
// left alone, so that its holders never see it deleted under them.
//
// Locking: one re-entrant process-wide lock (Lock()) guards the lists, the
// hash, the factories and the default factory; operations that call each
// other take it again on the same thread. It is taken before the
// resource-database cache's lock, never after it: a spec's constructor and
// destructor acquire and release resource databases under it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "assetdb/specs/SpecHandle.h"
#include "engine/DynamicArray.h"
#include "engine/Sync.h"

class KTSpecFactory;

class SpecRegistry {
public:
    static constexpr uint32_t kHashBuckets = 4093;
    using SpecList = Vek::DynamicArray<AssetSpec*, 13>;
    using FactoryList = Vek::DynamicArray<KTSpecFactory*, 13>;

    // Empty lists and hash, no default factory; becomes the instance.
    SpecRegistry();
    // Flushes, stops being the instance and frees its lists. Specs still held
    // stay alive (they were reported as leaked) and touch no registry later.
    ~SpecRegistry();
    SpecRegistry(const SpecRegistry&) = delete;
    SpecRegistry& operator=(const SpecRegistry&) = delete;

    // The registry of the open database, or null.
    static SpecRegistry* Instance();
    // The registry lock.
    static Vek::CriticalSection& Lock();
    static uint32_t BucketOf(const KUID& kuid);

    // The factory rule: the first factory whose name equals the soup's "kind"
    // ignoring case, else the default factory, else a plain VorlexBaseSpec.
    // The new spec is registered and returned with the handle's reference;
    // an empty handle when none could be made.
    SpecHandle CreateSpec(const Vek::PString& location, const char* parentFolder, const char* folderName,
                          const KUID& kuid, const SoupHandle& config);
    // Appends the AssetSpec to the live list and to the KUID hash; true.
    bool RegisterSpec(AssetSpec* spec);
    // The first spec registered under the KUID; empty for none and, without
    // looking, for the null KUID and the reserved KUID (-1, -2, 127).
    SpecHandle FindSpec(const KUID& kuid);
    // The first spec under the KUID leaves the hash and its safe pointers are
    // nulled. It stays in the live list, alive while held; the next lookup of
    // the KUID makes a new spec.
    void ForgetKuid(const KUID& kuid);
    // Forgets the AssetSpec's KUID when the AssetSpec is the one the hash finds for it,
    // then (outside the lock) drops the handle's reference. An empty handle
    // does nothing.
    void DiscardSpec(SpecHandle& spec);
    // Deletes every live spec that is unreferenced and not used since the use
    // clock (its safe pointers are nulled first). True when any was deleted.
    bool PurgeUnused();
    // Deletes the invalid specs nobody holds, purges until nothing more goes,
    // reports what is left ("Leaked specs:" and one "  (%4d) - %s" line per
    // spec, live specs first, then held invalid ones) and deletes every
    // factory of the list.
    void Flush();

    // Factories. The registry does not take ownership of the default one.
    void AddFactory(KTSpecFactory* factory);
    // A maker of a factory that every registry holds: a new registry and
    // every Flush (which deletes the factories) add one factory from each
    // maker, in the order they were added. Makers stay for the process; the
    // program adds its makers at start-up, before the database opens.
    using FactoryMaker = KTSpecFactory* (*)();
    static void AddStandingFactoryMaker(FactoryMaker maker);
    // Removes the factory from the list, and as default factory.
    void RemoveFactory(KTSpecFactory* factory);
    void SetDefaultFactory(KTSpecFactory* factory);
    KTSpecFactory* GetDefaultFactory();

    // From a spec's destructor: removes it from the invalid list, the live
    // list and (its own entry) the KUID hash, wherever it is.
    void Unregister(AssetSpec* spec);
    // From validation: the AssetSpec leaves the hash and the live list and joins
    // the invalid list (once).
    void MarkInvalid(AssetSpec* spec);

    // Counts, for diagnostics and tests.
    std::size_t LiveCount();
    std::size_t InvalidCount();
    std::size_t HashEntryCount();
    std::size_t FactoryCount();

    // The instance's Unregister / RemoveFactory when there is one.
    static void UnregisterSpec(AssetSpec* spec);
    static void WithdrawFactory(KTSpecFactory* factory);

private:
    void AddStandingFactories();
    // The hash table is made by the first registration: a run that makes
    // no spec never touches its 32 KB. Look-ups before it find nothing.
    SpecList& Bucket(const KUID& kuid) {
        if (!m_hash) m_hash.reset(new SpecList[kHashBuckets]);
        return m_hash[BucketOf(kuid)];
    }
    // The first entry of the KUID, or null.
    AssetSpec* FirstInHash(const KUID& kuid);
    // Removes the entry holding this very spec; true when there was one.
    bool RemoveFromHash(AssetSpec* spec);
    static bool RemoveFromList(SpecList& list, AssetSpec* spec);

    SpecList m_live;
    SpecList m_invalid;
    FactoryList m_factories;
    std::unique_ptr<SpecList[]> m_hash;
    std::size_t m_hashEntries = 0;
    KTSpecFactory* m_defaultFactory = nullptr;
    bool m_closing = false;
};

// The database connection's hooks: the registry is made when the database
// opens (nothing when one exists) and destroyed when it closes; a commit or
// delete forgets the asset's KUID (nothing while there is no registry).
void CreateSpecRegistry();
void DestroySpecRegistry();
void ForgetSpecOfKuid(const KUID& kuid);
// Installs those three as the connection's registry hooks
// (assetdb/client/VADSpecRegistryHooks.h); start-up does this before it
// opens the database.
void InstallSpecRegistryHooks();

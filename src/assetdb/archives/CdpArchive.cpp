#include "assetdb/archives/CdpArchive.h"

#include <unordered_set>

#include "assetdb/archives/AssetKuidLists.h"
#include "assetdb/archives/FormatErrorText.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupKuidSets.h"
#include "foundation/soups/TDBContainerTag.h"

void CdpArchive::MakeRootEditable() {
    if (!m_root.Get() || dynamic_cast<TDBContainerTag*>(m_root.Get())) return;
    SoupHandle copy;
    copy.CopyFrom(m_root);
    m_root = copy;
    ForgetAssets();
}

const SoupHandle& CdpArchive::Assets() const {
    if (!m_assetsKnown) {
        m_assets = m_root.GetContainer("assets");
        m_assetsKnown = true;
    }
    return m_assets;
}

const Vek::PString& CdpArchive::AddAsset(Vek::PString& error, const CdpAssetEntry& entry) {
    const KUID kuid = entry.GetSoup().GetKUID("kuid", KUID::Null());
    if (kuid.IsNull()) return FormatErrorText(error, "Unable to add content as it doesnt not contain a valid KUID");
    if (KnownKuids().count(kuid))
        return FormatErrorText(error, "Unable to add content as an item with KUID %s is already present",
                               kuid.ToTagString().c_str());

    MakeRootEditable();
    SoupHandle assets = m_root.GetContainer("assets");
    assets.EnsureContainer();
    SoupHandle soup = entry.GetSoup();
    const Vek::PString name = kuid.ToTagString();
    // A new name is appended at once: replacing by name looks through
    // every asset added before. Only a tag of that name holding another
    // "kuid" (a loaded archive's oddity) goes the replacing way.
    soup.EnsureContainer();
    if (soup.GetRoot() && !m_names.count(name.c_str())) {
        assets.GetRoot()->AppendChild(name, soup.GetRoot());
    } else {
        assets.SetContainer(name, soup);
    }
    m_names.insert(name.c_str());
    m_root.SetContainer("assets", assets);
    ForgetAssets();
    m_kuids.insert(kuid);
    // The tables depend only on the final list of assets: they are built
    // once, when the root is next looked at or written (CompleteTables).
    m_tablesStale = true;
    error = Vek::PString();
    return error;
}

const std::set<KUID, KUIDLess>& CdpArchive::KnownKuids() const {
    if (!m_kuidsKnown) {
        m_kuids.clear();
        const SoupHandle& assets = Assets();
        const int32_t count = assets.Count();
        m_names.clear();
        for (int32_t i = 0; i < count; ++i) {
            m_kuids.insert(assets.GetContainerAt(i).GetKUID("kuid", KUID::Null()));
            m_names.insert(assets.GetTagName(i).c_str());
        }
        m_kuidsKnown = true;
    }
    return m_kuids;
}

void CdpArchive::CompleteTables() const {
    // Only an archive changed through AddAsset has stale tables, and such
    // an archive is no const object.
    if (m_tablesStale) const_cast<CdpArchive*>(this)->RebuildTables();
}

void CdpArchive::RebuildTables() {
    m_tablesStale = false;
    MakeRootEditable();
    KuidSet contents;
    std::unordered_set<KUID, IndexedKuidSet::Hash> held;
    IndexedKuidSet dependencies;
    IndexedKuidSet obsoletes;

    const SoupHandle assets = m_root.GetContainer("assets");
    const int32_t count = assets.Count();
    for (int32_t i = 0; i < count; ++i) {
        const SoupHandle asset = assets.GetContainerAt(i);
        const KUID kuid = asset.GetKUID("kuid", KUID::Null());
        contents.Add(kuid);
        held.insert(kuid);
        CollectAssetDependencies(kuid, asset, dependencies);
        CollectAssetObsoletes(kuid, asset, obsoletes);
    }
    // The dependencies the archive does not hold, in their order.
    KuidSet outside;
    for (const KUID& kuid : dependencies.Set())
        if (!held.count(kuid)) outside.Add(kuid);

    SoupHandle table;
    KuidSetToSoup(table, contents);
    m_root.SetContainer("contents-table", table);
    KuidSetToSoup(table, outside);
    m_root.SetContainer("kuid-table", table);
    KuidSetToSoup(table, obsoletes.Set());
    m_root.SetContainer("obsolete-table", table);
    m_root.SetString("kind", "archive");
    m_root.SetInt("package-version", 1);
}

const Vek::PString& CdpArchive::Write(Vek::PString& error, const char* path) const {
    CompleteTables();
    if (!SaveSoupFile(m_root, Vek::PString(), path))
        return FormatErrorText(error, "Unable to write archive file. Needs to be .cdp file extension");
    error = Vek::PString();
    return error;
}

const Vek::PString& CdpArchive::Load(Vek::PString& error, const Vek::PString& location, const char* path) {
    Clear();
    LoadSoupFile(m_root, location, path);
    if (!m_root.GetString("kind").EqualsIgnoreCase("archive")) {
        Clear();
        return FormatErrorText(error, "Content could not be read, as the file is not a valid CDP");
    }
    if (m_root.GetContainer("contents-table").Count() != Assets().Count()) {
        Clear();
        return FormatErrorText(error, "Content could not be read, as the CDP file is damaged");
    }
    if (m_root.GetInt("package-version", 0) != 1) {
        Clear();
        return FormatErrorText(error, "This content requires a newer Vorlex version");
    }
    error = Vek::PString();
    return error;
}

int32_t CdpArchive::AssetCount() const { return Assets().Count(); }

CdpAssetEntry CdpArchive::GetAsset(int32_t index) const { return CdpAssetEntry(Assets().GetContainerAt(index)); }

int32_t CdpArchive::FindAsset(const KUID& kuid) const {
    const SoupHandle& assets = Assets();
    const int32_t count = assets.Count();
    for (int32_t i = 0; i < count; ++i)
        if (assets.GetContainerAt(i).GetKUID("kuid", KUID::Null()) == kuid) return i;
    return -1;
}

RawDataRef CdpArchive::GetData(const Vek::PString& name) const {
    CompleteTables();
    return m_root.GetData(name);
}

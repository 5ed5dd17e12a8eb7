#pragma once
// A content archive (".cdp"): one or more complete assets, each its
// configuration with all of its files, plus three KUID tables describing
// the archive as a whole. On disk it is a configuration soup (binary "ACS$"
// form, or text for ".txt") whose root holds, in the order the builder
// leaves them:
//   "assets"          container: one asset soup (CdpAssetEntry) per asset,
//                     named by the asset KUID's tag text;
//   "contents-table"  container: KUID tags "0", "1", ...: the "kuid" of
//                     every asset, in the order of "assets";
//   "kuid-table"      container: the dependencies of the assets that the
//                     archive does not hold;
//   "obsolete-table"  container: the KUIDs the assets make obsolete;
//   "kind"            text "archive";
//   "package-version" integer 1;
//   "thumbnail"       optional raw bytes (a JPEG image); never written here.
//
// Errors are interned texts: empty for success, else the message.
#include <cstdint>
#include <set>
#include <string>

#include "assetdb/archives/CdpAssetEntry.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSRawData.h"
#include "foundation/soups/SoupHandle.h"

class CdpArchive {
public:
    // Starts without a root; the first asset added creates it.
    CdpArchive() = default;

    // Adds the entry's soup (shared, not copied) under its KUID's tag text;
    // the tables are rebuilt once, before the root is next looked at
    // (GetRoot, GetData) or written, so adding n assets costs time linear
    // in n. Fails, changing nothing, for an entry without
    // a valid "kuid" or with a KUID the archive already holds.
    const Vek::PString& AddAsset(Vek::PString& error, const CdpAssetEntry& entry);

    // Writes the root to `path` in the form its extension selects: "cdp",
    // "cdp2" and "chump" binary, "txt" text. Another extension, a file that
    // does not open or a failed write gives "Unable to write archive file.
    // Needs to be .cdp file extension". An archive without a root writes an
    // empty soup.
    const Vek::PString& Write(Vek::PString& error, const char* path) const;

    // Loads an archive from `path` inside the named location (empty: a plain
    // path), in the form its extension selects, and checks it:
    //  - the root's "kind" must be "archive" (letter case ignored), else
    //    "Content could not be read, as the file is not a valid CDP" (also
    //    for a file that could not be read);
    //  - "contents-table" and "assets" must hold as many tags, else
    //    "Content could not be read, as the CDP file is damaged";
    //  - "package-version" must be 1 (a missing one counts as too new), else
    //    "This content requires a newer Vorlex version".
    // On any failure the archive is left without a root.
    const Vek::PString& Load(Vek::PString& error, const Vek::PString& location, const char* path);

    // The number of tags of "assets" (0 when missing).
    int32_t AssetCount() const;
    // The asset soup at that position of "assets", shared, as an entry (an
    // entry without a soup when there is none or it is no container).
    CdpAssetEntry GetAsset(int32_t index) const;
    // The position of the first asset whose "kuid" equals `kuid`, or -1.
    int32_t FindAsset(const KUID& kuid) const;
    // The raw bytes of a root tag as a counted view; null when missing.
    RawDataRef GetData(const Vek::PString& name) const;

    // Recomputes "contents-table", "kuid-table" and "obsolete-table" from
    // "assets", then sets "kind" and "package-version" (each replaced and
    // appended in that order).
    void RebuildTables();

    // Changes made to the root through a copy of this handle are not seen by
    // the archive's own lookups; change the archive through its operations.
    const SoupHandle& GetRoot() const {
        CompleteTables();
        return m_root;
    }
    // Drops the root.
    void Clear() {
        m_root.Clear();
        ForgetAssets();
        m_kuids.clear();
        m_names.clear();
        m_kuidsKnown = false;
        m_tablesStale = false;
    }

private:
    // The "assets" container, looked up once and kept while the root stays
    // as it is. Every lookup of a tag of a binary file makes a new view, and
    // a view walks its entries from the first one, so looking "assets" up
    // again for every index made walking an archive quadratic in its assets.
    // One kept view walks them in order at the cost of one step each.
    const SoupHandle& Assets() const;
    void ForgetAssets() const {
        m_assets.Clear();
        m_assetsKnown = false;
    }

    // A root read from a binary file is a read-only view whose edits live
    // in the file's overlay; before the archive is changed it becomes an
    // editable copy, so that no view of the file is ever stored inside it.
    void MakeRootEditable();

    // The KUIDs of "assets" (and their tag names), gathered once, so that
    // refusing a KUID the archive already holds, or adding a new one, does
    // not read every asset added before.
    const std::set<KUID, KUIDLess>& KnownKuids() const;
    // Rebuilds the tables when an asset was added since they were built.
    void CompleteTables() const;

    SoupHandle m_root;
    mutable SoupHandle m_assets;
    mutable bool m_assetsKnown = false;
    mutable std::set<KUID, KUIDLess> m_kuids;
    mutable std::set<std::string> m_names;  // the tag names of "assets", beside m_kuids
    mutable bool m_kuidsKnown = false;
    bool m_tablesStale = false;
};

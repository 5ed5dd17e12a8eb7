#pragma once
// VorlexBaseSpec: the AssetSpec class of every asset of this program;
// the registry makes one whenever no factory claims the asset's kind
// (SpecRegistry::CreateSpec).
//
// On top of AssetSpec it knows the asset's kind, its build number, the
// base name of its files, and its scripts: the script library named by its
// configuration, the script class, and the asset's compiled libraries,
// cached in U + "cache/libraries/<KUID folder>" as "%08x%08x.gsl" (the
// source's content CRC, then its name CRC). Script work runs on the main
// thread; the compiler's include list it changes is process-wide and
// restored before CacheScripts returns.
#include <cstdint>
#include <set>

#include "assetdb/specs/AssetSpec.h"
#include "engine/File.h"
#include "foundation/soups/SoupHandle.h"
#include "gsruntime/GSLibraryId.h"

class ResultsLog;

namespace GSRuntime {
class GSClass;
class GSLibrary;
}  // namespace GSRuntime

class VorlexBaseSpec : public AssetSpec {
public:
    // Script flag bits.
    static constexpr uint8_t kClassResolved = 0x01;
    static constexpr uint8_t kSharedLibrary = 0x02;
    static constexpr uint8_t kScriptsCached = 0x04;
    static constexpr uint8_t kScriptInfoRead = 0x08;

    // With a configuration (a non-empty soup): kind = its "kind" text and
    // build = GetAssetBuild; without one: no kind and build 1.3. The file base
    // name is, for a build below 2.50, the "asset-filename" text (the folder
    // name when that is empty), lower-cased; for later builds "default".
    VorlexBaseSpec(const Vek::PString& location, const char* parentFolder, const KUID& kuid, const SoupHandle& config,
                   const char* folderName);
    ~VorlexBaseSpec() override = default;

    float GetBuild() const { return m_build; }
    // (int)(own build x 100) >= (int)(build x 100).
    bool IsBuildAtLeast(float build) const;

    // Reads the script library and class from the configuration
    // (VADGetAssetScriptInfo): the library is the script path with the
    // extension "gsl"; a leading '/' marks a shared library (one of the
    // machine's own folders, never compiled here). Nothing named: OnNoScriptInfo.
    void ReadScriptInfo();
    // Called when the configuration names no script; nothing here.
    virtual void OnNoScriptInfo() {}

    // Compiles (or takes from the cache) every ".gs"/".gse" source of
    // `sourceFolder` in `location` and registers each library with the
    // script machine; the library of `primarySource` (compared without a
    // final "e" and without case) becomes the AssetSpec's. Once per AssetSpec until
    // CompileScriptClass asks again. False after any failure, each with an
    // error entry in `log` (which may be null); the other sources are still
    // done.
    bool CacheScripts(const Vek::PString& location, const Vek::File::Path& sourceFolder,
                      const Vek::File::Path& primarySource, ResultsLog* log);
    // The AssetSpec's library: a shared one by name, else by its ids, caching the
    // scripts first when they are not known (the messages are dropped).
    GSRuntime::GSLibrary* GetGSLibrary();
    // The script class, resolved once (null when it cannot be; logged once).
    GSRuntime::GSClass* GetGSClass();
    // Caches the scripts again and checks the script class against the
    // asset's kind; error entries in `log` for what fails. True when the
    // asset has no script of its own or a shared one.
    bool CompileScriptClass(ResultsLog* log);

    // Puts the folders of the assets named (transitively) by the
    // configurations' "script-include-table" at the front of the compiler's
    // include list, compiling their scripts first. False when one of them
    // has no spec. Nothing for a build below 2.90.
    bool AddScriptIncludePaths();
    // Adds the KUIDs of the configuration's "script-include-table".
    void CollectScriptIncludes(std::set<KUID, KUIDLess>& kuids);
    // Parent folder + folder name + the lower-cased library name.
    Vek::File::Path GetLibraryPath() const;

    const Vek::PString& GetScriptLibraryName() const { return m_scriptLibrary; }
    const Vek::PString& GetScriptClassName() const { return m_scriptClassName; }
    uint8_t GetScriptFlags() const { return m_scriptFlags; }
    GSRuntime::GSLibraryId GetLibraryId() const { return m_libraryId; }

    // Whether the asset is locally modified, as last asked of the asset
    // database; unknown until SetLocallyModified.
    bool IsLocalModificationKnown() const { return m_localModificationKnown; }
    bool IsLocallyModified() const { return m_locallyModified; }
    void SetLocallyModified(bool modified) {
        m_localModificationKnown = true;
        m_locallyModified = modified;
    }

protected:
    // Names the script library and class and sets `flags` among the script
    // flags, for AssetSpec classes whose assets have a script of a fixed
    // kind until their configuration names one.
    void SetScriptInfo(const Vek::PString& library, const Vek::PString& className, uint8_t flags);

private:
    bool RegisterCachedLibrary(const Vek::File::Path& cacheFolder, const char* fileName, GSRuntime::GSLibraryId expected,
                               bool& matches);
    // The location, source folder and primary source of the asset's own
    // scripts.
    void GetScriptSources(Vek::PString& location, Vek::File::Path& folder, Vek::File::Path& primary) const;

    Vek::PString m_scriptLibrary;
    Vek::PString m_scriptClassName;
    GSRuntime::GSClass* m_scriptClass = nullptr;
    uint8_t m_scriptFlags = 0;
    GSRuntime::GSLibraryId m_libraryId{};
    float m_build = 1.3f;
    bool m_localModificationKnown = false;
    bool m_locallyModified = false;
};

// The build number of an asset's configuration: the float "vorlex-build"
// plus 0.005 when it lies in [1, 100); otherwise 2.0 when the configuration
// has a "mesh-table", "class" or "scriptclass" tag, else 1.3.
float GetAssetBuild(const SoupHandle& config);

// The category-class codes of an asset kind and its type words (both taken
// without ASCII case); empty for a kind the table does not know.
Vek::String MapKindToCategoryClass(const char* kind, const char* type);

// The kind check of an asset's script class against its category-class
// list: the class must derive from "Vehicle" exactly when the asset is a
// vehicle ("TR;TV"), from "Trackside" exactly when it is trackside (a
// vehicle, a signal, or "TO"), and from "Signal" exactly when it is a
// signal ("?WA"). The error text of the first test that fails; null when
// all hold.
const char* CheckScriptClassKind(const GSRuntime::GSClass& cls, const char* categoryClass);

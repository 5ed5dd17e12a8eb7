#include "assetdb/specs/VorlexBaseSpec.h"

#include <vector>

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/assetinfo/VADGetAssetScriptInfo.h"
#include "assetdb/categories/CategoryClassList.h"
#include "assetdb/specs/GetSpecForKuid.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/results/ResultsLog.h"
#include "gscompiler/IncludePath.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"

namespace {

int Hundredths(float build) { return static_cast<int>(build * 100.0f); }

void AddError(ResultsLog* log, const char* text) {
    if (log) log->AddEntry(ResultsLogEntry::kError, PropertyRef(), Vek::String(text), nullptr);
}

// Puts an include entry at the front of the compiler's include list.
void AddIncludePathAtFront(IncludePath* entry) {
    Utils::DoubleLinkList& paths = IncludePaths();
    std::vector<void*> rest;
    for (auto* node = paths.Begin(); node != paths.End(); node = node->next) rest.push_back(node->data);
    paths.Clear();
    paths.AddTail(entry);
    for (void* data : rest) paths.AddTail(data);
}

}  // namespace

VorlexBaseSpec::VorlexBaseSpec(const Vek::PString& location, const char* parentFolder, const KUID& kuid,
                               const SoupHandle& config, const char* folderName)
    : AssetSpec(kuid, location, parentFolder, folderName) {
    if (!config.IsEmpty()) {
        m_kind = config.GetString("kind");
        m_build = GetAssetBuild(config);
    }
    // Builds are compared in hundredths, truncated, as everywhere else.
    if (Hundredths(m_build) < 250) {
        Vek::PString name = config.GetString("asset-filename");
        m_fileBaseName = name.IsEmpty() ? GetFolderName().c_str() : name.c_str();
        m_fileBaseName.ToLower();
    } else {
        m_fileBaseName = "default";
    }
}

bool VorlexBaseSpec::IsBuildAtLeast(float build) const { return Hundredths(m_build) >= Hundredths(build); }

float GetAssetBuild(const SoupHandle& config) {
    const float build = config.GetFloat("vorlex-build", 0.0f);
    if (build >= 1.0f && build < 100.0f) return static_cast<float>(build + 0.005);
    if (config.HasTag("mesh-table") || config.HasTag("class") || config.HasTag("scriptclass")) return 2.0f;
    return 1.3f;
}

void VorlexBaseSpec::ReadScriptInfo() {
    m_scriptFlags &= static_cast<uint8_t>(~kScriptInfoRead);
    Vek::PString className;
    Vek::File::Path script;
    if (!VADGetAssetScriptInfo(className, script, GetKuid())) {
        OnNoScriptInfo();
        return;
    }
    if (script.IsEmpty()) return;
    // The configuration's own script replaces a fixed one a subclass set
    // (a library asset's "Library.gsl"), shared or not.
    m_scriptFlags &= static_cast<uint8_t>(~kSharedLibrary);
    std::string path = script.Str();
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    path += ".gsl";
    if (!path.empty() && path[0] == '/') {
        path.erase(0, 1);
        m_scriptFlags |= kSharedLibrary;
    }
    m_scriptLibrary = Vek::PString(path.c_str());
    m_scriptClassName = className;
    m_scriptFlags |= kScriptInfoRead;
}

void VorlexBaseSpec::SetScriptInfo(const Vek::PString& library, const Vek::PString& className, uint8_t flags) {
    m_scriptLibrary = library;
    m_scriptClassName = className;
    m_scriptFlags |= flags;
}

Vek::File::Path VorlexBaseSpec::GetLibraryPath() const {
    Vek::File::Path path(GetParentFolder().c_str());
    path.AddPath(GetFolderName().c_str());
    Vek::File::Path name(m_scriptLibrary.c_str());
    name.ToLower();
    path.AddPath(name.c_str());
    return path;
}

void VorlexBaseSpec::GetScriptSources(Vek::PString& location, Vek::File::Path& folder,
                                      Vek::File::Path& primary) const {
    primary.Clear();
    if (!m_scriptLibrary.IsEmpty()) {
        std::string path = GetLibraryPath().Str();
        path.erase(path.size() - 4);  // ".gsl"
        primary = (path + ".gs").c_str();
    }
    folder = GetParentFolder().c_str();
    folder.AddPath(GetFolderName().c_str());
    location = GetResourceDatabase().GetName();
}

void VorlexBaseSpec::CollectScriptIncludes(std::set<KUID, KUIDLess>& kuids) {
    if (Hundredths(m_build) < 290) return;
    const SoupHandle config = GetConfig();
    const SoupHandle table = config.GetContainer(Vek::PString("script-include-table"));
    for (int32_t i = 0; i < table.Count(); ++i) {
        const KUID kuid = table.GetKUID(table.GetTagName(i), KUID());
        if (!kuid.IsNull()) kuids.insert(kuid);
    }
}

bool VorlexBaseSpec::AddScriptIncludePaths() {
    bool result = true;
    if (Hundredths(m_build) < 290) return result;
    std::set<KUID, KUIDLess> pending;
    std::set<KUID, KUIDLess> done;
    CollectScriptIncludes(pending);
    while (!pending.empty()) {
        const KUID kuid = *pending.begin();
        pending.erase(pending.begin());
        if (done.count(kuid)) continue;
        done.insert(kuid);
        SpecHandle handle = GetVorlexBaseSpec(kuid, 1);
        VorlexBaseSpec* spec = handle.AsVorlexBaseSpec();
        if (!spec) {
            result = false;
            continue;
        }
        spec->ReadScriptInfo();
        spec->GetGSLibrary();
        if (!(spec->m_scriptFlags & kSharedLibrary)) {
            Vek::File::Path folder(spec->GetParentFolder().c_str());
            folder.AddPath(spec->GetFolderName().c_str());
            AddIncludePathAtFront(new IncludePath(folder, spec->GetResourceDatabase().GetName()));
        }
        spec->CollectScriptIncludes(pending);
    }
    return result;
}

GSRuntime::GSLibrary* VorlexBaseSpec::GetGSLibrary() {
    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    if (m_scriptFlags & kSharedLibrary) return machine->GetLibraryByName(m_scriptLibrary.c_str());
    if (m_libraryId.a != 0 || m_libraryId.b != 0) return machine->GetLibrary(m_libraryId);
    Vek::PString location;
    Vek::File::Path folder;
    Vek::File::Path primary;
    GetScriptSources(location, folder, primary);
    ResultsLog discarded;
    CacheScripts(location, folder, primary, &discarded);
    if (m_libraryId.a == 0 && m_libraryId.b == 0) return nullptr;
    return machine->GetLibrary(m_libraryId);
}

GSRuntime::GSClass* VorlexBaseSpec::GetGSClass() {
    if (m_scriptFlags & kClassResolved) return m_scriptClass;
    ReadScriptInfo();
    if (!m_scriptLibrary.IsEmpty()) {
        GSRuntime::GSLibrary* library = GetGSLibrary();
        if (library) {
            m_scriptClass = library->FindClass(m_scriptClassName.c_str());
            if (!m_scriptClass)
                LogPrintf("VorlexBaseSpec::GetGSClass> Could not load Vorlex class %s from library %s for %s",
                          m_scriptClassName.c_str(), m_scriptLibrary.c_str(), GetDescription().c_str());
        } else {
            LogPrintf("VorlexBaseSpec::GetGSClass> Could not load Vorlex library %s for '%s'", m_scriptLibrary.c_str(),
                      GetDescription().c_str());
        }
    }
    m_scriptFlags |= kClassResolved;
    return m_scriptClass;
}

bool VorlexBaseSpec::CompileScriptClass(ResultsLog* log) {
    m_scriptFlags &= static_cast<uint8_t>(~(kClassResolved | kScriptsCached));
    m_scriptClass = nullptr;
    ReadScriptInfo();
    if (m_scriptLibrary.IsEmpty() || (m_scriptFlags & kSharedLibrary)) return true;

    Vek::PString location;
    Vek::File::Path folder;
    Vek::File::Path primary;
    GetScriptSources(location, folder, primary);
    if (!CacheScripts(location, folder, primary, log)) return false;

    GSRuntime::GSClass* cls = GetGSClass();
    if (!cls) {
        AddError(log, "Unable to link compiled script class.");
        return false;
    }
    VADAssetInfo info;
    VADGetAssetInfo(GetKuid(), info, 4);
    if (const char* error = CheckScriptClassKind(*cls, info.categoryClass.c_str())) {
        AddError(log, error);
        return false;
    }
    return true;
}

const char* CheckScriptClassKind(const GSRuntime::GSClass& cls, const char* categoryClass) {
    const bool vehicle = MatchCategoryPattern("TR;TV", categoryClass);
    const bool signal = MatchCategoryPattern("?WA", categoryClass);
    const bool trackside = vehicle || signal || MatchCategoryPattern("TO", categoryClass);
    if (cls.IsA("Vehicle") != vehicle) return "Script class does not match asset kind (vehicle).";
    if (cls.IsA("Trackside") != trackside) return "Script class does not match asset kind (trackside).";
    if (cls.IsA("Signal") != signal) return "Script class does not match asset kind (signal).";
    return nullptr;
}

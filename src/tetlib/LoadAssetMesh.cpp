// The data manager's load of the mesh, level-of-detail mesh or animation
// file that a file-path tag names, with the format and level-of-detail
// performance findings.
#include <cstring>
#include <memory>
#include <string>

#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/Container.h"
#include "tetlib/meshdata/LODMeshData.h"
#include "tetlib/meshdata/MeshNames.h"

namespace TETLib {

namespace {

// Kinds whose level-of-detail meshes are not judged for performance.
constexpr const char* kUnjudgedKinds[] = {"traincar", "bogey", "interior", "pantograph", "drivercharacter"};

bool IsAbsolute(const char* path) {
    return (path[0] && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) || (path[0] == '\\' && path[1] == '\\') ||
           path[0] == '/';
}

void Warn(const char* key, const std::string& name, Container* owner) {
    if (ErrorHandler* handler = ErrorHandler::Instance()) handler->AddWarning(LocalisedToolsText(key, {name}), owner);
}

}  // namespace

void DataManager::ReportLODPerformance(LODMeshData& holder, const std::string& path, Container* owner) {
    if (!owner || !owner->parent) return;
    const Vek::PString kind = owner->parent->configuration.GetString("kind");
    for (const char* unjudged : kUnjudgedKinds)
        if (kind == Vek::PString(unjudged)) return;
    const std::string relative = WithoutPrefix(path, std::strlen(m_assetPath.c_str()));
    if (holder.GetAttachmentCount() == 0 && holder.GetAnimations().empty())
        Warn("$tet_lm_performance_no_attachments", relative, owner);
    const int levels = holder.GetDistanceLevelCount();
    if (levels == 1) Warn("$tet_lm_performance_single_lod", relative, owner);
    holder.SelectLevel(levels - 1);
    if (holder.GetPolygonCount() < 300) Warn("$tet_lm_performance_low_poly", relative, owner);
}

void DataManager::RegisterLoadedMesh(Container* owner, std::unique_ptr<MeshData> holder) {
    MeshData* added = holder.get();
    RegisterMesh(owner, std::move(holder));
    added->SwitchLightingOn();
}

MeshData* DataManager::LoadAssetMesh(const Vek::PString& value, Container* owner) {
    if (value.IsEmpty()) return nullptr;
    Vek::File::Path path(value.c_str());
    if (!path.GetExt()) return nullptr;
    if (IsAbsolute(path.c_str())) path.MakeRelativeTo(GetLocationPath(m_assetLocation).c_str());
    path.ReplaceForwardSlashes();
    std::string name = path.c_str();

    bool lod = false, judged = false;
    if (path.IsExt("im")) {
    } else if (path.IsExt("lm")) {
        lod = judged = true;
    } else if (path.IsExt("txt")) {
        // "<name>.lm.txt": a level-of-detail description, loaded as the mesh
        // it describes but not judged for performance.
        name.erase(name.size() - 4);
        if (!Vek::File::Path(name.c_str()).IsExt("lm")) return nullptr;
        lod = true;
    } else if (path.IsExt("pm")) {
        m_meshLoadFailed = true;
        const Vek::PString text = LocalisedToolsText("$tet_dm_unsupportedformat");
        if (ErrorHandler* handler = ErrorHandler::Instance()) {
            if (GetAssetBuildCode() < 290)
                handler->AddWarning(text, owner);
            else
                handler->AddError(text, owner);
        }
        MeshData probe;
        probe.Load(Vek::PString(name.c_str()), owner);
        return nullptr;
    } else if (path.IsExt("kin")) {
        auto* current = dynamic_cast<MeshData*>(m_currentMesh);
        if (current && current->IsLoaded()) {
            current->LoadAnimation(Vek::PString(name.c_str()));
        } else if (!m_meshLoadFailed && !m_aliasAsset) {
            m_meshLoadFailed = true;
            if (ErrorHandler* handler = ErrorHandler::Instance())
                handler->AddError(LocalisedToolsText("$tet_dm_animationfailed", {name}), owner);
        }
        return nullptr;
    } else {
        return nullptr;
    }

    std::unique_ptr<MeshData> holder = lod ? std::make_unique<LODMeshData>() : std::make_unique<MeshData>();
    if (!holder->Load(Vek::PString(name.c_str()), owner)) {
        m_meshLoadFailed = true;
        return nullptr;
    }
    MeshData* added = holder.get();
    RegisterLoadedMesh(owner, std::move(holder));
    if (judged) ReportLODPerformance(static_cast<LODMeshData&>(*added), name, owner);
    return added;
}

}  // namespace TETLib

#include "tetlib/container/TagRules.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/File.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/files/LocationFiles.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/MeshHolder.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"

namespace TETLib {

namespace {

ErrorHandler& Errors() { return *ErrorHandler::Instance(); }
DataManager& Data() { return *DataManager::Instance(); }
float AssetBuild() { return Data().GetAssetBuild(); }

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The asset's folder inside its location joined with a path of the asset.
std::string AssetRelative(const std::string& value) {
    Vek::File::Path path = Data().GetAssetPath();
    path.AddPath(value.c_str());
    path.ReplaceBackSlashes();
    return path.c_str();
}

bool ExistsInAssetLocation(const std::string& path) {
    return ExistsInRoot(Data().GetAssetLocation(), path.c_str());
}

// The container two levels up, or null when the tag's owner has no parent
// or no grandparent.
Container* Grandparent(const Tag& tag) {
    if (!tag.owner || !tag.owner->parent) return nullptr;
    return tag.owner->parent->parent;
}

bool IsTracksideType(Tag& tag, const SoupHandle&) {
    Tag* type = tag.owner->FindTag("type");
    if (!type) {
        Errors().AddError(LocalisedToolsText("$tet_val_notype", {tag.name, "type", "trackside"}), &tag);
        return false;
    }
    if (type->value == "trackside") return true;
    Errors().AddError(LocalisedToolsText("$tet_val_wrongtype", {"type", "trackside", tag.name}), type);
    return false;
}

bool IsNotTraincar(Tag& tag, const SoupHandle&) {
    if (tag.owner->configuration.GetString("kind") != Vek::PString("traincar")) return true;
    Errors().AddError(LocalisedToolsText("$tet_val_not_type", {tag.name, "traincar"}));
    return false;
}

bool NeedCollateMeshes(Tag& tag, const SoupHandle&) {
    if (tag.owner->FindTag("collate-meshes")) return true;
    Errors().AddError(LocalisedToolsText("$tet_val_nocollatemeshes", {tag.name, "collate-meshes"}), &tag);
    return false;
}

bool IsPositive(Tag& tag, const SoupHandle&) {
    if (tag.value.empty()) return false;
    for (float x : ParseNumberList(tag.value)) {
        if (x < 0.0f) {
            Errors().AddError(LocalisedToolsText("$tet_val_notpositive", {tag.name}), &tag);
            return false;
        }
    }
    return true;
}

bool IsNotZero(Tag& tag, const SoupHandle&) {
    if (tag.value.empty()) return false;
    for (float x : ParseNumberList(tag.value)) {
        if (x == 0.0f) {
            Errors().AddError(LocalisedToolsText("$tet_val_notzero", {tag.name}), &tag);
            return false;
        }
    }
    return true;
}

bool ScriptFileExists(Tag& tag, const SoupHandle&) {
    if (tag.value.empty()) return false;
    if (tag.value[0] == '/') return true;
    if (IsCurrentLocationPacked()) return true;
    const std::string lower = Lower(tag.value);
    if (IsConfinedAssetPath(lower)) {
        for (const char* extension : {".gse", ".gs"})
            if (ExistsInAssetLocation(AssetRelative(lower + extension))) return true;
    }
    Errors().AddError(LocalisedToolsText("$tet_val_scriptfiledne", {lower}), &tag);
    return false;
}

bool FileExists(Tag& tag, const SoupHandle&) {
    if (tag.value.empty()) return false;
    std::string relative;
    Container* root = Data().GetRootContainer();
    if (tag.owner->name == Vek::PString("sound") && root &&
        root->configuration.GetString("type") == Vek::PString("map"))
        relative = "sound/";
    relative += Lower(tag.value);
    if (IsConfinedAssetPath(tag.value) && ExistsInAssetLocation(AssetRelative(relative))) return true;
    const Vek::PString text = LocalisedToolsText("$tet_val_file_dne", {tag.value});
    if (IsBuildBelow(AssetBuild(), 3.4f))
        Errors().AddWarning(text, &tag);
    else
        Errors().AddError(text, &tag);
    return false;
}

bool Range(Tag& tag, const SoupHandle& parameters) {
    if (tag.value.empty()) return false;
    const double low = std::atof(parameters.GetString("min").c_str());
    const double high = std::atof(parameters.GetString("max").c_str());
    bool inside = true;
    for (float x : ParseNumberList(tag.value))
        if (x < low || x > high) inside = false;
    if (!inside) Errors().AddError(LocalisedToolsText("$tet_val_notwithinrange", {tag.name, low, high}), &tag);
    return inside;
}

bool ArraySize(Tag& tag, const SoupHandle& parameters) {
    if (!parameters.HasTag("size")) return false;
    const long size = std::strtol(parameters.GetString("size").c_str(), nullptr, 10);
    return tag.CheckVectorSize(static_cast<int>(size));
}

bool NotOwnParent(Tag& tag, const SoupHandle&) {
    if (tag.name != tag.owner->name) return true;
    Errors().AddError(LocalisedToolsText("$tet_val_notownparent"), &tag);
    return false;
}

bool MustBeOwnParent(Tag& tag, const SoupHandle&) {
    Container* grandparent = Grandparent(tag);
    if (!grandparent) return false;
    MeshHolder* mesh = Data().GetContainerMesh(grandparent);
    if (!mesh) return false;
    if (mesh->HasAttachmentPoint(Vek::PString(tag.value.c_str()))) return true;
    std::string meshPath = mesh->GetFilePath().c_str();
    const std::size_t assetLength = std::string(Data().GetAssetPath().c_str()).size();
    meshPath = meshPath.size() > assetLength ? meshPath.substr(assetLength) : std::string();
    Errors().AddError(LocalisedToolsText("$tet_val_mustbeownparent", {tag.value, meshPath}), &tag);
    return false;
}

bool MustBeInLightContainer(Tag& tag, const SoupHandle&) {
    const std::vector<int> lights = ParseIntegerList(tag.value);
    Container* grandparent = Grandparent(tag);
    if (!grandparent) return false;
    Container* container = grandparent->FindSubContainer("lights");
    if (!container) {
        Errors().AddError(LocalisedToolsText("$tet_val_musthavealightcontainer"), &tag);
        return false;
    }
    bool result = true;
    for (int k : lights) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", k);
        if (container->FindSubContainer(text)) continue;
        Errors().AddError(LocalisedToolsText("$tet_val_mustbeinlightcontainer", {k}), &tag);
        result = false;
    }
    return result;
}

bool MustBePaired(Tag& tag, const SoupHandle& parameters) {
    if (tag.name == Vek::PString("initial-count") && tag.value == "0") return true;
    const Vek::PString first = parameters.GetString("0");
    const Vek::PString second = parameters.GetString("1");
    bool result = true;
    if (first.IsEmpty() || !tag.owner->FindTag(first)) {
        Errors().AddError(LocalisedToolsText("$tet_val_mustbepaired", {second, first}), &tag);
        result = false;
    }
    if (second.IsEmpty() || !tag.owner->FindTag(second)) {
        Errors().AddError(LocalisedToolsText("$tet_val_mustbepaired", {first, second}), &tag);
        result = false;
    }
    return result;
}

// Each pair of `items` (sub-containers or tags, in order) that share a name
// makes a finding on the later one of the pair, with `message`. The error
// handler keeps one finding per owner and text, so only the pairs with the
// first item of a name count: they are reported, in the same order, and
// the others are not made at all, which keeps the rule linear in the items.
// False when any name repeats.
template <typename Items>
bool ReportRepeatedNames(const Items& items, const char* message, const Vek::PString& containerName) {
    std::unordered_map<const Vek::PStringCache::Node*, std::vector<std::size_t>> positions;
    for (std::size_t i = 0; i < items.size(); ++i) positions[items[i]->name.GetNode()].push_back(i);
    bool result = true;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::vector<std::size_t>& same = positions[items[i]->name.GetNode()];
        if (same.front() != i) continue;
        for (std::size_t k = 1; k < same.size(); ++k) {
            const auto* repeat = items[same[k]];
            Errors().AddError(LocalisedToolsText(message, {repeat->name, containerName}), repeat);
            result = false;
        }
    }
    return result;
}

bool UniqueNames(Container& container, const SoupHandle&) {
    const bool subs =
        ReportRepeatedNames(container.subContainers, "$tet_val_duplicatecontainername", container.name);
    const bool tags = ReportRepeatedNames(container.tags, "$tet_val_duplicatetagname", container.name);
    return subs && tags;
}

bool HasValidTextureFile(Container& container, const SoupHandle&) {
    if (IsCurrentLocationPacked()) return true;
    Tag* texture = nullptr;
    for (Tag* tag : container.tags)
        if (tag->name == Vek::PString("texture") || tag->name == Vek::PString("asset-filename")) {
            texture = tag;
            break;
        }
    if (!texture) {
        Errors().AddError(LocalisedToolsText("$tet_val_texturefilenotspecified"));
        return false;
    }
    const bool confined = IsConfinedAssetPath(texture->value);
    const Vek::File::Path path(AssetRelative(Lower(texture->value)));
    if (path.IsExt("tga") || path.IsExt("bmp") || path.IsExt("jpg")) {
        const Vek::PString text = LocalisedToolsText("$tet_val_texturefilewrongformat", {texture->value});
        if (IsBuildBelow(AssetBuild(), 3.49f) && confined && ExistsInAssetLocation(path.c_str())) {
            Errors().AddWarning(text, texture);
            return true;
        }
        Errors().AddError(text, texture);
        return false;
    }
    std::string base = path.c_str();
    if (path.IsExt("texture")) base.resize(base.size() - std::string(".texture").size());
    if (confined && (ExistsInAssetLocation(base + ".texture") || ExistsInAssetLocation(base + ".texture.txt")))
        return true;
    Errors().AddError(LocalisedToolsText("$tet_val_texturefiledne", {texture->value}), texture);
    return false;
}

// Only the root container's "mesh-table" counts.
Container* RootMeshTable(Container& container) {
    if (container.parent) return nullptr;
    return container.FindSubContainer("mesh-table");
}

bool MeshTableHasShadow(Container& container, const SoupHandle&) {
    Container* table = RootMeshTable(container);
    if (!table || table->FindSubContainer("shadow")) return true;
    Errors().AddWarning(LocalisedToolsText("$tet_val_shadow_missing"), &container);
    return false;
}

bool MeshTableHasVisibleMesh(Container& container, const SoupHandle&) {
    Container* table = RootMeshTable(container);
    if (!table) return true;
    for (Container* entry : table->subContainers) {
        if (!entry) continue;
        Tag* autoCreate = entry->FindTag("auto-create");
        if (autoCreate && autoCreate->value != "0") return true;
    }
    Errors().AddWarning(LocalisedToolsText("$tet_val_no_visible_mesh"), &container);
    return false;
}

template <typename Rule>
struct RuleRow {
    Vek::PString keyword;
    Rule rule;
};

const std::vector<RuleRow<TagRule>>& TagRules() {
    static const std::vector<RuleRow<TagRule>> rows = {
        {"istracksidetype", IsTracksideType}, {"isnottraincar", IsNotTraincar},
        {"needcollatemeshes", NeedCollateMeshes}, {"ispositive", IsPositive},
        {"isnotzero", IsNotZero}, {"scriptfileexists", ScriptFileExists},
        {"fileexists", FileExists}, {"range", Range},
        {"arraysize", ArraySize}, {"notownparent", NotOwnParent},
        {"mustbeownparent", MustBeOwnParent}, {"mustbeinlightcontainer", MustBeInLightContainer},
        {"mustbepaired", MustBePaired},
    };
    return rows;
}

const std::vector<RuleRow<ContainerRule>>& ContainerRules() {
    static const std::vector<RuleRow<ContainerRule>> rows = {
        {"uniquenames", UniqueNames},
        {"hasvalidtexturefile", HasValidTextureFile},
        {"meshtablehasshadow", MeshTableHasShadow},
        {"meshtablehasvisiblemesh", MeshTableHasVisibleMesh},
    };
    return rows;
}

template <typename Rule>
Rule FindRule(const std::vector<RuleRow<Rule>>& rows, const Vek::PString& keyword) {
    for (const auto& row : rows)
        if (row.keyword == keyword) return row.rule;
    return nullptr;
}

}  // namespace

TagRule FindTagRule(const Vek::PString& keyword) { return FindRule(TagRules(), keyword); }
ContainerRule FindContainerRule(const Vek::PString& keyword) { return FindRule(ContainerRules(), keyword); }

bool IsConfinedAssetPath(const std::string& path) {
    if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
    if (path.size() >= 2 && path[1] == ':') return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return true;
}

bool IsCurrentLocationPacked() {
    const Vek::PString location = Data().GetAssetLocation();
    if (location.IsEmpty()) return false;
    Vek::File::Path archive = GetLocationPath(location);
    if (archive.IsEmpty()) return false;
    archive.Add(".va");
    return Vek::File::Exists(archive.c_str());
}

}  // namespace TETLib

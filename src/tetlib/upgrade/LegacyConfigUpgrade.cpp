#include "tetlib/upgrade/LegacyConfigUpgrade.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assetdb/categories/LegacyCategoryTable.h"
#include "engine/AnsiString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSConverter.h"
#include "foundation/soups/ACSRawData.h"
#include "tetlib/DataManager.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/upgrade/AttachedTracks.h"
#include "tetlib/upgrade/LegacyMeshTables.h"
#include "tetlib/upgrade/LegacyTagCleanup.h"
#include "tetlib/upgrade/MeshDataFactory.h"

namespace TETLib {

namespace {

constexpr int kEmptyCategoryBelowBuildCode = 350;
constexpr float kUpgradedBuild = 2.9f;

bool IsKind(const Vek::PString& kind, const char* word) { return Vek::AnsiString(kind.c_str()).EqualsIgnoreCase(word); }

void RemoveEach(SoupHandle& configuration, std::initializer_list<const char*> names) {
    for (const char* name : names) configuration.RemoveTag(name);
}

// The text of the tag at `index` (empty when it has none), read as the
// getters read a tag by name; by position, so that a later tag of a
// repeated name is read as itself.
Vek::PString TextAt(const SoupHandle& soup, int32_t index) {
    Vek::PString name;
    ChunkRef tag;
    if (!soup.GetRoot() || !soup.GetRoot()->GetChildAt(index, name, tag) || IsAbsentChunk(tag)) return {};
    const std::string_view text = TextOfBlock(ConvertChunkKind(tag->GetKind(), MakeChunkDataView(tag), ACSKind::kText));
    return text.empty() ? Vek::PString() : Vek::PString(text.data(), text.size());
}

// Joins the non-empty texts of "<prefix>0", "<prefix>1", ... into one list
// with ";" between items and removes each taken tag. The first empty text
// ends the run, except at index 0. `edit` shapes each item.
template <typename Edit>
void JoinNumberedTags(SoupHandle& configuration, const char* prefix, const char* listName, Edit edit) {
    std::string list;
    int taken = 0;
    for (int i = 0;; ++i) {
        const std::string name = prefix + std::to_string(i);
        std::string item = configuration.GetString(name.c_str()).c_str();
        if (item.empty()) {
            if (i == 0) continue;
            break;
        }
        edit(item);
        if (taken++ > 0) list += ";";
        list += item;
        configuration.RemoveTag(name.c_str());
    }
    if (taken > 0) configuration.SetString(listName, list.c_str());
}

void ConvertIconToThumbnails(SoupHandle& configuration) {
    if (!configuration.HasTag("icon-texture") || configuration.HasTag("thumbnails")) return;
    SoupHandle image;
    image.SetString("image", configuration.GetString("icon-texture").c_str());
    image.SetInt("width", 64);
    image.SetInt("height", 64);
    SoupHandle thumbnails;
    thumbnails.SetContainer("0", image);
    configuration.SetContainer("thumbnails", thumbnails);
    configuration.RemoveTag("icon-texture");
}

// The interior's single camera becomes the next entry of "cameralist",
// followed by two zeros: "camera<count>", or the first later index whose
// name the list does not use yet, so that a list with a gap in its names
// keeps every camera. A "cameralist" that is no container loses it.
void MoveCameraToList(SoupHandle& configuration) {
    if (!configuration.HasTag("camera")) return;
    if (!configuration.HasTag("cameralist")) {
        SoupHandle empty;
        configuration.SetContainer("cameralist", empty);
    }
    SoupHandle cameras = configuration.GetContainer("cameralist");
    int64_t index = cameras.Count();
    std::string name = "camera" + std::to_string(index);
    while (cameras.HasTag(name.c_str())) name = "camera" + std::to_string(++index);
    SoupHandle::FloatArray values;
    configuration.GetFloatArray("camera", values);
    values.Add(0.0f);
    values.Add(0.0f);
    if (!cameras.IsEmpty()) cameras.SetFloatArray(name.c_str(), values);
    configuration.RemoveTag("camera");
}

void NameUnnamedEffects(SoupHandle& configuration) {
    const SoupHandle table = configuration.GetContainer("mesh-table");
    for (int32_t i = 0; i < table.Count(); ++i) {
        const SoupHandle effects = table.GetContainerAt(i).GetContainer("effects");
        for (int32_t j = 0; j < effects.Count(); ++j) {
            SoupHandle effect = effects.GetContainerAt(j);
            if (effect.IsEmpty() || effect.GetString("kind") != Vek::PString("name")) continue;
            if (effect.GetString("name").IsEmpty()) effect.SetString("name", effects.GetTagName(j).c_str());
        }
    }
}

// Appends a text tag, also when the list has one of that name already.
void AppendText(const ChunkRef& list, const Vek::PString& name, const char* text) {
    const std::size_t length = std::strlen(text);
    RawDataRef bytes = length ? MakeRawDataCopy(static_cast<int32_t>(length + 1), text) : nullptr;
    list->AppendChild(name, list->CreateChunk(ACSKind::kText, std::move(bytes)));
}

// Each "sound" list of "soundscript": a tag without text was a file named
// by the tag; it becomes a tag named by its index holding that file name.
// A "sound" that is no list is left as it is, not replaced by an empty one.
// Every entry is kept: a tag with text keeps its name (a repeated name
// stays repeated), and a file takes the first index from its own on that
// neither such a name nor an earlier file took.
void RebuildSoundLists(SoupHandle& configuration) {
    const SoupHandle scripts = configuration.GetContainer("soundscript");
    for (int32_t i = 0; i < scripts.Count(); ++i) {
        SoupHandle entry = scripts.GetContainerAt(i);
        if (entry.GetTagKind("sound") != ACSKind::kContainer) continue;
        const SoupHandle old = entry.GetContainer("sound");
        std::vector<Vek::PString> texts;
        std::set<std::string> named;
        for (int32_t j = 0; j < old.Count(); ++j) {
            texts.push_back(TextAt(old, j));
            if (!texts.back().IsEmpty()) named.insert(old.GetTagName(j).c_str());
        }
        SoupHandle rebuilt;
        const ChunkRef list = rebuilt.EnsureContainerRef();
        int64_t nextIndex = 0;
        for (int32_t j = 0; j < old.Count(); ++j) {
            const Vek::PString name = old.GetTagName(j);
            if (!texts[j].IsEmpty()) {
                AppendText(list, name, texts[j].c_str());
                continue;
            }
            int64_t index = std::max<int64_t>(j, nextIndex);
            while (named.count(std::to_string(index)) != 0) ++index;
            nextIndex = index + 1;
            AppendText(list, Vek::PString(std::to_string(index).c_str()), name.c_str());
        }
        entry.SetContainer("sound", rebuilt);
    }
}

void SetCategoryDefaults(SoupHandle& configuration, const Vek::PString& kind) {
    if (configuration.GetString("category-era").IsEmpty()) configuration.SetString("category-era", "1800s");
    const Vek::PString categoryClass = configuration.GetString("category-class");
    if (*MapLegacyCategoryClass(kind.c_str(), categoryClass.c_str()) == '\0')
        configuration.SetString("category-class", "ZX");
    const Vek::AnsiString region(configuration.GetString("category-region").c_str());
    bool worldwide = region.IsEmpty();
    for (const char* word : {"EU", "any region in the world", "World Trees", "ALL"})
        worldwide = worldwide || region.EqualsIgnoreCase(word);
    if (worldwide) configuration.SetString("category-region", "00");
}

// Step 10: the rules of the asset's kind.
void ApplyKindRules(SoupHandle& configuration, const Vek::PString& kind, const Vek::PString& assetFileName,
                    const MeshDataFactory& meshes) {
    const bool hasFileName = !assetFileName.IsEmpty();
    const bool buildTable = hasFileName && !configuration.HasTag("mesh-table");
    if (IsKind(kind, "bogey")) {
        if (buildTable) BuildBogeyMeshTable(configuration, assetFileName);
        configuration.RemoveTag("light");
    } else if (IsKind(kind, "behavior")) {
        ConvertIconToThumbnails(configuration);
    } else if (IsKind(kind, "groundtexture") || IsKind(kind, "texture")) {
        configuration.RemoveTag("rgb");
        if (hasFileName && !configuration.HasTag("texture"))
            configuration.SetString("texture", (std::string(assetFileName.c_str()) + ".texture").c_str());
        configuration.RemoveTag("light");
    } else if (IsKind(kind, "mesh")) {
        configuration.RemoveTag("light");
    } else if (IsKind(kind, "mojunction")) {
        if (buildTable) BuildJunctionMeshTable(configuration);
    } else if (IsKind(kind, "mocrossing")) {
        if (buildTable) BuildCrossingMeshTable(configuration, meshes);
        RemoveEach(configuration, {"track", "road"});
    } else if (IsKind(kind, "turntable")) {
        if (buildTable) BuildTurntableMeshTable(configuration, meshes);
    } else if (IsKind(kind, "traincar")) {
        if (buildTable) BuildTraincarMeshTable(configuration, assetFileName);
        if (!configuration.HasTag("bogeys")) BuildTraincarBogeys(configuration);
        if (configuration.GetTagKind("running-numbers") == ACSKind::kContainer)
            configuration.RemoveTag("running-numbers");
    } else if (IsKind(kind, "track") && hasFileName) {
        RemoveEach(configuration, {"height", "mini"});
    } else if (IsKind(kind, "bridge") && hasFileName) {
        configuration.RemoveTag("mini");
    } else if (IsKind(kind, "scenery")) {
        if (buildTable) BuildSceneryMeshTable(configuration, assetFileName, meshes);
        configuration.RemoveTag("bendy");
    } else if (IsKind(kind, "buildable")) {
        if (buildTable) BuildSceneryMeshTable(configuration, assetFileName, meshes);
    } else if (IsKind(kind, "interior")) {
        if (buildTable) BuildInteriorMeshTable(configuration);
        MoveCameraToList(configuration);
        if (!configuration.HasTag("cameradefault")) configuration.SetInt("cameradefault", 0);
    }
}

}  // namespace

void RewriteLegacyAssetConfig(SoupHandle& configuration, const MeshDataFactory& meshes) {
    if (configuration.GetString("username").IsEmpty()) {
        const Vek::PString name = configuration.GetString("name");
        const Vek::PString assetFileName = configuration.GetString("asset-filename");
        if (!name.IsEmpty()) {
            configuration.SetString("username", name.c_str());
            configuration.RemoveTag("name");
        } else if (!assetFileName.IsEmpty()) {
            configuration.SetString("username", assetFileName.c_str());
        }
    }

    if (configuration.GetString("kind") == Vek::PString("map") &&
        configuration.GetKUID("region", KUID::Null()).IsNull())
        configuration.RemoveTag("region");

    RemoveEach(configuration, {"thumbnail", ".cache", "__filename", "__dir"});

    JoinNumberedTags(configuration, "category-region-", "category-region", [](std::string& item) {
        Vek::AnsiString upper(item.c_str());
        upper.ToUpper();
        item = upper.c_str();
    });
    JoinNumberedTags(configuration, "category-era-", "category-era", [](std::string& item) {
        if (item.back() != 's') item += "s";
    });

    if (configuration.GetString("license").IsEmpty()) configuration.RemoveTag("license");

    if (configuration.HasTag("rgb")) {
        Vek::AnsiString fields(configuration.GetString("rgb").c_str());
        fields.Token(",");
        fields.Token(",");
        if (fields.IsEmpty()) configuration.RemoveTag("rgb");
    }

    for (const auto& [old, current] : {std::pair{"scriptlibrary", "script"}, std::pair{"classlibrary", "class"}}) {
        if (!configuration.HasTag(old)) continue;
        configuration.SetString(current, configuration.GetString(old).c_str());
        configuration.RemoveTag(old);
    }

    const Vek::PString assetFileName = configuration.GetString("asset-filename");
    configuration.RemoveTag("asset-filename");
    const Vek::PString kind = configuration.GetString("kind");

    ApplyKindRules(configuration, kind, assetFileName, meshes);

    RemoveEach(configuration, {"fontsize", "fontcolor"});
    if (configuration.HasTag("mesh-table")) {
        configuration.RemoveTag("night");
        NameUnnamedEffects(configuration);
    }
    configuration.RemoveTag("type");
    if (!IsKind(kind, "map")) configuration.RemoveTag("region");
    RebuildSoundLists(configuration);

    if (IsKind(kind, "mospeedboard") || (configuration.HasTag("trackside") && !IsKind(kind, "mosignal")))
        configuration.RemoveTag("function");

    SetCategoryDefaults(configuration, kind);
    ConvertIconToThumbnails(configuration);
    CleanUpLegacyTags(configuration);
}

void UpgradeLegacyAssetConfig(SoupHandle& configuration, const MeshDataFactory& meshes) {
    // A far-future or NaN build saturates high and is below neither gate.
    const int buildCode = BuildCodeTruncated(DataManager::Instance()->GetAssetBuild());
    if (buildCode < kLegacyUpgradeBuildCode) {
        RewriteLegacyAssetConfig(configuration, meshes);
        configuration.SetFloat("vorlex-build", kUpgradedBuild);
    }
    if (buildCode < kEmptyCategoryBelowBuildCode) {
        for (const char* name : {"category-region", "category-era"})
            if (configuration.HasTag(name) && configuration.GetString(name).IsEmpty()) configuration.RemoveTag(name);
    }
}

void UpgradeLegacyAssetConfig(SoupHandle& configuration) {
    UpgradeLegacyAssetConfig(configuration, ProductMeshDataFactory());
}

}  // namespace TETLib

#include "tetlib/upgrade/LegacyMeshTables.h"

#include <cctype>
#include <string>

#include "foundation/kuid/KUID.h"
#include "tetlib/DataManager.h"
#include "tetlib/upgrade/MeshDataFactory.h"

namespace TETLib {

namespace {

std::string Format(const char* format, const std::string& text) {
    std::string out;
    for (const char* c = format; *c; ++c) {
        if (c[0] == '%' && c[1] == 's') {
            out += text;
            ++c;
        } else {
            out += *c;
        }
    }
    return out;
}

// An entry {"mesh" = mesh, "auto-create" = autoCreate}.
SoupHandle MeshEntry(const char* mesh, int32_t autoCreate) {
    SoupHandle entry;
    entry.SetString("mesh", mesh);
    entry.SetInt("auto-create", autoCreate);
    return entry;
}

void Put(SoupHandle& container, const char* name, SoupHandle entry) { container.SetContainer(name, entry); }

// Adds {"bogey" = kuid, "reversed" = reversed} as entry `index` and removes
// `tag`, when `tag` reads as a KUID other than the null KUID.
bool TakeBogey(SoupHandle& configuration, const std::string& tag, int32_t reversed, SoupHandle& list, int& index) {
    const KUID kuid = configuration.GetKUID(tag.c_str(), KUID::Null());
    if (kuid.IsNull()) return false;
    SoupHandle entry;
    entry.SetKUID("bogey", kuid);
    entry.SetInt("reversed", reversed);
    Put(list, std::to_string(index++).c_str(), entry);
    configuration.RemoveTag(tag.c_str());
    return true;
}

}  // namespace

void BuildInteriorMeshTable(SoupHandle& configuration) {
    SoupHandle table;
    table.EnsureContainer();
    if (configuration.GetTagKind("attachment") == ACSKind::kContainer) {
        SoupHandle attachments = configuration.GetContainer("attachment");
        for (int32_t i = 0; i < attachments.Count(); ++i) {
            SoupHandle entry = attachments.GetContainerAt(i);
            if (entry.HasTag("att") && !entry.HasTag("att-parent")) entry.SetString("att-parent", "default");
            table.SetContainer(attachments.GetTagName(i), entry);
        }
        configuration.RemoveTag("attachment");
    }
    if (configuration.HasTag("mesh")) {
        Put(table, "default", MeshEntry(configuration.GetString("mesh").c_str(), 1));
        configuration.RemoveTag("mesh");
    }
    configuration.SetContainer("mesh-table", table);
}

void BuildBogeyMeshTable(SoupHandle& configuration, const Vek::PString& assetFileName) {
    const std::string a = assetFileName.c_str();
    SoupHandle table;
    Put(table, "default", MeshEntry((a + ".pm").c_str(), 1));
    Put(table, "shadow", MeshEntry(Format("%s_shadow/%s_shadow.pm", a).c_str(), 0));
    configuration.SetContainer("mesh-table", table);
}

void BuildTraincarMeshTable(SoupHandle& configuration, const Vek::PString& assetFileName) {
    auto meshPath = [&](const char* suffix, const char* fileSuffix) {
        Vek::File::Path path(assetFileName.c_str());
        path.Add(suffix).AddPath(assetFileName.c_str()).Add(fileSuffix);
        return path;
    };
    SoupHandle table;
    Put(table, "default", MeshEntry(meshPath("_body", "_body.pm").c_str(), 1));
    Put(table, "shadow", MeshEntry(meshPath("_shadow", "_shadow.pm").c_str(), 0));
    configuration.SetContainer("mesh-table", table);
}

void BuildTraincarBogeys(SoupHandle& configuration) {
    SoupHandle list;
    list.EnsureContainer();
    int m = 0;
    TakeBogey(configuration, "bogey", 0, list, m);
    TakeBogey(configuration, "bogey-r", 1, list, m);
    for (int i = m > 0 ? 1 : 0;; ++i) {
        const std::string n = std::to_string(i);
        const bool forward = TakeBogey(configuration, "bogey-" + n, 0, list, m);
        const bool reversed = TakeBogey(configuration, "bogey-" + n + "-r", 1, list, m);
        if (!forward && !reversed) break;
    }
    configuration.SetContainer("bogeys", list);
}

void BuildSceneryMeshTable(SoupHandle& configuration, const Vek::PString& assetFileName,
                           const MeshDataFactory& meshes) {
    const std::string a = assetFileName.c_str();
    SoupHandle entry;
    entry.SetInt("auto-create", 1);
    entry.SetString("mesh", (a + ".im").c_str());
    if (configuration.GetInt("auto-animation", 0) != 0) {
        entry.SetString("anim", "anim.kin");
        entry.SetFloat("animation-loop-speed", 1.0f);
    }
    configuration.RemoveTag("auto-animation");

    Vek::File::Path meshFile = DataManager::Instance()->GetAssetPath();
    meshFile.AddPath((a + ".im").c_str());
    const int count = CountNameAttachmentPoints(meshFile, meshes);
    if (count > 0) {
        const Vek::PString fontColor = configuration.GetString("fontcolor");
        const Vek::PString fontSize = configuration.GetString("fontsize");
        SoupHandle effects;
        for (int i = 0; i < count; ++i) {
            SoupHandle effect;
            effect.SetString("kind", "name");
            effect.SetString("att", ("a.name" + std::to_string(i)).c_str());
            if (!fontColor.IsEmpty()) effect.SetString("fontcolor", fontColor.c_str());
            if (!fontSize.IsEmpty()) effect.SetString("fontsize", fontSize.c_str());
            effect.SetString("name", "name");
            Put(effects, std::to_string(i).c_str(), effect);
        }
        Put(entry, "effects", effects);
    }

    SoupHandle table;
    Put(table, "default", entry);
    if (configuration.HasTag("night")) {
        const std::string night = configuration.GetString("night").c_str();
        configuration.RemoveTag("night");
        SoupHandle nightEntry;
        nightEntry.SetString("mesh", (night + "/" + night + ".im").c_str());
        nightEntry.SetString("night-mesh-base", "default");
        Put(table, "night", nightEntry);
    }
    configuration.SetContainer("mesh-table", table);
}

void BuildJunctionMeshTable(SoupHandle& configuration) {
    const std::string modes[2] = {configuration.GetString("mode0").c_str(), configuration.GetString("mode1").c_str()};
    SoupHandle table;
    configuration.SetContainer("mesh-table", table);
    for (int i = 0; i < 2; ++i) {
        const std::string& mode = modes[i];
        if (mode.empty()) continue;
        std::string name = mode;
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        SoupHandle entry;
        entry.SetString("mesh", Format("%s/%s.im", mode).c_str());
        entry.SetString("auto-create", i == 0 ? "1" : "0");
        Put(table, name.c_str(), entry);
        configuration.RemoveTag(i == 0 ? "mode0" : "mode1");
    }
}

int CountNameAttachmentPoints(const Vek::File::Path& meshFile, const MeshDataFactory& meshes) {
    std::unique_ptr<MeshData> mesh = meshes.Make();
    if (!mesh || !mesh->Load(Vek::PString(meshFile.c_str()), nullptr)) return 0;
    int count = 0;
    while (mesh->HasAttachmentPoint(("a.name" + std::to_string(count)).c_str())) ++count;
    return count;
}

}  // namespace TETLib

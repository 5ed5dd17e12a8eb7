#include "tetlib/upgrade/AttachedTracks.h"

#include <memory>
#include <string>

#include "engine/File.h"
#include "foundation/kuid/KUID.h"
#include "tetlib/DataManager.h"
#include "tetlib/upgrade/MeshDataFactory.h"

namespace TETLib {

namespace {

// The folder `folder` with the file `file` in it.
Vek::File::Path InFolder(const std::string& folder, const std::string& file) {
    Vek::File::Path path(folder);
    path.AddPath(file.c_str());
    return path;
}

// A new holder loaded from `meshFile` inside the asset's folder; the load's
// result in `loaded`.
std::unique_ptr<MeshData> LoadAssetMesh(const MeshDataFactory& meshes, const Vek::File::Path& meshFile, bool& loaded) {
    std::unique_ptr<MeshData> mesh = meshes.Make();
    Vek::File::Path path = DataManager::Instance()->GetAssetPath();
    path.AddPath(meshFile.c_str());
    loaded = mesh && mesh->Load(Vek::PString(path.c_str()), nullptr);
    return mesh;
}

// Adds an entry per pair of attachment points "<prefix>0a"/"<prefix>0b",
// "<prefix>1a"/"<prefix>1b", ... of `mesh`, up to the first pair that is
// not whole, named "<entryPrefix>1", "<entryPrefix>2", ...
void AddAttachedTracks(SoupHandle& list, const MeshData& mesh, const std::string& prefix,
                       const std::string& entryPrefix, const KUID& track, int32_t useAdjoiningTrackType) {
    for (int n = 0;; ++n) {
        const std::string first = prefix + std::to_string(n) + "a";
        const std::string second = prefix + std::to_string(n) + "b";
        if (!mesh.FindByName(first.c_str()) || !mesh.FindByName(second.c_str())) return;
        SoupHandle vertices;
        vertices.SetString("0", first.c_str());
        vertices.SetString("1", second.c_str());
        SoupHandle entry;
        entry.SetKUID("track", track);
        entry.SetContainer("vertices", vertices);
        entry.SetInt("useadjoiningtracktype", useAdjoiningTrackType);
        list.SetContainer((entryPrefix + std::to_string(n + 1)).c_str(), entry);
    }
}

}  // namespace

void BuildTurntableMeshTable(SoupHandle& configuration, const MeshDataFactory& meshes) {
    if (configuration.HasTag("mesh-table")) return;
    const std::string outer = configuration.GetString("mode0").c_str();
    const std::string inner = configuration.GetString("mode1").c_str();
    const Vek::File::Path outerMesh = InFolder(outer, outer + ".im");
    const Vek::File::Path innerMesh = InFolder(inner, inner + ".im");

    SoupHandle deck;
    deck.SetString("mesh", outerMesh.c_str());
    deck.SetInt("auto-create", 1);
    SoupHandle turntable;
    turntable.SetString("mesh", innerMesh.c_str());
    SoupHandle table;
    table.SetContainer("default", deck);
    table.SetContainer("turntable", turntable);
    configuration.SetContainer("mesh-table", table);

    bool outerLoaded = false;
    bool innerLoaded = false;
    const std::unique_ptr<MeshData> outerData = LoadAssetMesh(meshes, outerMesh, outerLoaded);
    const std::unique_ptr<MeshData> innerData = LoadAssetMesh(meshes, innerMesh, innerLoaded);
    configuration.RemoveTag("mode0");
    configuration.RemoveTag("mode1");

    if (configuration.HasTag("attached-track") || !outerLoaded || !innerLoaded) return;
    const KUID track = configuration.GetKUID("track", KUID::Null());
    SoupHandle list;
    list.EnsureContainer();
    AddAttachedTracks(list, *outerData, "a.otrack", "tracko", track, 0);
    AddAttachedTracks(list, *innerData, "a.itrack", "tracki", track, 0);
    configuration.SetContainer("attached-track", list);
    configuration.RemoveTag("track");
}

void BuildCrossingMeshTable(SoupHandle& configuration, const MeshDataFactory& meshes) {
    if (configuration.HasTag("mesh-table")) return;
    const std::string mode = configuration.GetString("mode0").c_str();
    const Vek::File::Path meshFile = InFolder(mode, (mode.empty() ? std::string("mode0") : mode) + ".im");
    const Vek::File::Path animationFile = InFolder(mode, "anim.kin");

    SoupHandle entry;
    entry.SetString("mesh", meshFile.c_str());
    entry.SetString("anim", animationFile.c_str());
    entry.SetInt("auto-create", 1);
    SoupHandle table;
    table.SetContainer("default", entry);
    configuration.SetContainer("mesh-table", table);

    bool loaded = false;
    const std::unique_ptr<MeshData> mesh = LoadAssetMesh(meshes, meshFile, loaded);
    if (loaded) {
        Vek::File::Path animation = DataManager::Instance()->GetAssetPath();
        animation.AddPath(animationFile.c_str());
        mesh->LoadAnimation(Vek::PString(animation.c_str()));
    }
    configuration.RemoveTag("mode0");
    configuration.RemoveTag("mode1");

    if (configuration.HasTag("attached-track") || !loaded) return;
    const KUID track = configuration.GetKUID("track", KUID::Null());
    const KUID road = configuration.GetKUID("road", KUID::Null());
    SoupHandle list;
    list.EnsureContainer();
    AddAttachedTracks(list, *mesh, "a.road", "road", road, 1);
    AddAttachedTracks(list, *mesh, "a.track", "track", track, 1);
    configuration.SetContainer("attached-track", list);
}

}  // namespace TETLib

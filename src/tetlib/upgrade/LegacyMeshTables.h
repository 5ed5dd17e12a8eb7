#pragma once
// The "mesh-table" builders of the legacy configuration upgrade, one per
// asset kind, and the traincar's "bogeys" list. Legacy configurations name
// their meshes by file-name conventions (the text of "asset-filename",
// called A here, or "mode0"/"mode1", "mesh", "attachment", "night"); each
// builder turns them into entries of a "mesh-table" and sets it on the
// configuration, replacing an earlier one. Entries are put into their
// containers with the soup's setter rule (a same-named entry is replaced,
// the new one appended) and are shared, not copied.
//
// The builders add no messages; a mesh that is read reports its own
// findings through its holder.
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

namespace TETLib {

class MeshDataFactory;

// Interior: the "attachment" entries (each one's container, given
// "att-parent" "default" when it has "att" but no parent) and "mesh" as
// "default". Both legacy tags go.
void BuildInteriorMeshTable(SoupHandle& configuration);

// Bogey: "default" A.pm and "shadow" A_shadow/A_shadow.pm.
void BuildBogeyMeshTable(SoupHandle& configuration, const Vek::PString& assetFileName);

// Traincar: "default" in the folder A_body, "shadow" in A_shadow.
void BuildTraincarMeshTable(SoupHandle& configuration, const Vek::PString& assetFileName);

// Traincar: "bogeys" from "bogey", "bogey-r", "bogey-%d" and "bogey-%d-r"
// (each taken tag is removed; a tag that is no KUID stays). Always set,
// also when empty.
void BuildTraincarBogeys(SoupHandle& configuration);

// Scenery and buildables: "default" A.im (with the automatic animation and
// one name effect per name attachment point of the mesh) and the "night"
// mesh. The mesh is read through a holder made by `meshes`.
void BuildSceneryMeshTable(SoupHandle& configuration, const Vek::PString& assetFileName,
                           const MeshDataFactory& meshes);

// Junction: one entry per non-empty "mode0"/"mode1", named by the mode in
// lower case.
void BuildJunctionMeshTable(SoupHandle& configuration);

// The number of attachment points "a.name0", "a.name1", ... of the mesh,
// up to the first missing index; 0 when the mesh does not load.
int CountNameAttachmentPoints(const Vek::File::Path& meshFile, const MeshDataFactory& meshes);

}  // namespace TETLib

#pragma once
// The mesh tables and attached tracks of legacy turntables and level
// crossings. Their meshes are named by "mode0" and "mode1"; the track
// pieces that attach to them are given by pairs of attachment points in the
// meshes ("a.otrack0a"/"a.otrack0b", "a.road0a"/"a.road0b", ...) and by the
// KUIDs in "track" and "road". The builders set "mesh-table" and derive an
// "attached-track" entry per pair, reading the meshes through holders made
// by a MeshDataFactory. They add no messages; the mesh loads report their
// own findings.
#include "foundation/soups/SoupHandle.h"

namespace TETLib {

class MeshDataFactory;

// "default" (the "mode0" mesh, created) and "turntable" (the "mode1" mesh);
// entries "tracko1", ... for the outer pairs and "tracki1", ... for the
// inner ones, each with the KUID of "track", which then goes. Nothing when
// "mesh-table" is present. "attached-track" is left out unless both meshes
// load, and an existing one stays.
void BuildTurntableMeshTable(SoupHandle& configuration, const MeshDataFactory& meshes);

// "default" (the "mode0" mesh and its "anim.kin"); entries "road1", ... with
// the KUID of "road" and "track1", ... with the KUID of "track". Nothing
// when "mesh-table" is present. "attached-track" is left out when the mesh
// does not load, and an existing one stays.
void BuildCrossingMeshTable(SoupHandle& configuration, const MeshDataFactory& meshes);

}  // namespace TETLib

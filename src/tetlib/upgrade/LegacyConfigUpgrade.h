#pragma once
// The legacy configuration upgrade. Configurations written for builds
// before 2.90 use tag names and layouts that the container definitions no
// longer describe; before the container imports a configuration, its load
// has the upgrade rewrite the soup in place into the current layout.
//
// The upgrade works on the soup in memory only: it writes, renames and
// moves no file, and its rules report nothing. It reads meshes only where a
// rule needs their attachment points (the scenery, turntable and crossing
// mesh tables), through holders made by a MeshDataFactory; those loads
// report their own findings. The only failure is the fatal error of a
// missing data manager. Stateless.
#include "foundation/soups/SoupHandle.h"

namespace TETLib {

class MeshDataFactory;

// Gates on the build code of the data manager's asset build (the build
// times 100, truncated): below 290 the full rewrite runs and "vorlex-build"
// becomes 2.9; below 350 an empty "category-region" and an empty
// "category-era" are removed. Meshes are read through the product's holders.
void UpgradeLegacyAssetConfig(SoupHandle& configuration);
void UpgradeLegacyAssetConfig(SoupHandle& configuration, const MeshDataFactory& meshes);

// The full rewrite of a configuration of a build before 2.90, its rules in
// their fixed order.
void RewriteLegacyAssetConfig(SoupHandle& configuration, const MeshDataFactory& meshes);

}  // namespace TETLib

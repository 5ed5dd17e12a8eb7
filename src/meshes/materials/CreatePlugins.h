#pragma once
// The product's plug-in entry. VekGetPlugins (set as the engine's plug-in
// entry, engine/resources/PluginEntry.h) runs CreatePlugins, which creates
// the seven material plug-ins in the order tbumpgloss, tbumptex, tbumpenv,
// tonetexnoalpha, tglossrust, tmpfx, nofogtex, and then the resource types
// of the product's resource files, handing each to the engine and keeping
// no pointer. An object that cannot be made or registered is skipped and
// the next one follows.
//
// Resource types (family UId ResourceTypeBase::kFamilyUId), each created
// here once its resource class exists:
//   "im"               B9E68EA1-56A3-4a6d-9D5D-C5C020F944E6  indexed mesh
//   "pm"               2E8739F0-412F-48c2-9F71-912B659C58B6  progressive mesh
//   "lm.txt", "lm"     8FCC40D7-8BDD-4d14-B528-65692F5DF710  level-of-detail mesh (one UId, one class)
//   "convert-tex.txt"  A6805E60-4C54-1278-1111-00010251467D  texture description
namespace Vek {

class ResourceTypeBase;

constexpr const char* kIndexedMeshResourceUId = "B9E68EA1-56A3-4a6d-9D5D-C5C020F944E6";
constexpr const char* kProgressiveMeshResourceUId = "2E8739F0-412F-48c2-9F71-912B659C58B6";
constexpr const char* kLODMeshResourceUId = "8FCC40D7-8BDD-4d14-B528-65692F5DF710";
constexpr const char* kConvertTextureResourceUId = "A6805E60-4C54-1278-1111-00010251467D";

// The number of objects handed to the engine.
int CreatePlugins();
// Creates the product's resource types (the registration point for the
// mesh and texture resource classes); the number handed.
int CreateResourceTypes();

// The texture description's resource class belongs to the asset tools, which
// build on this module: start-up gives its type maker (a new type with one
// reference) before the entry runs; without one that type is not made.
using ResourceTypeMaker = ResourceTypeBase* (*)();
void SetConvertTextureResourceTypeMaker(ResourceTypeMaker maker);

}  // namespace Vek

extern "C" void VekGetPlugins();

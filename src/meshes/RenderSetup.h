#pragma once
// The product's render set-up at start-up, made once against the render
// kernel before any mesh is loaded and released at shutdown (before the
// asset tools' data manager goes). TETLib::DataManager::
// RegisterVorlexBumpVertexType and UnregisterVorlexBumpVertexType call these.
//
// Register:
//  1. nothing when done already or without a kernel;
//  2. makes a VorlexAlphaBlendCache, an AlphaBlendCacheUnsorted and an
//     engine UnsortedAlphaBlendCache (argument 1), holding each and adding
//     each to the kernel's rendering-cache manager;
//  3. loads one material of each of fourteen types through the kernel's
//     material manager under "VorlexDummyLoad.m.<type>" (kDummyTypes order);
//     a failed load logs "DataManager::RegisterVorlexBumpVertexType> Unable
//     to load 'm.<type>'" and the next follows;
//  4. gives the "gloss" and "reflect" materials the engine's shared texture
//     0 in slot 9 with amount 1 (a failed lookup is logged as
//     "DataManager::RegisterVorlexBumpVertexType> SharedTextureCollection
//     failed");
//  5. has "notex", "onetex", "gloss" and "reflect" (those loaded) each make
//     one chunk of three vertices (3, 1, 3, 0, triangle list) with a hint
//     of option bit 1 only and the words 4, 24, 1 after it.
// Unregister drops the chunks, then the materials (kReleaseOrder), then the
// three caches in the order made; the caches stay in the kernel's manager.
// Main thread only.
#include <cstddef>
#include <functional>
#include <string>

namespace Vek {
class GeometryChunk;
class Material;
class RenderKernel;
class RenderingCache;
}  // namespace Vek

namespace RenderSetup {

constexpr std::size_t kDummyCount = 14;
// Load order.
extern const char* const kDummyTypes[kDummyCount];
// Release order (nofogtex before onetex).
extern const char* const kReleaseOrder[kDummyCount];
constexpr const char* kDummyPrefix = "VorlexDummyLoad.";

// The material of a dummy type while registered, or null.
Vek::Material* DummyMaterial(const char* type);
std::size_t ChunkCount();
Vek::GeometryChunk* Chunk(std::size_t i);
// The caches: 0 the depth-bucketed cache, 1 the product's unsorted cache,
// 2 the engine's unsorted cache; null when not registered.
Vek::RenderingCache* Cache(int i);

// Called with a name for each reference Unregister drops, in order
// ("chunk", the material type, "VorlexAlphaBlendCache",
// "AlphaBlendCacheUnsorted", "UnsortedAlphaBlendCache"); tests only.
void SetReleaseObserver(std::function<void(const std::string&)> observer);

}  // namespace RenderSetup

// Nothing without a kernel or when done already; true when this call did
// the set-up.
bool RegisterRenderSetup(Vek::RenderKernel* kernel);
// Releases what the set-up made and clears the done flag; nothing when it
// was not done.
void UnregisterRenderSetup();
bool IsRenderSetupDone();
// The kernel of the set-up, null when it is not done.
Vek::RenderKernel* RenderSetupKernel();

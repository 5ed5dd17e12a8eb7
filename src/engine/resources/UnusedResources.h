#pragma once
// Dropping the engine's loaded resources that nobody holds: the resource
// system's cache and the render kernel's texture cache. Meshes in the
// resource cache hold their materials' textures, and a texture may hold
// cached resources in turn, so the two are emptied by turns until a round
// drops nothing.
#include <cstddef>

namespace Vek {

class RenderKernel;
class ResourceSystem;

// Either may be null. Returns how many resources and textures were dropped.
std::size_t DumpUnusedResources(ResourceSystem* system, RenderKernel* kernel);

}  // namespace Vek

#pragma once
// The product's render set-up at start-up: its transparency caches and one
// load of each material type it uses, made once against the render kernel
// before any mesh is loaded, and released at shutdown (before the asset
// tools' data manager goes). TETLib::DataManager::RegisterVorlexBumpVertexType
// and UnregisterVorlexBumpVertexType call these.
//
// The headless render kernel has no rendering-cache or material manager
// yet, so the set-up has nothing to create in it: registration records the
// kernel and the done flag, which the caches, the dummy-load materials and
// their geometry chunks join with the mesh and material work. Main thread
// only.
namespace Vek {
class RenderKernel;
}

// Nothing without a kernel or when done already; true when this call did
// the set-up.
bool RegisterRenderSetup(Vek::RenderKernel* kernel);
// Releases what the set-up made and clears the done flag; nothing when it
// was not done.
void UnregisterRenderSetup();
bool IsRenderSetupDone();
// The kernel of the set-up, null when it is not done.
Vek::RenderKernel* RenderSetupKernel();

#include "engine/RenderKernel.h"

#include <atomic>

#include <mutex>

#include "engine/Log.h"
#include "engine/OSInitFailureSwitch.h"
#include "engine/display/Display.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/RenderingCacheManager.h"
#include "engine/textures/TextureManager.h"

namespace Vek {

namespace {

std::atomic<RenderKernel*> g_current{nullptr};
std::mutex g_overrideLock;
std::optional<DisplayProfile>& Override() {
    static std::optional<DisplayProfile> profile;
    return profile;
}

}  // namespace

RenderKernel::RenderKernel(SceneGraph* sceneGraph, float tuning) : m_sceneGraph(sceneGraph), m_tuning(tuning) {}

RenderKernel::~RenderKernel() {
    RenderKernel* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    Drop();
}

void RenderKernel::SetProfileOverride(std::optional<DisplayProfile> profile) {
    std::lock_guard<std::mutex> hold(g_overrideLock);
    Override() = std::move(profile);
}

void RenderKernel::Drop() {
    m_materials.reset();
    m_caches.reset();
    m_textures.reset();
    m_display.reset();
    m_renderer = OS::Renderer::None;
    m_capabilities = Capabilities();
}

void RenderKernel::Make(OS::Renderer renderer, const DisplayProfile& profile) {
    m_display = std::make_unique<Display>(profile);
    m_textures = std::make_unique<TextureManager>();
    m_caches = std::make_unique<RenderingCacheManager>();
    m_materials = std::make_unique<MaterialManager>(this);
    m_capabilities.materials = profile.materials;
    m_capabilities.vertexPrograms = profile.HasVertexPrograms();
    m_capabilities.textureCombiners = profile.HasTextureCombiners();
    m_capabilities.textureStages = profile.textureStages;
    m_renderer = renderer;
}

bool RenderKernel::InitWithProfile(const DisplayProfile& profile) {
    Drop();
    Make(profile.materials ? OS::Renderer::OpenGL : OS::Renderer::Null, profile);
    return true;
}

bool RenderKernel::Init(OS* os) {
    Drop();
    LogClient* log = Log::GetClient("Vek");
    if (OSInitFailureSwitch::RenderInit().CountAndCheck()) {
        log->OutputString("RenderKernel::Init> Failed on purpose (VEK_FAIL_RENDER_INIT)");
        return false;
    }
    if (!os || !os->IsInitialised()) {
        log->OutputString("RenderKernel::Init> No initialised OS object");
        return false;
    }
    OS::Renderer renderer;
    if (!OS::SelectRenderer(os->GetOptions(), renderer)) {
        log->OutputString("RenderKernel::Init> The options name no renderer of this engine");
        return false;
    }
    DisplayProfile profile = renderer == OS::Renderer::OpenGL ? DisplayProfile::OpenGL() : DisplayProfile::Null();
    {
        std::lock_guard<std::mutex> hold(g_overrideLock);
        if (Override()) profile = *Override();
    }
    Make(renderer, profile);
    return true;
}

RenderKernel* RenderKernel::GetCurrent() { return g_current.load(); }

void RenderKernel::SetCurrent(RenderKernel* kernel) { g_current.store(kernel); }

}  // namespace Vek

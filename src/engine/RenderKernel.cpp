#include "engine/RenderKernel.h"

#include <atomic>

#include "engine/Log.h"
#include "engine/OSInitFailureSwitch.h"

namespace Vek {

namespace {

std::atomic<RenderKernel*> g_current{nullptr};

}  // namespace

RenderKernel::RenderKernel(SceneGraph* sceneGraph, float tuning) : m_sceneGraph(sceneGraph), m_tuning(tuning) {}

RenderKernel::~RenderKernel() {
    RenderKernel* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

bool RenderKernel::Init(OS* os) {
    m_renderer = OS::Renderer::None;
    m_capabilities = Capabilities();
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
    if (renderer == OS::Renderer::OpenGL) {
        m_capabilities.materials = true;
        m_capabilities.vertexPrograms = true;
        m_capabilities.textureCombiners = true;
        m_capabilities.textureStages = kOpenGLTextureStages;
    }
    m_renderer = renderer;
    return true;
}

RenderKernel* RenderKernel::GetCurrent() { return g_current.load(); }

void RenderKernel::SetCurrent(RenderKernel* kernel) { g_current.store(kernel); }

}  // namespace Vek

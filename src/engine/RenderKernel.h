#pragma once
// The render kernel, headless: it draws nothing, but it has a display whose
// capability profile decides what the material and mesh code may load.
//
//   renderer (engine/OS.h)  materials  vertex programs  texture combiners  texture stages
//   OpenGL                  yes        yes              yes                kOpenGLTextureStages
//   Null ("-NullRender")    no         no               no                 0
//
// Init takes the renderer from the OS object's options as they are at that
// moment, so that a "-NullRender" added after a failed attempt applies to
// the next one. It fails
//  - when VEK_FAIL_RENDER_INIT asks for it (engine/OSInitFailureSwitch.h);
//  - without an initialised OS object;
//  - when the options name a renderer this engine does not have.
// After a failure the kernel has no display (renderer None) and may be
// initialised again.
#include "engine/OS.h"

namespace Vek {

class SceneGraph;

class RenderKernel {
public:
    static constexpr int kOpenGLTextureStages = 8;

    struct Capabilities {
        bool materials = false;
        bool vertexPrograms = false;
        bool textureCombiners = false;
        int textureStages = 0;
    };

    // `sceneGraph` is the scene to render, or null; `tuning` is a value the
    // kernel keeps for its callers (start-up passes 8.0) and does not use.
    RenderKernel(SceneGraph* sceneGraph, float tuning);
    ~RenderKernel();
    RenderKernel(const RenderKernel&) = delete;
    RenderKernel& operator=(const RenderKernel&) = delete;

    bool Init(OS* os);
    bool IsInitialised() const { return m_renderer != OS::Renderer::None; }

    // The display's renderer (None before a successful Init) and its profile.
    OS::Renderer GetRenderer() const { return m_renderer; }
    const Capabilities& GetCapabilities() const { return m_capabilities; }
    SceneGraph* GetSceneGraph() const { return m_sceneGraph; }
    float GetTuning() const { return m_tuning; }

    // The render kernel that start-up made and the rest of the program
    // reaches; null before start-up and after shutdown.
    static RenderKernel* GetCurrent();
    static void SetCurrent(RenderKernel* kernel);

private:
    SceneGraph* m_sceneGraph;
    float m_tuning;
    OS::Renderer m_renderer = OS::Renderer::None;
    Capabilities m_capabilities;
};

}  // namespace Vek

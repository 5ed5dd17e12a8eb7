#pragma once
// The render kernel, headless: it draws nothing, but it has a display
// (engine/display/Display.h) whose capability profile decides what the
// material and mesh code may load, a texture manager, a material manager
// and a rendering-cache manager, all made by Init and dropped by the next
// Init or the destructor (materials first, the display last).
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
//
// Tests replace the profile the renderer would give (SetProfileOverride,
// process-wide, read by Init) or initialise a kernel from a profile
// directly (InitWithProfile).
#include <memory>
#include <optional>

#include "engine/OS.h"
#include "engine/display/DisplayProfile.h"

namespace Vek {

class Display;
class MaterialManager;
class RenderingCacheManager;
class SceneGraph;
class TextureManager;

class RenderKernel {
public:
    static constexpr int kOpenGLTextureStages = DisplayProfile::kOpenGLTextureStages;

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
    // Makes the display and the managers from `profile`; renderer OpenGL
    // when the profile draws materials, else Null.
    bool InitWithProfile(const DisplayProfile& profile);
    static void SetProfileOverride(std::optional<DisplayProfile> profile);
    bool IsInitialised() const { return m_renderer != OS::Renderer::None; }

    // The display's renderer (None before a successful Init) and its profile.
    OS::Renderer GetRenderer() const { return m_renderer; }
    const Capabilities& GetCapabilities() const { return m_capabilities; }
    SceneGraph* GetSceneGraph() const { return m_sceneGraph; }
    Display* GetDisplay() const { return m_display.get(); }
    TextureManager* GetTextureManager() const { return m_textures.get(); }
    MaterialManager* GetMaterialManager() const { return m_materials.get(); }
    RenderingCacheManager* GetRenderingCacheManager() const { return m_caches.get(); }
    float GetTuning() const { return m_tuning; }

    // The render kernel that start-up made and the rest of the program
    // reaches; null before start-up and after shutdown.
    static RenderKernel* GetCurrent();
    static void SetCurrent(RenderKernel* kernel);

private:
    void Drop();
    void Make(OS::Renderer renderer, const DisplayProfile& profile);

    SceneGraph* m_sceneGraph;
    float m_tuning;
    OS::Renderer m_renderer = OS::Renderer::None;
    Capabilities m_capabilities;
    std::unique_ptr<Display> m_display;
    std::unique_ptr<TextureManager> m_textures;
    std::unique_ptr<RenderingCacheManager> m_caches;
    std::unique_ptr<MaterialManager> m_materials;
};

}  // namespace Vek

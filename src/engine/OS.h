#pragma once
// The engine's OS object: the program's name, its option switches and the
// choice of renderer. Start-up creates one, initialises it (retrying once
// with "-NullRender" added when that fails), hands its options to the log
// and the resource system, and gives it to the render kernel.
//
// There is no window and no display driver here: initialisation checks the
// options, picks the renderer from them and makes the ".va" archive layer
// (engine/ZipArchive.h) known to the file service. It fails
//  - when VEK_FAIL_OS_INIT asks for it (engine/OSInitFailureSwitch.h);
//  - when "-render=" names a renderer this engine does not have.
// The instance handle and window given to the constructor are only kept
// (start-up passes none).
#include <string>

#include "engine/Options.h"

namespace Vek {

class OS {
public:
    // Which display the render kernel makes. "-NullRender" selects Null
    // whatever else is set; otherwise "-render=OpenGL" (any letter case), or
    // no "-render=" at all, selects OpenGL.
    enum class Renderer { None, Null, OpenGL };

    OS(const char* name, const char* options, void* instance = nullptr, void* window = nullptr);
    ~OS();
    OS(const OS&) = delete;
    OS& operator=(const OS&) = delete;

    // True on success. May be called again after a failure (for instance
    // once "-NullRender" has been added to the options); a call on an
    // initialised object chooses the renderer again.
    bool Init();
    bool IsInitialised() const { return m_initialised; }

    // The switches given to the constructor and those added since.
    Options& GetOptions() { return m_options; }
    const Options& GetOptions() const { return m_options; }
    const std::string& GetName() const { return m_name; }
    // The renderer chosen by the last successful Init; None before.
    Renderer GetRenderer() const { return m_renderer; }
    void* GetInstance() const { return m_instance; }
    void* GetWindow() const { return m_window; }

    // The renderer the options ask for; false for an unknown "-render=" name.
    static bool SelectRenderer(const Options& options, Renderer& renderer);

private:
    std::string m_name;
    Options m_options;
    void* m_instance;
    void* m_window;
    bool m_initialised = false;
    Renderer m_renderer = Renderer::None;
};

}  // namespace Vek

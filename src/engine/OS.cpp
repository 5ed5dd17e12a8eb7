#include "engine/OS.h"

#include <strings.h>

#include "engine/Log.h"
#include "engine/OSInitFailureSwitch.h"
#include "engine/ZipArchive.h"

namespace Vek {

OS::OS(const char* name, const char* options, void* instance, void* window)
    : m_name(name ? name : ""), m_options(options), m_instance(instance), m_window(window) {}

OS::~OS() = default;

bool OS::SelectRenderer(const Options& options, Renderer& renderer) {
    if (options.Has("NullRender")) {
        renderer = Renderer::Null;
        return true;
    }
    std::string name;
    if (!options.GetValue("render", name) || strcasecmp(name.c_str(), "OpenGL") == 0) {
        renderer = Renderer::OpenGL;
        return true;
    }
    return false;
}

bool OS::Init() {
    m_initialised = false;
    m_renderer = Renderer::None;
    LogClient* log = Log::GetClient("Vek");
    if (OSInitFailureSwitch::OSInit().CountAndCheck()) {
        log->OutputString("OS::Init> Failed on purpose (VEK_FAIL_OS_INIT)");
        return false;
    }
    Renderer renderer;
    if (!SelectRenderer(m_options, renderer)) {
        std::string name;
        m_options.GetValue("render", name);
        log->OutputString("OS::Init> No renderer '%s'", name.c_str());
        return false;
    }
    ZipArchive::Register();
    m_renderer = renderer;
    m_initialised = true;
    return true;
}

}  // namespace Vek

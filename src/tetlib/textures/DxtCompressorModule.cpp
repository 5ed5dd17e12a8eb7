#include "tetlib/textures/DxtCompressorModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>


namespace TETLib {

namespace {

struct LoadedCompressor {
    VorlexDxtCompressFunction entry = nullptr;
    std::string reason;
};

// The module's folder: VORLEX_MODULE_DIR when set, else the program's.
std::string ModuleFolder() {
    if (const char* folder = std::getenv("VORLEX_MODULE_DIR"); folder && *folder) return folder;
    char program[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return std::string();
    const std::string text(program, static_cast<std::size_t>(length));
    const std::size_t slash = text.find_last_of('/');
    return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

LoadedCompressor Load() {
    LoadedCompressor loaded;
    if (void* own = ::dlsym(RTLD_DEFAULT, VORLEX_DXT_ENTRY_NAME)) {
        loaded.entry = reinterpret_cast<VorlexDxtCompressFunction>(own);
        return loaded;
    }
    const std::string path = ModuleFolder() + "/" VORLEX_DXT_MODULE_NAME;
    // Kept loaded for the rest of the process once found.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = ::dlerror();
        loaded.reason = "Texture compression is not available: " + std::string(why ? why : path);
        return loaded;
    }
    loaded.entry = reinterpret_cast<VorlexDxtCompressFunction>(::dlsym(module, VORLEX_DXT_ENTRY_NAME));
    if (!loaded.entry) {
        loaded.reason = "Texture compression is not available: " + path + " has no " VORLEX_DXT_ENTRY_NAME;
        ::dlclose(module);
    }
    return loaded;
}

}  // namespace

VorlexDxtCompressFunction GetDxtCompressor(std::string* reason) {
    static std::once_flag once;
    static LoadedCompressor loaded;
    std::call_once(once, [] { loaded = Load(); });
    if (!loaded.entry && reason) *reason = loaded.reason;
    return loaded.entry;
}

}  // namespace TETLib

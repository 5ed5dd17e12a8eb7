#include "gsnatives/NativePlugins.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "engine/Sync.h"

namespace GSNatives {

namespace {

Vek::CriticalSection& PluginLock() {
    static Vek::CriticalSection lock;
    return lock;
}

// Taken while the program starts, so that it exists before any thread can
// load a plug-in, and lives until exit.
[[maybe_unused]] const bool g_lockMade = (PluginLock(), true);

}  // namespace

bool IsPluginNameSafe(const char* name) {
    if (!name || name[0] == '\0') return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return std::strpbrk(name, "/\\") == nullptr;
}

VNIObject* LoadNativePlugin(VNIObject* context, const char* name) {
    Vek::SingleLock hold(PluginLock());
    if (!IsPluginNameSafe(name)) return nullptr;
    Vek::File::Path path = GetPluginsFolderPath();
    if (path.IsEmpty()) return nullptr;
    path.AddPath((std::string(name) + kPluginSuffix).c_str());
    std::string osPath = Vek::File::ResolveOsPath(path.c_str());
    if (osPath.empty()) return nullptr;
    // dlopen searches the library folders for a name without '/'.
    if (osPath.find('/') == std::string::npos) osPath.insert(0, "./");

    void* module = ::dlopen(osPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return nullptr;
    auto entry = reinterpret_cast<VNIEntryPointFunction>(::dlsym(module, "VNIEntryPoint"));
    VNIObject* library = entry ? entry(context) : nullptr;
    if (VNIGetObjectClass(library) != VNI_CLASS_LIBRARY) {
        // A refusal, or an answer that is no library: it has no functions to
        // call, and the handle is ours to give back.
        VNIRelease(library);
        ::dlclose(module);
        return nullptr;
    }

    VNIObject* init = VNIAllocString("Init");
    VNIRelease(VNICallLibraryFunction(library, init, nullptr));
    VNIRelease(init);
    // The module is never closed: the library and anything it handed out
    // run its code.
    return library;
}

void ReleasePluginContext(VNIObject* context) {
    Vek::SingleLock hold(PluginLock());
    VNISetContextSlot(context, 1, nullptr);
    VNISetContextSlot(context, 0, nullptr);
}

}  // namespace GSNatives

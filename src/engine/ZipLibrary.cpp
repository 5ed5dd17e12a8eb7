#include "engine/ZipLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace Vek {

namespace {

// The shared object the build found (VORLEX_LIBZIP_SONAME, from the build
// files).
constexpr const char* kLibraryName = VORLEX_LIBZIP_SONAME;

struct Loaded {
    ZipLibrary library{};
    bool ok = false;
    std::string reason;
};

template <typename Function>
bool Take(void* module, const char* name, Function& slot, std::string& reason) {
    slot = reinterpret_cast<Function>(::dlsym(module, name));
    if (!slot && reason.empty()) reason = std::string(kLibraryName) + " has no " + name;
    return slot != nullptr;
}

Loaded Load() {
    Loaded loaded;
    void* module = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = ::dlerror();
        loaded.reason = why ? why : kLibraryName;
        return loaded;
    }
    ZipLibrary& l = loaded.library;
    bool ok = true;
    ok &= Take(module, "zip_open", l.open, loaded.reason);
    ok &= Take(module, "zip_discard", l.discard, loaded.reason);
    ok &= Take(module, "zip_error_init_with_code", l.error_init_with_code, loaded.reason);
    ok &= Take(module, "zip_error_strerror", l.error_strerror, loaded.reason);
    ok &= Take(module, "zip_error_fini", l.error_fini, loaded.reason);
    ok &= Take(module, "zip_get_num_entries", l.get_num_entries, loaded.reason);
    ok &= Take(module, "zip_stat_init", l.stat_init, loaded.reason);
    ok &= Take(module, "zip_stat_index", l.stat_index, loaded.reason);
    ok &= Take(module, "zip_fopen_index", l.fopen_index, loaded.reason);
    ok &= Take(module, "zip_fread", l.fread, loaded.reason);
    ok &= Take(module, "zip_fclose", l.fclose, loaded.reason);
    ok &= Take(module, "zip_strerror", l.strerror, loaded.reason);
    ok &= Take(module, "zip_file_strerror", l.file_strerror, loaded.reason);
    loaded.ok = ok;
    return loaded;
}

}  // namespace

const ZipLibrary* GetZipLibrary(std::string* reason) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    if (!loaded.ok) {
        if (reason) *reason = loaded.reason;
        return nullptr;
    }
    return &loaded.library;
}

}  // namespace Vek

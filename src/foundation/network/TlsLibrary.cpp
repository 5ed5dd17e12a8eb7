#include "foundation/network/TlsLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace {

#define VORLEX_TEXT(x) #x
#define VORLEX_NUMBER_TEXT(x) VORLEX_TEXT(x)
// The shared object of the OpenSSL major version the program was built
// against.
constexpr const char* kLibraryName = "libssl.so." VORLEX_NUMBER_TEXT(OPENSSL_VERSION_MAJOR);

struct Loaded {
    TlsLibrary library{};
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
    TlsLibrary& l = loaded.library;
    bool ok = true;
    ok &= Take(module, "OPENSSL_init_ssl", l.OPENSSL_init_ssl, loaded.reason);
    ok &= Take(module, "TLS_client_method", l.TLS_client_method, loaded.reason);
    ok &= Take(module, "SSL_CTX_new", l.SSL_CTX_new, loaded.reason);
    ok &= Take(module, "SSL_CTX_free", l.SSL_CTX_free, loaded.reason);
    ok &= Take(module, "SSL_new", l.SSL_new, loaded.reason);
    ok &= Take(module, "SSL_set_fd", l.SSL_set_fd, loaded.reason);
    ok &= Take(module, "SSL_shutdown", l.SSL_shutdown, loaded.reason);
    ok &= Take(module, "SSL_free", l.SSL_free, loaded.reason);
    ok &= Take(module, "SSL_read", l.SSL_read, loaded.reason);
    ok &= Take(module, "SSL_peek", l.SSL_peek, loaded.reason);
    ok &= Take(module, "SSL_write", l.SSL_write, loaded.reason);
    // A library without every function is not used, but stays loaded: the
    // functions it has may already be in use by others.
    loaded.ok = ok;
    return loaded;
}

}  // namespace

const TlsLibrary* GetTlsLibrary(std::string* reason) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    if (!loaded.ok) {
        if (reason) *reason = loaded.reason;
        return nullptr;
    }
    return &loaded.library;
}

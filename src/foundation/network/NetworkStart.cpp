#include "foundation/network/NetworkStart.h"

#include <openssl/crypto.h>

#include <mutex>

#include "foundation/network/HostResolver.h"
#include "foundation/network/SSLLockTable.h"
#include "foundation/network/TlsLibrary.h"

namespace {

// Guards the TLS state below, which the first GetClientContext makes.
std::mutex g_lock;
bool g_started = false;
bool g_stopped = false;
bool g_tlsStarted = false;
SSL_CTX* g_clientContext = nullptr;

// The TLS library with its lock table and the client context. Started on
// first need rather than at network start: reading the library's
// configuration and making a context cost every command word a few
// milliseconds, and most never open a secure link.
void StartTls() {
    g_tlsStarted = true;
    const TlsLibrary* tls = GetTlsLibrary();
    if (!tls) return;
    tls->OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
    SSLLockTable::Create(CRYPTO_num_locks());
    // OpenSSL 3 takes these as no-ops; the table above keeps their behaviour.
    CRYPTO_set_locking_callback(SSLLockTable::LockingCallback);
    CRYPTO_set_id_callback(SSLLockTable::ThreadIdCallback);
    tls->OPENSSL_init_ssl(0, nullptr);
    g_clientContext = tls->SSL_CTX_new(tls->TLS_client_method());
}

}  // namespace

void InitializeNetwork() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_started) return;
    g_started = true;
    // Sockets need no start on Linux; TLS starts with the first context
    // asked for.
    AddResolverUse();
}

void ShutdownNetwork() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!g_started || g_stopped) return;
    g_stopped = true;
    ReleaseResolverUse();
    if (g_clientContext) {
        GetTlsLibrary()->SSL_CTX_free(g_clientContext);
        g_clientContext = nullptr;
    }
    if (g_tlsStarted && SSLLockTable::Count() > 0) {
        CRYPTO_set_locking_callback(nullptr);
        CRYPTO_set_id_callback(nullptr);
        SSLLockTable::Destroy();
    }
}

bool NetworkStarted() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_started;
}

SSL_CTX* GetClientContext() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!g_started || g_stopped) return nullptr;
    if (!g_tlsStarted) StartTls();
    return g_clientContext;
}

#include "foundation/network/NetworkStart.h"

#include <openssl/crypto.h>
#include <openssl/err.h>

#include "foundation/network/HostResolver.h"
#include "foundation/network/SSLLockTable.h"

namespace {

bool g_started = false;
SSL_CTX* g_clientContext = nullptr;

}  // namespace

void InitializeNetwork() {
    if (g_started) return;
    g_started = true;

    // Sockets need no start on Linux.
    OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
    SSLLockTable::Create(CRYPTO_num_locks());
    // OpenSSL 3 takes these as no-ops; the table above keeps their behaviour.
    CRYPTO_set_locking_callback(SSLLockTable::LockingCallback);
    CRYPTO_set_id_callback(SSLLockTable::ThreadIdCallback);
    OPENSSL_init_ssl(0, nullptr);
    g_clientContext = SSL_CTX_new(TLS_client_method());

    AddResolverUse();
}

void ShutdownNetwork() {
    ReleaseResolverUse();
    if (g_clientContext) {
        SSL_CTX_free(g_clientContext);
        g_clientContext = nullptr;
    }
    CRYPTO_set_locking_callback(nullptr);
    CRYPTO_set_id_callback(nullptr);
    SSLLockTable::Destroy();
}

bool NetworkStarted() { return g_started; }

SSL_CTX* GetClientContext() { return g_clientContext; }

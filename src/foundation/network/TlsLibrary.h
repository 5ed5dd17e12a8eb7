#pragma once
// The TLS library (OpenSSL's libssl, with the libcrypto it needs), loaded
// on first need instead of with the program: mapping and relocating it
// cost every command word about a third of its start-up, and most words
// never open a secure link. The functions the program calls are taken from
// it by name; the types stay those of the OpenSSL headers.
#include <openssl/ssl.h>

#include <cstdint>
#include <string>

struct TlsLibrary {
    int (*OPENSSL_init_ssl)(uint64_t options, const OPENSSL_INIT_SETTINGS* settings);
    const SSL_METHOD* (*TLS_client_method)();
    SSL_CTX* (*SSL_CTX_new)(const SSL_METHOD* method);
    void (*SSL_CTX_free)(SSL_CTX* context);
    SSL* (*SSL_new)(SSL_CTX* context);
    int (*SSL_set_fd)(SSL* connection, int fd);
    int (*SSL_shutdown)(SSL* connection);
    void (*SSL_free)(SSL* connection);
    int (*SSL_read)(SSL* connection, void* buffer, int size);
    int (*SSL_peek)(SSL* connection, void* buffer, int size);
    int (*SSL_write)(SSL* connection, const void* data, int size);
};

// The library, loaded the first time (thread-safe); null when it cannot be
// loaded or lacks one of the functions, with the reason in `reason` (when
// given). The library stays loaded for the rest of the process.
const TlsLibrary* GetTlsLibrary(std::string* reason = nullptr);

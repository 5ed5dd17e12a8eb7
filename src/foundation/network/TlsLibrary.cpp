#include "foundation/network/TlsLibrary.h"

#include "engine/SharedObject.h"

namespace {

#define VORLEX_TEXT(x) #x
#define VORLEX_NUMBER_TEXT(x) VORLEX_TEXT(x)

void TakeTlsFunctions(Vek::SharedObject& module, TlsLibrary& l) {
    module.Take("OPENSSL_init_ssl", l.OPENSSL_init_ssl);
    module.Take("TLS_client_method", l.TLS_client_method);
    module.Take("SSL_CTX_new", l.SSL_CTX_new);
    module.Take("SSL_CTX_free", l.SSL_CTX_free);
    module.Take("SSL_new", l.SSL_new);
    module.Take("SSL_set_fd", l.SSL_set_fd);
    module.Take("SSL_shutdown", l.SSL_shutdown);
    module.Take("SSL_free", l.SSL_free);
    module.Take("SSL_read", l.SSL_read);
    module.Take("SSL_peek", l.SSL_peek);
    module.Take("SSL_write", l.SSL_write);
}

}  // namespace

const TlsLibrary* GetTlsLibrary(std::string* reason) {
    // The shared object of the OpenSSL major version the program was built
    // against.
    return Vek::LoadFunctionsOnce<TlsLibrary, TakeTlsFunctions>("libssl.so." VORLEX_NUMBER_TEXT(OPENSSL_VERSION_MAJOR),
                                                                reason);
}

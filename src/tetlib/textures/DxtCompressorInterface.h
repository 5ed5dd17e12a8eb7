#pragma once
// The C interface of the DXT compressor module ("vorlexdxt.so"), which
// holds the texture compression library and everything that library pulls
// in. The program loads the module on the first DXT compression, so that
// command words that never compress a texture do not load those libraries.
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Receives the compressed levels: `begin` announces a level of `size`
// bytes and its pixel size, `write` adds the level's next bytes. Each
// answers non-zero to go on.
typedef struct VorlexDxtSink {
    void* user;
    int (*begin)(void* user, int size, int width, int height);
    int (*write)(void* user, const void* data, int size);
} VorlexDxtSink;

typedef struct VorlexDxtRequest {
    const void* pixels;  // tightly packed 32-bit BGRA rows
    int width;
    int height;
    int target;          // 10 DXT1, 11 DXT3, 12 DXT5
    int alpha;           // DXT1 keeps one bit of alpha (DXT1a)
    int wrap;            // mipmaps filter across the edges
    int normalMap;       // box-filtered mipmaps, normal-map handling
    int mipmaps;         // all levels, else the top level only
    int gpuAcceleration; // use CUDA when the library has it
} VorlexDxtRequest;

// Compresses the request's image into `sink`; non-zero when it succeeded.
// On failure the library's error text goes to `error` (`errorSize` bytes,
// always terminated).
typedef int (*VorlexDxtCompressFunction)(const VorlexDxtRequest* request, const VorlexDxtSink* sink, char* error,
                                         size_t errorSize);

#define VORLEX_DXT_MODULE_NAME "vorlexdxt.so"
#define VORLEX_DXT_ENTRY_NAME "VorlexDxtCompress"

#ifdef __cplusplus
}
#endif

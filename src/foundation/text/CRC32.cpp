#include "foundation/text/CRC32.h"

#include <zlib.h>

uint32_t ComputeCRC32(const void* data, std::size_t length) {
    if (!data || length == 0) return 0;
    return static_cast<uint32_t>(crc32_z(0L, static_cast<const Bytef*>(data), length));
}

uint32_t ComputeCRC32LowerCase(const char* text) {
    uLong crc = crc32_z(0L, Z_NULL, 0);
    if (!text) return static_cast<uint32_t>(crc);
    // Lower-case a chunk at a time and feed it on.
    unsigned char chunk[256];
    std::size_t used = 0;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        chunk[used++] = c;
        if (used == sizeof(chunk)) {
            crc = crc32_z(crc, chunk, used);
            used = 0;
        }
    }
    if (used) crc = crc32_z(crc, chunk, used);
    return static_cast<uint32_t>(crc);
}

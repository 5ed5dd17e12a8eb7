#pragma once
// Small helpers shared by the fuzz targets: a check that aborts with a
// message (so libFuzzer records the input), and shapes of soups.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/soups/ACSChunk.h"

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace FuzzSupport {

// Names, nesting, order and count of a soup's tags, as one text.
inline void AppendShape(const ChunkRef& chunk, std::string& out) {
    if (!chunk) return;
    const int32_t count = chunk->Count();
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; i < count; ++i) {
        if (!chunk->GetChildAt(i, name, child)) continue;
        out += name.c_str();
        out += '\x01';
        if (child->GetKind() == ACSKind::kContainer) {
            out += '{';
            AppendShape(child, out);
            out += '}';
        }
        out += '\x02';
    }
}

inline std::string Shape(const ChunkRef& chunk) {
    std::string out;
    AppendShape(chunk, out);
    return out;
}

}  // namespace FuzzSupport

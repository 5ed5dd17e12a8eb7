#pragma once
// A soup whose every level holds the level below twice, shared ("a" and
// "b"), `depth` levels above a container holding "leaf" 1: 2^depth copies
// of the leaf behind `depth` containers, as a script builds it with
// SetNamedSoup. Walked whole it visits DoubledSoupNodes(depth) nodes.
#include <cstdint>

#include "foundation/soups/SoupHandle.h"

namespace VorlexTest {

inline SoupHandle DoubledSoup(int depth) {
    SoupHandle level;
    level.SetInt("leaf", 1);
    for (int i = 0; i < depth; ++i) {
        SoupHandle above;
        above.SetContainer("a", level);
        above.SetContainer("b", level);
        level = above;
    }
    return level;
}

// Nodes below the root of DoubledSoup(depth): N(0) = 1, N(d) = 2 (1 + N(d - 1)).
inline uint64_t DoubledSoupNodes(int depth) {
    uint64_t nodes = 1;
    for (int i = 0; i < depth; ++i) nodes = 2 * (1 + nodes);
    return nodes;
}

}  // namespace VorlexTest

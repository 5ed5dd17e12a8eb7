#pragma once
// Bounds on walking a soup whole. A container may be stored in several
// places (soups share sub-soups), and every walk of the whole tree (the
// writers, the deep copy) visits a shared container once per place it is
// stored in: a soup of d levels, each holding the one below twice, has 2^d
// nodes behind d containers. Callers that walk soups a script built measure
// them against a limit first, and refuse past it, so that the walk costs
// time and memory bounded by the limit, not by the sharing.
#include <cstdint>
#include <limits>

#include "foundation/soups/SoupHandle.h"

struct SoupWalkLimit {
    // Nodes visited, each container and value counted once per place it is
    // stored in (the root not counted).
    uint64_t nodes = std::numeric_limits<uint64_t>::max();
    // Bytes the walk writes.
    uint64_t bytes = std::numeric_limits<uint64_t>::max();
};

struct SoupWalkCost {
    uint64_t nodes = 0;
    // The bytes of the soup's binary form (WriteBinarySoup), header included.
    uint64_t binaryBytes = 0;
};

// Walks the soup as the deep copy and the binary writer do, counting the
// nodes visited and the bytes of the binary form, and stops as soon as
// either passes its limit: false then, with `cost` counted up to there.
// Costs time linear in min(what it counts, the limit); no recursion.
bool MeasureSoupWithin(const SoupHandle& soup, const SoupWalkLimit& limit, SoupWalkCost& cost);

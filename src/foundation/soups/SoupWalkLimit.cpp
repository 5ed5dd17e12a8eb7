#include "foundation/soups/SoupWalkLimit.h"

#include <vector>

namespace {

// The magic, version, reserved word and body size of the binary form.
constexpr uint64_t kBinaryHeader = 16;
// The length field, name length byte and type byte of an entry.
constexpr uint64_t kEntryHead = 6;
// Names the binary writer leaves out, with their subtrees.
constexpr std::size_t kMaxBinaryName = 254;

struct Open {
    ChunkRef chunk;
    int32_t next;
    int32_t count;
    // The binary writer writes this container's entries.
    bool written;
};

}  // namespace

bool MeasureSoupWithin(const SoupHandle& soup, const SoupWalkLimit& limit, SoupWalkCost& cost) {
    cost = SoupWalkCost{};
    cost.binaryBytes = kBinaryHeader;
    if (!soup.GetRoot()) return cost.binaryBytes <= limit.bytes;
    // Pairs are lent (ChildAt); an open container is held here, since a view
    // of a binary file keeps only the pair it decoded last.
    std::vector<Open> open;
    open.push_back(Open{soup.GetRoot(), 0, soup.Get()->Count(), true});
    while (!open.empty()) {
        Open& level = open.back();
        if (level.next >= level.count) {
            open.pop_back();
            continue;
        }
        const ChunkChild* pair = level.chunk->ChildAt(level.next++);
        if (!pair || !pair->chunk) continue;
        const bool written = level.written && pair->name.Length() <= kMaxBinaryName;
        const ChunkRef& child = pair->chunk;
        const int32_t kind = child->GetKind();
        ++cost.nodes;
        if (written) {
            const std::size_t nameLength = pair->name.Length();
            cost.binaryBytes += kEntryHead + (nameLength ? nameLength + 1 : 0);
            if (kind != ACSKind::kContainer && kind != ACSKind::kEmpty && child->GetSize() > 0 && child->GetData())
                cost.binaryBytes += static_cast<uint64_t>(child->GetSize());
        }
        if (cost.nodes > limit.nodes || cost.binaryBytes > limit.bytes) return false;
        if (kind == ACSKind::kContainer) {
            ChunkRef held = child;  // the pair goes stale with the push
            const int32_t count = held->Count();
            open.push_back(Open{std::move(held), 0, count, written});
        }
    }
    return true;
}

#include "foundation/soups/CopyChunk.h"

#include <vector>

#include "foundation/soups/TDBDataTag.h"

namespace {

// One node being copied: its remaining source children go into
// `destination`, which is appended to `parent` under `name` once it is
// complete (the root has no parent).
struct Level {
    ChunkRef destination;
    ChunkRef source;
    int32_t next;
    int32_t count;
    ChunkRef parent;
    Vek::PString name;
};

// The block a copy of `source` shares its bytes through. An editable
// value's own block is shared as it is: a view of the value would hold the
// value alive, and a copy of a copy of ... a value would then keep every
// earlier generation alive in a chain as long as the number of copies (and
// as deep to release). Views of a binary file are viewed, as they hold the
// file's body.
RawDataRef SharedBytes(const ChunkRef& source) {
    if (const auto* value = dynamic_cast<const TDBDataTag*>(source.Get())) return value->GetBlock();
    return MakeChunkDataView(source);
}

// Steps 1 and 2 for one node: the source's kind and its bytes, shared, then
// the destination's own children removed, last to first.
void StartNode(const ChunkRef& destination, const ChunkRef& source) {
    if (source && source->GetKind() != ACSKind::kEmpty)
        destination->SetKindAndData(source->GetKind(), SharedBytes(source));
    Vek::PString name;
    ChunkRef child;
    for (int32_t k = destination->Count() - 1; k >= 0; --k) {
        destination->GetChildAt(k, name, child);
        destination->RemoveChild(child);
    }
}

}  // namespace

void CopyChunk(ChunkRef destination, ChunkRef source) {
    if (!destination) return;
    StartNode(destination, source);
    if (!source) return;

    // The tree is walked with a list of open nodes rather than nested calls,
    // so that the depth of the source never reaches the call stack.
    std::vector<Level> open;
    open.push_back(Level{std::move(destination), std::move(source), 0, 0, nullptr, Vek::PString()});
    open.back().count = open.back().source->Count();
    Vek::PString name;
    ChunkRef child;
    while (!open.empty()) {
        Level& level = open.back();
        if (level.next >= level.count) {
            if (level.parent) level.parent->AppendChild(level.name, level.destination);
            open.pop_back();
            continue;
        }
        if (!level.source->GetChildAt(level.next++, name, child)) continue;
        ChunkRef copy = level.destination->CreateChunk(child->GetKind(), nullptr);
        if (!copy || IsNullChunk(copy)) continue;
        StartNode(copy, child);
        ChunkRef parent = level.destination;  // `level` goes stale with the push
        const int32_t count = child->Count();
        open.push_back(Level{std::move(copy), child, 0, count, std::move(parent), name});
    }
}

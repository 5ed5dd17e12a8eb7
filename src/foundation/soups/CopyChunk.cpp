#include "foundation/soups/CopyChunk.h"

void CopyChunk(ChunkRef destination, ChunkRef source) {
    if (!destination) return;
    if (source && source->GetKind() != ACSKind::kEmpty)
        destination->SetKindAndData(source->GetKind(), MakeChunkDataView(source));

    Vek::PString name;
    ChunkRef child;
    for (int32_t k = destination->Count() - 1; k >= 0; --k) {
        destination->GetChildAt(k, name, child);
        destination->RemoveChild(child);
    }
    if (!source) return;

    int32_t count = source->Count();
    for (int32_t i = 0; i < count; ++i) {
        if (!source->GetChildAt(i, name, child)) continue;
        ChunkRef copy = destination->CreateChunk(child->GetKind(), nullptr);
        if (!copy || IsNullChunk(copy)) continue;
        CopyChunk(copy, child);
        destination->AppendChild(name, copy);
    }
}

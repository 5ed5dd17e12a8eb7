#include "foundation/soups/ACSChunk.h"

ChunkRef ACSChunk::GetChild(const Vek::PString&) const { return NullChunk(); }

int32_t ACSChunk::Count() const { return 0; }

const ChunkChild* ACSChunk::ChildAt(int32_t) const { return nullptr; }

bool ACSChunk::GetChildAt(int32_t, Vek::PString& name, ChunkRef& chunk) const {
    name = Vek::PString();
    chunk = NullChunk();
    return false;
}

void ACSChunk::SortChildren() {}

void ACSChunk::SwapChildren(ChunkRef, ChunkRef) {}

void ACSChunk::AppendChild(const Vek::PString&, ChunkRef) {}

void ACSChunk::RemoveChild(ChunkRef) {}

ChunkRef ACSChunk::CreateChunk(int32_t, RawDataRef) { return NullChunk(); }

const uint8_t* ACSChunk::GetData() const { return nullptr; }

int32_t ACSChunk::GetSize() const { return 0; }

int32_t ACSChunk::GetKind() const { return ACSKind::kEmpty; }

void ACSChunk::SetKindAndData(int32_t, RawDataRef) {}

const ChunkRef& NullChunk() {
    // Function-local static: made once, safely, on the first use from any
    // thread; its reference goes with the static objects at exit.
    static const ChunkRef instance = ChunkRef::Adopt(new ACSChunk());
    return instance;
}

bool IsNullChunk(const ACSChunk* chunk) { return chunk != nullptr && chunk == NullChunk().Get(); }

bool IsAbsentChunk(const ChunkRef& chunk) {
    return !chunk || IsNullChunk(chunk) || chunk->GetKind() == ACSKind::kEmpty;
}

#include "foundation/soups/BinarySoupWriter.h"

#include "foundation/soups/TDBBinaryFile.h"
#include "foundation/streams/Stream.h"

namespace {

void WriteBinaryEntry(TStream& stream, const Vek::PString& name, const ChunkRef& chunk);

void WriteBinaryChildren(TStream& stream, const ChunkRef& chunk) {
    int32_t count = chunk->Count();
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; i < count; ++i)
        if (chunk->GetChildAt(i, name, child)) WriteBinaryEntry(stream, name, child);
}

void WriteBinaryEntry(TStream& stream, const Vek::PString& name, const ChunkRef& chunk) {
    std::size_t nameLength = name.Length();
    if (nameLength + 1 > 255) return;

    int32_t start = stream.Tell();
    stream.WriteInt32(-1);
    if (nameLength == 0) {
        stream.WriteByte(0);
    } else {
        stream.WriteByte(static_cast<uint8_t>(nameLength + 1));
        stream.Write(name.c_str(), static_cast<int32_t>(nameLength + 1));
    }
    int32_t kind = chunk->GetKind();
    stream.WriteByte(BinaryTypeOfKind(kind));
    if (kind == ACSKind::kContainer) {
        WriteBinaryChildren(stream, chunk);
    } else if (kind != ACSKind::kEmpty && chunk->GetSize() > 0 && chunk->GetData()) {
        stream.Write(chunk->GetData(), chunk->GetSize());
    }
    int32_t end = stream.Tell();
    stream.WriteInt32At(start, end - start - 4);
}

}  // namespace

uint8_t BinaryTypeOfKind(int32_t kind) {
    switch (kind) {
        case ACSKind::kContainer: return 0;
        case ACSKind::kIntegers: return 1;
        case ACSKind::kFloats: return 2;
        case ACSKind::kText:
        case ACSKind::kReserved: return 3;
        case ACSKind::kRaw: return 4;
        case ACSKind::kKUID: return 13;
        default: return 5;
    }
}

void WriteBinarySoup(TStream& stream, const SoupHandle& soup) {
    stream.Write(TDBBinaryFile::kMagic, 4);
    stream.WriteInt32(1);
    stream.WriteInt32(0);
    int32_t sizeAt = stream.Tell();
    stream.WriteInt32(-1);
    if (soup.GetRoot()) WriteBinaryChildren(stream, soup.GetRoot());
    int32_t end = stream.Tell();
    stream.WriteInt32At(sizeAt, end - sizeAt - 4);
}

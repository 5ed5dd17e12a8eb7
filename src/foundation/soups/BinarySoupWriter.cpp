#include "foundation/soups/BinarySoupWriter.h"

#include <vector>

#include "foundation/soups/TDBBinaryFile.h"
#include "foundation/streams/Stream.h"

namespace {

// One container entry being written: where its length field is (-1 for
// the root, which has none) and its children from `next` on.
struct Level {
    ChunkRef chunk;
    int32_t lengthAt;
    int32_t next;
    int32_t count;
};

// Writes the entry's length field (a placeholder), name and type; false
// for a name too long to store, which leaves the entry out.
bool WriteEntryHead(TStream& stream, const Vek::PString& name, int32_t kind) {
    std::size_t nameLength = name.Length();
    if (nameLength + 1 > 255) return false;
    stream.WriteInt32(-1);
    if (nameLength == 0) {
        stream.WriteByte(0);
    } else {
        stream.WriteByte(static_cast<uint8_t>(nameLength + 1));
        stream.Write(name.c_str(), static_cast<int32_t>(nameLength + 1));
    }
    stream.WriteByte(BinaryTypeOfKind(kind));
    return true;
}

void PatchLength(TStream& stream, int32_t lengthAt) {
    int32_t end = stream.Tell();
    stream.WriteInt32At(lengthAt, end - lengthAt - 4);
}

// Writes the children of `root` as entries, walking the tree with a list
// of open containers instead of nested calls. False when containers nest
// deeper than the reader accepts (everything is written all the same).
bool WriteBinaryChildren(TStream& stream, const ChunkRef& root) {
    bool readable = true;
    std::vector<Level> open;
    open.push_back(Level{root, -1, 0, root->Count()});
    while (!open.empty()) {
        Level& level = open.back();
        if (level.next >= level.count) {
            if (level.lengthAt >= 0) PatchLength(stream, level.lengthAt);
            open.pop_back();
            continue;
        }
        const ChunkChild* pair = level.chunk->ChildAt(level.next++);
        if (!pair) continue;
        const Vek::PString& name = pair->name;
        const ChunkRef& child = pair->chunk;
        const int32_t start = stream.Tell();
        const int32_t kind = child->GetKind();
        if (!WriteEntryHead(stream, name, kind)) continue;
        if (kind == ACSKind::kContainer) {
            // The root's entries are at depth 0; this container's at open.size().
            if (static_cast<int>(open.size()) > TDBBinaryFile::kMaxDepth) readable = false;
            open.push_back(Level{child, start, 0, child->Count()});
            continue;
        }
        if (kind != ACSKind::kEmpty && child->GetSize() > 0 && child->GetData())
            stream.Write(child->GetData(), child->GetSize());
        PatchLength(stream, start);
    }
    return readable;
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

bool WriteBinarySoup(TStream& stream, const SoupHandle& soup) {
    stream.Write(TDBBinaryFile::kMagic, 4);
    stream.WriteInt32(1);
    stream.WriteInt32(0);
    int32_t sizeAt = stream.Tell();
    stream.WriteInt32(-1);
    bool readable = !soup.GetRoot() || WriteBinaryChildren(stream, soup.GetRoot());
    PatchLength(stream, sizeAt);
    return readable;
}

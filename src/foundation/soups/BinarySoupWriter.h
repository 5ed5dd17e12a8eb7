#pragma once
// Writes a soup in the "ACS$" binary form (layout in TDBBinaryFile.h).
#include "foundation/soups/SoupHandle.h"

class TStream;

// Writes the whole soup at the stream's current position: magic, version
// 1, reserved 0, body size, then the root's children as entries. The root's
// own kind and bytes are not stored (it always reads back as a container);
// a null handle writes an empty body. The stream must allow seeking back (a
// file or a memory buffer): each length is written as a placeholder and
// patched when its entry ends. A tag whose name has 255 bytes or more is
// left out, with its whole subtree. Write errors stay in the stream.
// False when containers nest deeper than the reader accepts
// (TDBBinaryFile::kMaxDepth), so the file would read back without a body;
// the soup is written whole all the same (the form grows linearly with the
// depth, and the walk keeps its own list of open containers, so no depth
// reaches the call stack).
bool WriteBinarySoup(TStream& stream, const SoupHandle& soup);

// The type code an entry of that kind is written with.
uint8_t BinaryTypeOfKind(int32_t kind);

#pragma once
// Deep copy of a soup tree into editable nodes.
#include "foundation/soups/ACSChunk.h"

// Makes `destination` a copy of `source`:
// 1. a source of a kind other than 0 gives the destination its kind and a
//    its value bytes, shared, not duplicated (an editable value's block
//    itself, a view of a binary file's value; containers ignore it);
// 2. the destination's own children are removed, last to first;
// 3. every child of the source, in order, is copied into a new node made by
//    the destination's CreateChunk and appended under the child's name.
// Every node of the result is a new TDBContainerTag or TDBDataTag, also
// when the source is a view of a binary file. A null destination does
// nothing; a null source only empties the destination. The walk keeps its
// own list of open nodes, so a soup of any depth is copied without
// recursion.
void CopyChunk(ChunkRef destination, ChunkRef source);

#pragma once
// Reads an "ACS$" binary soup into a handle.
#include "foundation/soups/SoupHandle.h"

class TStream;

// Reads a file from the stream's current position (TDBBinaryFile::Read)
// and makes the handle its root view. The handle becomes null (whatever it
// held is released) unless the read succeeded and gave a root: a damaged,
// empty or unknown-version body gives true and a null handle. The result is
// the read's. The file object lives on through the views the handle holds.
bool ReadBinarySoup(SoupHandle& soup, TStream& stream);

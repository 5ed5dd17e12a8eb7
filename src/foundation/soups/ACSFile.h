#pragma once
// A soup file object: reads a stored soup from a stream and hands out its
// root. TDBBinaryFile is the one kind ("ACS$" binary soups). Callers that
// keep the file object themselves (content archives, online messages,
// script objects) make one, Read it and take its root; ReadBinarySoup does
// the same for a handle.
#include "foundation/soups/ACSChunk.h"

class TStream;

class ACSFile {
public:
    ACSFile() = default;
    ACSFile(const ACSFile&) = delete;
    ACSFile& operator=(const ACSFile&) = delete;

    // Reads the file from the stream's current position.
    virtual bool Read(TStream& stream) = 0;
    // Does nothing; soups are written with WriteBinarySoup.
    virtual void Write(TStream& stream) = 0;
    // The root container, or the null chunk.
    virtual ChunkRef GetRoot() = 0;

protected:
    // File objects are reference counted; they are never deleted through
    // this interface.
    virtual ~ACSFile() = default;
};

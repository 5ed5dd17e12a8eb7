#include "foundation/soups/BinarySoupReader.h"

#include "foundation/soups/TDBBinaryFile.h"

bool ReadBinarySoup(SoupHandle& soup, TStream& stream) {
    CountedRef<TDBBinaryFile> file = MakeCounted<TDBBinaryFile>();
    soup.Clear();
    if (!file) return false;
    bool read = file->Read(stream);
    if (read) soup = SoupHandle::FromChunk(file->GetRoot());
    return read;
}

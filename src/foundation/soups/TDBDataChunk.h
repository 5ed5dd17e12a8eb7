#pragma once
// A read-only value view into a loaded binary soup: a kind, the value's
// bytes (viewed in place, or an aligned copy) and the body position of the
// entry's value, by which the container view can hide the entry when the
// value is removed. The view holds the file, and so its body, alive.
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/TDBBinaryFile.h"

class TDBDataChunk : public ACSChunk {
public:
    // A view of `size` bytes at body offset `dataStart`; `valuePosition` is
    // where the entry's value starts (they differ for padded raw values).
    TDBDataChunk(CountedRef<TDBBinaryFile> file, int32_t kind, uint32_t dataStart, uint32_t size,
                 uint32_t valuePosition);

    const uint8_t* GetData() const override;
    int32_t GetSize() const override;
    int32_t GetKind() const override { return m_kind; }

    const TDBBinaryFile* GetFile() const { return m_file.Get(); }
    uint32_t GetValuePosition() const { return m_valuePosition; }

protected:
    ~TDBDataChunk() override;

private:
    CountedRef<TDBBinaryFile> m_file;
    RawDataRef m_block;
    int32_t m_kind;
    uint32_t m_valuePosition;
};

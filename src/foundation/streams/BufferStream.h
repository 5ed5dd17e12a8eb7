#pragma once
// TBuffer: a stream over a growable memory block (Vek::DynamicBuffer), the
// carrier of the daemon link's frames and payloads, settings soups sent
// over the link and online datagrams.
//
// The block keeps a position, an allocated size and a data size (the
// high-water mark of what was written). A memory stream never sets
// kErrorIO; its short reads give kErrorPastEnd through the reading helpers,
// and a block that cannot grow gives kErrorMemory.
#include <cstdint>

#include "engine/DynamicBuffer.h"
#include "foundation/streams/Stream.h"

class TBuffer : public TStream {
public:
    // Initial size and growth step of the blocks the program makes.
    static constexpr std::size_t kBlockInitialSize = 0;
    static constexpr std::size_t kBlockGrowStep = 512;
    // Past this allocated size, a write that needs room grows the block by
    // the larger of its own size plus kLargeGrowStep and the block's size
    // (at most kLargeGrowLimit): the block doubles, so the copies of a block
    // written to its end cost time linear in its size.
    static constexpr std::size_t kLargeBlockSize = 16384;
    static constexpr std::size_t kLargeGrowStep = 65536;
    static constexpr std::size_t kLargeGrowLimit = std::size_t(256) << 20;

    // A stream over a new owned block made with (0, 512).
    TBuffer();
    // A stream over `block`, deleted with the stream when `owns` is set. A
    // null block gives a new owned block.
    TBuffer(Vek::DynamicBuffer* block, bool owns);
    ~TBuffer() override;

    Vek::DynamicBuffer* GetBlock() { return m_block; }
    const Vek::DynamicBuffer* GetBlock() const { return m_block; }
    // The written bytes (the whole content, whatever the position).
    const uint8_t* GetData() const { return m_block->Data(); }
    int32_t GetDataSize() const { return static_cast<int32_t>(m_block->DataSize()); }

    // Empties the read buffer and the block (the error stays).
    void Reset() override;
    int32_t Tell() const override;
    bool IsOpen() const override { return true; }
    int32_t WriteRaw(const void* data, int32_t n) override;
    int32_t ReadRaw(void* destination, int32_t n) override;
    // True when the logical position is at or past the data size.
    bool Eof() const override;

protected:
    // kSeekSet: offset; kSeekCurrent: logical position + offset; kSeekEnd:
    // data size - offset. The result, taken as unsigned, is clamped to the
    // allocated size.
    bool SeekRaw(int32_t offset, int origin) override;

private:
    Vek::DynamicBuffer* m_block = nullptr;
    bool m_owns = false;
};

#include "foundation/streams/BufferStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

TBuffer::TBuffer() : m_block(new Vek::DynamicBuffer(kBlockInitialSize, kBlockGrowStep)), m_owns(true) {}

TBuffer::TBuffer(Vek::DynamicBuffer* block, bool owns) : m_block(block), m_owns(owns) {
    if (!m_block) {
        m_block = new Vek::DynamicBuffer(kBlockInitialSize, kBlockGrowStep);
        m_owns = true;
    }
}

TBuffer::~TBuffer() {
    if (m_owns) delete m_block;
}

void TBuffer::Reset() {
    ClearReadBuffer();
    m_block->Clean();
}

int32_t TBuffer::Tell() const { return static_cast<int32_t>(m_block->Position()) - m_buffered; }

int32_t TBuffer::WriteRaw(const void* data, int32_t n) {
    if (n <= 0) return 0;
    const std::size_t position = m_block->Position();
    const std::size_t count = static_cast<std::size_t>(n);
    // Positions are int32: a block never grows past that range.
    if (position + count > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        SetError(kErrorMemory);
        return 0;
    }
    if (position + count > m_block->AllocatedSize() && m_block->AllocatedSize() > kLargeBlockSize) {
        // Large blocks grow in big steps instead of the block's own small
        // ones, doubling up to a limit: steps of one size would copy the
        // block once per step, quadratic in its size.
        const std::size_t doubling = std::min(m_block->AllocatedSize(), kLargeGrowLimit);
        if (!m_block->AddLength(std::max(count + kLargeGrowStep, doubling))) {
            SetError(kErrorMemory);
            return 0;
        }
    }
    const std::size_t dataSize = m_block->DataSize();
    if (position > dataSize) {
        // A seek past the data left a gap of unwritten memory: it becomes
        // data now, so make it zeros rather than whatever the heap held.
        std::memset(m_block->Data() + dataSize, 0, position - dataSize);
    }
    if (m_block->Write(data, count) != count) {
        SetError(kErrorMemory);
        return 0;
    }
    return n;
}

int32_t TBuffer::ReadRaw(void* destination, int32_t n) {
    if (n <= 0) return 0;
    return static_cast<int32_t>(m_block->Read(destination, static_cast<std::size_t>(n)));
}

bool TBuffer::SeekRaw(int32_t offset, int origin) {
    int64_t target;
    switch (origin) {
        case kSeekCurrent:
            target = static_cast<int64_t>(Tell()) + offset;
            break;
        case kSeekEnd:
            target = static_cast<int64_t>(m_block->DataSize()) - offset;
            break;
        default:
            target = offset;
            break;
    }
    // Taken as unsigned: a negative target lands on the clamp, the allocated size.
    const std::size_t allocated = m_block->AllocatedSize();
    const std::size_t position =
        (target < 0 || static_cast<uint64_t>(target) > allocated) ? allocated : static_cast<std::size_t>(target);
    m_block->SetPosition(position);
    return true;
}

bool TBuffer::Eof() const {
    return static_cast<uint32_t>(Tell()) >= static_cast<uint32_t>(m_block->DataSize());
}

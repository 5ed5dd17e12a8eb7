#pragma once
// Utils::BlockMemory: a pool of fixed-size objects kept in chunks, with one
// free bit per object. Allocation fills the fullest chunk that still has room,
// so that chunks emptied by frees can be given back; the owning chunk of a
// freed object is found by binary search over the chunks sorted by address
// (new chunks are appended, and the table sorted when it is next needed).
// Chunks come from the engine allocator. Not thread-safe.
#include <cstdint>

namespace Utils {

class BlockMemory {
public:
    // Objects are aligned to 8 bytes (the platform's rule for pools), so the
    // object size is rounded up to a multiple of 8.
    static constexpr int32_t kAlignment = 8;

    BlockMemory() = default;
    virtual ~BlockMemory();
    BlockMemory(const BlockMemory&) = delete;
    BlockMemory& operator=(const BlockMemory&) = delete;

    // Sets up an empty pool: the spare threshold, the object size (rounded up
    // to the alignment) and the objects per chunk (rounded up to a multiple of
    // 32). Releases whatever the pool held before. False when the chunk table
    // cannot be allocated or a size is not positive or too large.
    bool Init(int32_t threshold, int32_t objectSize, int32_t objectsPerChunk);

    // A free object, or null when no chunk can be allocated (or before Init).
    void* Alloc();
    // True when the object belonged to the pool and was in use; false for a
    // foreign or already free pointer, which changes nothing.
    bool Free(void* object);
    // Keeps only the lowest-addressed chunk, with all its objects free.
    void Reset();
    // Releases every chunk and the table; the pool needs Init again.
    void FreeAll();

    int32_t ObjectSize() const { return m_objectSize; }
    int32_t ObjectsPerChunk() const { return m_objectsPerChunk; }
    int32_t ChunkCount() const { return m_chunkCount; }
    int32_t ObjectsInUse() const { return m_objectsInUse; }
    int32_t Threshold() const { return m_threshold; }

private:
    struct Chunk {
        void* raw;        // the data block as allocated
        char* start;      // first object (raw rounded up to the alignment)
        char* end;        // start + object size x objects per chunk
        int32_t used;     // objects in use
        int32_t topWord;  // no word above this one has a free bit
        uint32_t bits[1]; // free bits (1 = free); allocated to the word count
    };

    int32_t AddChunk();
    void ReleaseChunk(int32_t index);
    void ChooseCurrentChunk();
    // Restores the table's order by start address, which FindChunk,
    // ChooseCurrentChunk and Reset rely on.
    void SortChunks();
    int32_t FindChunk(const void* object) const;

    Chunk** m_table = nullptr;
    int32_t m_chunkCount = 0;
    int32_t m_tableCapacity = 0;
    Chunk* m_current = nullptr;
    int32_t m_threshold = 0;
    int32_t m_objectsPerChunk = 0;
    int32_t m_bitWordsPerChunk = 0;
    int32_t m_objectSize = 0;
    int32_t m_alignment = 0;
    int32_t m_objectsInUse = 0;
    bool m_sorted = true;  // the table is in start-address order
};

}  // namespace Utils

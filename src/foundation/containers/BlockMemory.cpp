#include "foundation/containers/BlockMemory.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#include "engine/Alloc.h"

namespace Utils {

namespace {

// Sizes above this would overflow the 32-bit byte counts of a chunk.
constexpr int32_t kMaxObjectSize = 1 << 20;
constexpr int32_t kMaxObjectsPerChunk = 1 << 16;

int32_t RoundUp(int32_t value, int32_t step) { return (value + step - 1) / step * step; }

}  // namespace

BlockMemory::~BlockMemory() { FreeAll(); }

bool BlockMemory::Init(int32_t threshold, int32_t objectSize, int32_t objectsPerChunk) {
    FreeAll();
    if (objectSize <= 0 || objectSize > kMaxObjectSize || objectsPerChunk <= 0 ||
        objectsPerChunk > kMaxObjectsPerChunk)
        return false;
    m_table = static_cast<Chunk**>(Vek::Alloc::New(sizeof(Chunk*)));
    if (!m_table) return false;
    m_tableCapacity = 1;
    m_threshold = threshold;
    m_alignment = kAlignment;
    m_objectSize = RoundUp(objectSize, m_alignment);
    m_objectsPerChunk = RoundUp(objectsPerChunk, 32);
    m_bitWordsPerChunk = m_objectsPerChunk / 32;
    return true;
}

int32_t BlockMemory::AddChunk() {
    if (m_chunkCount == m_tableCapacity) {
        // The table doubles, so that a pool grown chunk by chunk copies it
        // a number of times logarithmic in its length.
        const int32_t capacity = m_tableCapacity * 2;
        Chunk** table = static_cast<Chunk**>(Vek::Alloc::New(sizeof(Chunk*) * static_cast<std::size_t>(capacity)));
        if (!table) return -1;
        if (m_chunkCount > 0) std::memcpy(table, m_table, sizeof(Chunk*) * static_cast<std::size_t>(m_chunkCount));
        Vek::Alloc::Delete(m_table);
        m_table = table;
        m_tableCapacity = capacity;
    }

    const std::size_t recordSize = offsetof(Chunk, bits) + sizeof(uint32_t) * static_cast<std::size_t>(m_bitWordsPerChunk);
    Chunk* chunk = static_cast<Chunk*>(Vek::Alloc::New(recordSize));
    if (!chunk) return -1;
    const std::size_t dataSize = static_cast<std::size_t>(m_objectSize) * static_cast<std::size_t>(m_objectsPerChunk);
    chunk->raw = Vek::Alloc::New(dataSize + static_cast<std::size_t>(m_alignment) - 1);
    if (!chunk->raw) {
        Vek::Alloc::Delete(chunk);
        return -1;
    }
    const uintptr_t mask = static_cast<uintptr_t>(m_alignment) - 1;
    chunk->start = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(chunk->raw) + mask) & ~mask);
    chunk->end = chunk->start + dataSize;
    chunk->used = 0;
    chunk->topWord = m_bitWordsPerChunk - 1;
    for (int32_t w = 0; w < m_bitWordsPerChunk; ++w) chunk->bits[w] = 0xFFFFFFFFu;

    // The new chunk goes at the end; the table is sorted by start address
    // again when an operation needs that order. (Sorting at every insertion
    // made a pool of n chunks, handed addresses in no particular order by a
    // reused heap, cost n * n steps through the chunk records.)
    const int32_t index = m_chunkCount++;
    m_table[index] = chunk;
    if (index > 0 && chunk->start < m_table[index - 1]->start) m_sorted = false;
    return index;
}

void BlockMemory::SortChunks() {
    if (m_sorted) return;
    std::sort(m_table, m_table + m_chunkCount, [](const Chunk* a, const Chunk* b) { return a->start < b->start; });
    m_sorted = true;
}

void BlockMemory::ReleaseChunk(int32_t index) {
    Chunk* chunk = m_table[index];
    if (m_current == chunk) m_current = nullptr;
    Vek::Alloc::Delete(chunk->raw);
    Vek::Alloc::Delete(chunk);
    for (int32_t i = index; i + 1 < m_chunkCount; ++i) m_table[i] = m_table[i + 1];
    m_chunkCount -= 1;
}

void BlockMemory::ChooseCurrentChunk() {
    // The fullest chunk that is not full, looking from the highest address
    // down and keeping the first one found among equals.
    Chunk* best = nullptr;
    // Every chunk full (a pool that only grows): none to look through.
    if (int64_t(m_objectsInUse) == int64_t(m_chunkCount) * m_objectsPerChunk) {
        m_current = nullptr;
        return;
    }
    SortChunks();
    for (int32_t i = m_chunkCount - 1; i >= 0; --i) {
        Chunk* chunk = m_table[i];
        if (chunk->used >= m_objectsPerChunk) continue;
        if (!best || chunk->used > best->used) best = chunk;
    }
    m_current = best;
}

int32_t BlockMemory::FindChunk(const void* object) const {
    const char* address = static_cast<const char*>(object);
    int32_t low = 0;
    int32_t high = m_chunkCount - 1;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const Chunk* chunk = m_table[middle];
        if (address < chunk->start)
            high = middle - 1;
        else if (address >= chunk->end)
            low = middle + 1;
        else
            return middle;
    }
    return -1;
}

void* BlockMemory::Alloc() {
    if (m_objectSize <= 0 || !m_table) return nullptr;
    if (!m_current) {
        const int32_t index = AddChunk();
        if (index < 0) return nullptr;
        m_current = m_table[index];
    }

    Chunk* chunk = m_current;
    void* result = nullptr;
    for (int32_t w = chunk->topWord; w >= 0; --w) {
        const uint32_t word = chunk->bits[w];
        if (word == 0) continue;
        chunk->topWord = w;
        // Object k of a word has the bit 0x80000000 >> k; the lowest-numbered
        // free object is the highest set bit.
        const int32_t k = std::countl_zero(word);
        chunk->bits[w] = word & ~(0x80000000u >> k);
        result = chunk->start + static_cast<std::size_t>(w * 32 + k) * static_cast<std::size_t>(m_objectSize);
        break;
    }
    if (!result) return nullptr;  // the current chunk is never full; kept as a guard
    chunk->used += 1;
    m_objectsInUse += 1;
    if (chunk->used == m_objectsPerChunk) ChooseCurrentChunk();
    return result;
}

bool BlockMemory::Free(void* object) {
    if (m_objectsInUse % 16 == 0) ChooseCurrentChunk();
    if (!object) return false;

    SortChunks();
    const int32_t index = FindChunk(object);
    if (index < 0) return false;
    Chunk* chunk = m_table[index];
    const std::size_t offset = static_cast<std::size_t>(static_cast<char*>(object) - chunk->start);
    // A pointer into the middle of an object is not one the pool handed out.
    if (offset % static_cast<std::size_t>(m_objectSize) != 0) return false;
    const std::size_t k = offset / static_cast<std::size_t>(m_objectSize);
    uint32_t& word = chunk->bits[k / 32];
    const uint32_t bit = 0x80000000u >> (k % 32);
    if (word & bit) return false;
    word |= bit;
    if (static_cast<int32_t>(k / 32) > chunk->topWord) chunk->topWord = static_cast<int32_t>(k / 32);
    chunk->used -= 1;
    m_objectsInUse -= 1;

    if (chunk->used == 0 && (m_chunkCount - 1) * m_objectsPerChunk - m_objectsInUse > m_threshold) {
        ReleaseChunk(index);
        ChooseCurrentChunk();
    }
    return true;
}

void BlockMemory::Reset() {
    SortChunks();
    while (m_chunkCount > 1) ReleaseChunk(m_chunkCount - 1);
    m_objectsInUse = 0;
    if (m_chunkCount == 1) {
        Chunk* chunk = m_table[0];
        for (int32_t w = 0; w < m_bitWordsPerChunk; ++w) chunk->bits[w] = 0xFFFFFFFFu;
        chunk->used = 0;
        chunk->topWord = m_bitWordsPerChunk - 1;
        m_current = chunk;
    } else {
        m_current = nullptr;
    }
}

void BlockMemory::FreeAll() {
    while (m_chunkCount > 0) ReleaseChunk(m_chunkCount - 1);
    Vek::Alloc::Delete(m_table);
    m_table = nullptr;
    m_chunkCount = 0;
    m_tableCapacity = 0;
    m_current = nullptr;
    m_threshold = 0;
    m_objectsPerChunk = 0;
    m_bitWordsPerChunk = 0;
    m_objectSize = 0;
    m_alignment = 0;
    m_objectsInUse = 0;
    m_sorted = true;
}

}  // namespace Utils

#pragma once
// Utils::FrameMemory: a page-chained bump allocator. Allocations are carved
// out of fixed-size pages one after the other; nothing is freed on its own,
// everything goes at once with FreeAll. Pages come from the engine allocator.
// Not thread-safe: a pool belongs to one owner.
#include <cstddef>
#include <cstdint>

namespace Utils {

class FrameMemory {
public:
    // A page is one block: this header, then the page-size data bytes.
    struct Page {
        char* data;    // the bytes right behind the header
        int32_t used;  // bytes of data handed out (alignment slack included)
        Page* next;
    };

    static constexpr int32_t kDefaultPageSize = 2048;

    // Page size 2048 and a first page. When that page cannot be allocated,
    // every allocation fails.
    FrameMemory();
    virtual ~FrameMemory();
    FrameMemory(const FrameMemory&) = delete;
    FrameMemory& operator=(const FrameMemory&) = delete;

    // Releases every page, then starts again with pages of `pageSize` data
    // bytes and a first page of that size. False (and no page) when the size
    // is not positive or the page cannot be allocated.
    bool Init(int32_t pageSize);

    // Returns n bytes aligned to `alignment` (a power of two), or null. The
    // request is charged n + alignment - 1 bytes; a request whose charge
    // exceeds the page size always fails. When the current page has no room
    // left, allocation moves on to the next page (made on demand) and the
    // rest of the old page stays unused.
    void* Alloc(std::size_t n, std::size_t alignment);

    // A copy of a NUL-terminated text in the pool, or null for a null text
    // or when the allocation fails.
    char* StrDup(const char* text);

    // Releases every page. Every field becomes 0, the page size included, so
    // later allocations fail until Init gives the pool a page again.
    void FreeAll();

    int32_t BytesTaken() const { return m_bytesTaken; }
    int32_t AllocationCount() const { return m_allocationCount; }
    int32_t PageSize() const { return m_pageSize; }

private:
    Page* NewPage() const;

    Page* m_firstPage = nullptr;
    Page* m_currentPage = nullptr;
    int32_t m_bytesTaken = 0;
    int32_t m_allocationCount = 0;
    int32_t m_pageSize = 0;
};

}  // namespace Utils

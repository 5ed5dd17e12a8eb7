#include "foundation/containers/FrameMemory.h"

#include <cstring>

#include "engine/Alloc.h"

namespace Utils {

FrameMemory::FrameMemory() { Init(kDefaultPageSize); }

FrameMemory::~FrameMemory() { FreeAll(); }

FrameMemory::Page* FrameMemory::NewPage() const {
    void* block = Vek::Alloc::New(sizeof(Page) + static_cast<std::size_t>(m_pageSize));
    if (!block) return nullptr;
    Page* page = static_cast<Page*>(block);
    page->data = reinterpret_cast<char*>(page + 1);
    page->used = 0;
    page->next = nullptr;
    return page;
}

bool FrameMemory::Init(int32_t pageSize) {
    FreeAll();
    if (pageSize <= 0) return false;
    m_pageSize = pageSize;
    m_firstPage = NewPage();
    m_currentPage = m_firstPage;
    return m_firstPage != nullptr;
}

void* FrameMemory::Alloc(std::size_t n, std::size_t alignment) {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0) return nullptr;
    if (!m_currentPage) return nullptr;
    const std::size_t pageSize = static_cast<std::size_t>(m_pageSize);
    // Tested in two steps so that a huge n cannot wrap the charge around.
    if (n > pageSize || alignment - 1 > pageSize - n) return nullptr;
    const std::size_t charge = n + alignment - 1;

    while (static_cast<std::size_t>(m_currentPage->used) + charge > pageSize) {
        if (!m_currentPage->next) {
            Page* page = NewPage();
            if (!page) return nullptr;
            m_currentPage->next = page;
        }
        m_currentPage = m_currentPage->next;
    }

    const uintptr_t start = reinterpret_cast<uintptr_t>(m_currentPage->data) +
                            static_cast<uintptr_t>(m_currentPage->used) + alignment - 1;
    void* result = reinterpret_cast<void*>(start & ~static_cast<uintptr_t>(alignment - 1));
    m_currentPage->used += static_cast<int32_t>(charge);
    m_bytesTaken += static_cast<int32_t>(charge);
    m_allocationCount += 1;
    return result;
}

char* FrameMemory::StrDup(const char* text) {
    if (!text) return nullptr;
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(Alloc(size, 1));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

void FrameMemory::FreeAll() {
    Page* page = m_firstPage;
    while (page) {
        Page* next = page->next;
        Vek::Alloc::Delete(page);
        page = next;
    }
    m_firstPage = nullptr;
    m_currentPage = nullptr;
    m_bytesTaken = 0;
    m_allocationCount = 0;
    m_pageSize = 0;
}

}  // namespace Utils

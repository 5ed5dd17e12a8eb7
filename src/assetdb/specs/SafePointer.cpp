#include "assetdb/specs/SafePointer.h"

#include <mutex>

namespace {

// Guards every ring: a ring's links and count, and each pointer's target.
std::mutex& RingLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

SafePointerRing::SafePointerRing() {
    m_next = this;
    m_prev = this;
}

SafePointerRing::~SafePointerRing() { NullAll(); }

void SafePointerRing::NullAll() {
    std::lock_guard<std::mutex> hold(RingLock());
    while (m_next != this) {
        auto* pointer = static_cast<SafePointerBase*>(m_next);
        m_next = pointer->m_next;
        pointer->m_next = nullptr;
        pointer->m_prev = nullptr;
        pointer->m_ring = nullptr;
        pointer->m_target = nullptr;
    }
    m_prev = this;
    m_count = 0;
}

std::size_t SafePointerRing::Count() const {
    std::lock_guard<std::mutex> hold(RingLock());
    return m_count;
}

void SafePointerRing::Join(SafePointerBase* pointer) {
    pointer->m_ring = this;
    pointer->m_prev = m_prev;
    pointer->m_next = this;
    m_prev->m_next = pointer;
    m_prev = pointer;
    ++m_count;
}

void SafePointerRing::Leave(SafePointerBase* pointer) {
    SafePointerRing* ring = pointer->m_ring;
    if (!ring) return;
    pointer->m_prev->m_next = pointer->m_next;
    pointer->m_next->m_prev = pointer->m_prev;
    pointer->m_next = nullptr;
    pointer->m_prev = nullptr;
    pointer->m_ring = nullptr;
    pointer->m_target = nullptr;
    --ring->m_count;
}

void SafePointerBase::Point(SafePointerRing* ring, void* target) {
    std::lock_guard<std::mutex> hold(RingLock());
    SafePointerRing::Leave(this);
    if (ring && target) {
        ring->Join(this);
        m_target = target;
    }
}

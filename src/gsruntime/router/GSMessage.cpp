#include "gsruntime/router/GSMessage.h"

#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define GS_MESSAGE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GS_MESSAGE_POOL 0
#endif
#endif
#ifndef GS_MESSAGE_POOL
#define GS_MESSAGE_POOL 1
#endif

namespace GSRuntime {

namespace {

#if GS_MESSAGE_POOL
// The memory of dropped messages of this thread: a list linked through the
// blocks' first word. It holds nothing that needs a destructor, so messages
// released while the thread's objects are destroyed still find it; what it
// holds when a thread ends stays allocated (at most kPoolLimit blocks).
struct FreeBlock {
    FreeBlock* next;
};

thread_local FreeBlock* t_freeBlocks = nullptr;
thread_local std::size_t t_freeCount = 0;
#endif

}  // namespace

void* GSMessage::operator new(std::size_t size) {
#if GS_MESSAGE_POOL
    if (size == sizeof(GSMessage) && t_freeBlocks) {
        FreeBlock* block = t_freeBlocks;
        t_freeBlocks = block->next;
        t_freeCount -= 1;
        return block;
    }
#endif
    return ::operator new(size);
}

void GSMessage::operator delete(void* block, std::size_t size) noexcept {
#if GS_MESSAGE_POOL
    if (block && size == sizeof(GSMessage) && t_freeCount < kPoolLimit) {
        t_freeBlocks = new (block) FreeBlock{t_freeBlocks};
        t_freeCount += 1;
        return;
    }
#endif
    ::operator delete(block);
}

void GSMessage::Init(uint32_t delay, uint16_t majorId, uint16_t minorId, int32_t sourceId, int32_t destinationId) {
    major = majorId;
    minor = minorId;
    source = sourceId;
    destination = destinationId;
    timeWord = (delay & kTimeMask) | kInitBit;
}

GSMessage* GSMessage::Clone() const {
    GSMessage* copy = Create();
    copy->major = major;
    copy->minor = minor;
    copy->source = source;
    copy->destination = destination;
    copy->timeWord = timeWord;
    copy->parameter = parameter;
    return copy;
}

}  // namespace GSRuntime

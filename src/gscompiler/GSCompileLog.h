#pragma once
// GSCompileLog: the messages of one compile, in the order they were added.
// The texts are copied into the log's own arena.
#include <cstdint>

#include "foundation/containers/FrameMemory.h"
#include "foundation/containers/Queue.h"

class GSCompileLog {
public:
    // The queue of text pointers starts empty and grows by this many.
    static constexpr int32_t kGrowthStep = 128;

    GSCompileLog() : m_texts(kGrowthStep) {}
    GSCompileLog(const GSCompileLog&) = delete;
    GSCompileLog& operator=(const GSCompileLog&) = delete;

    // Copies the text (with its NUL) and appends it; false, and the message
    // is dropped, when the arena or the queue cannot grow (a text longer
    // than an arena page cannot be kept).
    bool Add(const char* text);

    int32_t Count() const { return m_texts.Count(); }
    // The i-th message, oldest first.
    const char* At(int32_t i) const { return m_texts.At(i); }

private:
    Utils::FrameMemory m_arena;
    Utils::Queue<char*, 1> m_texts;
};

#pragma once
// Runs a function on a thread of its own whose stack is `bytes` large, and
// waits for it: a reader that recursed once per nesting level would run out
// of so small a stack on input nested a thousand deep.
#include <pthread.h>

#include <functional>

namespace VorlexTest {

inline bool RunOnSmallStack(const std::function<void()>& work, std::size_t bytes = 64 * 1024) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    const bool sized = pthread_attr_setstacksize(&attributes, bytes) == 0;
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    const bool started =
        sized && pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attributes);
    return started && pthread_join(thread, nullptr) == 0;
}

}  // namespace VorlexTest

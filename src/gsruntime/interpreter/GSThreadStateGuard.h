#pragma once
// GSThreadStateGuard: keeps a thread's own frames apart while a nested run
// uses the same thread. Construction saves the thread's current frame,
// stack pointer, state and resume offset and detaches its frames
// (GSThread::SaveState); destruction puts them back (GSThread::RestoreState)
// on every way out of the scope.
#include "gsruntime/GSThreadServices.h"
#include "gsruntime/interpreter/GSThread.h"

namespace GSRuntime {

class GSThreadStateGuard {
public:
    explicit GSThreadStateGuard(GSThread& thread) : m_thread(thread) { m_thread.SaveState(m_saved); }
    ~GSThreadStateGuard() { m_thread.RestoreState(m_saved); }
    GSThreadStateGuard(const GSThreadStateGuard&) = delete;
    GSThreadStateGuard& operator=(const GSThreadStateGuard&) = delete;

private:
    GSThread& m_thread;
    GSSavedThreadState m_saved;
};

}  // namespace GSRuntime

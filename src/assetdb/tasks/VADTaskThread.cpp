#include "assetdb/tasks/VADTaskThread.h"

#include <sys/statvfs.h>

#include "assetdb/tasks/VADTask.h"
#include "engine/File.h"

VADTaskThread::~VADTaskThread() {
    RequestStop();
    WaitForEnd();
}

uint32_t VADTaskThread::ThreadProc(void* argument) {
    VADTaskThread* self = static_cast<VADTaskThread*>(argument);
    if (!self->StopRequested()) {
        self->m_runningThreadId = Vek::Thread::GetCurrentId();
        self->Run();
        self->m_runningThreadId = 0;
    }
    if (VADTask* observer = self->m_observer) {
        observer->OnFinished();
        observer->m_running = false;
    }
    return 0;
}

bool VADTaskThread::Start(VADTask* observer) {
    if (m_thread) return false;
    m_observer = observer;
    m_thread = std::make_unique<Vek::Thread>(ThreadProc, this);
    if (!m_thread->StartedOk()) {
        m_thread.reset();
        return false;
    }
    if (observer) {
        observer->m_running = true;
        observer->m_runningThread = this;
    }
    m_thread->Resume();
    return true;
}

int32_t VADTaskThread::RunInline(VADTask* observer) {
    m_observer = observer;
    m_runningThreadId = Vek::Thread::GetCurrentId();
    Run();
    return 0;
}

void VADTaskThread::WaitForEnd() {
    if (m_thread) m_thread->Wait();
}

bool VADTaskThread::HasDiskSpace(const char* folder) {
    const std::string path = Vek::File::ResolveOsPath(folder ? folder : "");
    struct statvfs volume {};
    if (path.empty() || ::statvfs(path.c_str(), &volume) != 0) return false;
    return IsEnoughDiskSpace(static_cast<uint64_t>(volume.f_bavail) * static_cast<uint64_t>(volume.f_frsize));
}

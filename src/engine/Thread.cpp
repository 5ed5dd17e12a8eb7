#include "engine/Thread.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace Vek {

Thread::Thread(Procedure procedure, void* argument) : m_procedure(procedure), m_argument(argument) { Start(); }

Thread::Thread() { Start(); }

void Thread::Start() {
    try {
        m_thread = std::thread([this] { Body(); });
        m_started = true;
    } catch (...) {
        m_started = false;
    }
}

Thread::~Thread() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(m_gateMutex);
        if (!m_resumed) m_cancelled = true;
    }
    m_gate.notify_all();
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

void Thread::Resume() {
    {
        std::lock_guard<std::mutex> guard(m_gateMutex);
        if (m_resumed) return;
        m_resumed = true;
        m_running = true;
    }
    m_gate.notify_all();
}

void Thread::Body() {
    {
        std::unique_lock<std::mutex> lock(m_gateMutex);
        m_gate.wait(lock, [this] { return m_resumed || m_cancelled; });
        if (m_cancelled && !m_resumed) return;
    }
    m_id = GetCurrentId();
    uint32_t code = Run();
    m_exitCode = code;
    {
        std::lock_guard<std::mutex> guard(m_doneMutex);
        m_running = false;
        m_finished = true;
    }
    m_done.notify_all();
}

uint32_t Thread::Run() { return m_procedure ? m_procedure(m_argument) : 0; }

bool Thread::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_doneMutex);
    auto ended = [this] { return m_finished.load() || !m_started; };
    if (timeoutMs == 0xFFFFFFFFu) {
        m_done.wait(lock, ended);
        return true;
    }
    return m_done.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended);
}

uint64_t Thread::GetCurrentId() { return static_cast<uint64_t>(::syscall(SYS_gettid)); }

bool Thread::IsProcessAlive(int processId) {
    if (processId <= 0) return false;
    if (::kill(processId, 0) == 0) return true;
    return errno == EPERM;
}

}  // namespace Vek

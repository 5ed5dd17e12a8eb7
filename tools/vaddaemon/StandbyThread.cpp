#include "vaddaemon/StandbyThread.h"

#include <utility>

StandbyThread::StandbyThread() : m_thread([this] { Sleep(); }) {}

StandbyThread::~StandbyThread() { Join(); }

void StandbyThread::Start(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_given || m_released) return;
        m_work = std::move(work);
        m_given = true;
    }
    m_wake.notify_one();
}

void StandbyThread::Join() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_given) m_released = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

void StandbyThread::Sleep() {
    std::function<void()> work;
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_wake.wait(hold, [this] { return m_given || m_released; });
        if (!m_given) return;
        work = std::move(m_work);
    }
    work();
}

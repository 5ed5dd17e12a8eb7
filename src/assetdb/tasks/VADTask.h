#pragma once
// VADTask: an observable result log for a long database job that the daemon
// carries out (the repair). It receives the job's log lines, progress,
// status texts and its end. The hooks do nothing here; an observer that
// wants them overrides them.
#include <atomic>

#include "engine/AnsiString.h"
#include "foundation/results/ResultsLog.h"

class VADTaskThread;

class VADTask : public ResultsLog {
public:
    VADTask() = default;
    // Takes the log out of the daemon link's log registrations first (the
    // daemon may still send lines for a job that registered it with
    // keep-log). When a thread runs the job: asks it to cancel, waits until
    // it has ended and deletes it.
    ~VADTask() override;

    virtual void OnProgress(float progress);
    virtual void OnStatusText(const Vek::String& text);
    virtual void OnFinished();

    // Set by the destructor while a thread runs the job; the job stops at
    // its next check.
    bool IsCancelRequested() const { return m_cancelRequested.load(); }
    void RequestCancel() { m_cancelRequested = true; }
    // Cleared when a thread that ran the job finishes.
    bool IsRunning() const { return m_running.load(); }

private:
    friend class VADTaskThread;

    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_running{false};
    VADTaskThread* m_runningThread = nullptr;
};

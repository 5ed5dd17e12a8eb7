#pragma once
// The database repair, carried out by the daemon and watched from here.
// Modes: 20 ("base"), 50 ("patcher"), 100 (no argument), 150 ("extended").
// At most one repair task is registered at a time.
#include <atomic>
#include <cstdint>

#include "assetdb/tasks/VADTaskThread.h"

class VADTaskRepairDatabase : public VADTaskThread {
public:
    // Keeps the mode and the log (may be null) and registers this task when
    // none is registered.
    VADTaskRepairDatabase(int32_t mode, VADTask* log);
    // Stops a running job, then clears the registration when it is this.
    ~VADTaskRepairDatabase() override;

    int32_t GetMode() const { return m_mode; }
    // Whether the last run's start request (operation 3) got its reply;
    // false before a run, for a duplicate, and when the link was down.
    bool Started() const { return m_started; }

protected:
    // Not the registered task: reports the text "$vadtask_repair_err_duplicate"
    // to the observer and returns. Otherwise sends operation 3 (payload:
    // int32 mode) with the construction log, or else the observer, kept
    // registered for the daemon's later log lines; waits 1000 ms; then asks
    // operation 4 (reply: byte running; float progress; string status
    // text) and while it answers running, gives the text and the progress to
    // the observer, waits 250 ms and asks again, unless the observer or
    // this task is asked to stop. Then clears the registration.
    void Run() override;

private:
    int32_t m_mode;
    VADTask* m_log;
    std::atomic<bool> m_started{false};
};

// Whether a repair task is registered.
bool IsRepairRunning();

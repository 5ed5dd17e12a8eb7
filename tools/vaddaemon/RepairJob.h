#pragma once
// The database repair (operation 3 starts it, operation 4 asks how far it
// is). It runs on a thread of its own and brings the store and the asset
// folders back in step, one item at a time:
//   - a record whose folders are gone loses the flags of what is missing,
//     and goes when nothing is left (warnings);
//   - a folder in "local" or "editing" that the store does not know is
//     taken up when its configuration names an asset whose folder name it
//     has (information), else reported and left alone (error);
//   - a working copy in "editing" of an asset that is not open for editing
//     makes it open for editing again, so no edit is lost (information);
//   - mode 150 (extended) also reads every committed configuration again:
//     the facts are refreshed, and an unreadable one marks the asset faulty
//     (error).
// Before the items, every mode opens the store again when it is not open
// and runs SQLite's integrity check. A store that fails it is replaced: a
// new one is made beside it with the settings soups that can still be read
// (SettingsSalvage.h), the damaged one is then kept aside as
// "<file>.damaged", and the folders of "local" and "editing" are taken up
// into the new one by the steps above. A store that passes is never set
// aside: one that still does not open (a full disk) ends the repair with
// the reason. Then the changes a kill interrupted are finished or undone
// (InterruptedChanges.h), each with a message.
// Modes 20, 50 and 100 do the first three. Any other mode is refused with
// an error line. Messages go to the sink as they come, as log lines of the
// transaction that started the repair.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class AssetLibrary;
class ResultsLog;

class RepairJob {
public:
    // Receives a log holding the entries of one message.
    using Sink = std::function<void(ResultsLog&)>;

    struct Progress {
        bool running = false;
        float fraction = 0.0f;
        std::string status;
    };

    // `stepDelayMs` is waited after each item (tests slow the repair down
    // with it to watch it run); Stop cuts the wait short.
    RepairJob(AssetLibrary& library, uint32_t stepDelayMs);
    ~RepairJob();
    RepairJob(const RepairJob&) = delete;
    RepairJob& operator=(const RepairJob&) = delete;

    // Starts a repair; false, with a message to the sink, when one is
    // running or the mode is unknown.
    bool Start(int32_t mode, Sink sink);
    Progress GetProgress();
    bool IsRunning();
    // Ends a running repair at its next item and waits for it.
    void Stop();

private:
    void Run(int32_t mode, Sink sink);
    // Opens the store again when needed and runs SQLite's integrity check; a
    // damaged store is made again (AssetLibrary::RebuildStoreLocked), with a
    // message of what was kept and lost; interrupted changes are settled.
    // False when no usable store could be had.
    bool MakeStoreUsable(const Sink& sink);
    void SetProgress(float fraction, const std::string& status);
    bool Stopping();

    AssetLibrary& m_library;
    uint32_t m_stepDelayMs;
    std::mutex m_lock;
    std::thread m_thread;
    Progress m_progress;
    // Set by Stop; wakes the wait between items.
    bool m_stop = false;
    std::condition_variable m_wake;
};

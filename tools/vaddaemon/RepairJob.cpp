#include "vaddaemon/RepairJob.h"

#include <strings.h>

#include <chrono>
#include <vector>

#include "engine/File.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "vaddaemon/AssetConfigFacts.h"
#include "vaddaemon/AssetLibrary.h"

namespace {

constexpr int32_t kSeverityInformation = 1;
constexpr int32_t kSeverityWarning = 2;
constexpr int32_t kSeverityError = 3;
constexpr int32_t kModeExtended = 150;

bool KnownMode(int32_t mode) { return mode == 20 || mode == 50 || mode == 100 || mode == kModeExtended; }

void Add(ResultsLog& log, int32_t severity, const KUID& kuid, const std::string& text) {
    PropertyRef property;
    if (!kuid.IsNull()) property.Attach(new VorlexPropertyAssetID("AssetID", kuid));
    log.AddEntry(severity, property, Vek::String(text.c_str()), nullptr);
}

void Tell(const RepairJob::Sink& sink, int32_t severity, const KUID& kuid, const std::string& text) {
    ResultsLog log;
    Add(log, severity, kuid, text);
    sink(log);
}

// The sub-folders of a location's folder, by name.
std::vector<std::string> SubFolders(const char* location) {
    std::vector<std::string> names;
    Vek::File::Path pattern(AssetLibrary::LocationFolder(location));
    if (pattern.IsEmpty()) return names;
    pattern.AddPath("*");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str())) return names;
    do {
        const std::string name = find.GetName();
        if (name != "." && name != ".." && find.IsDirectory()) names.push_back(name);
    } while (find.Next());
    return names;
}

struct Item {
    enum Kind { kRecord, kFolder } kind = kRecord;
    KUID kuid;
    const char* location = nullptr;
    std::string folder;
};

// One repair step, run with the library's lock held. Its messages are
// collected and sent after the lock is given up, so a slow client never
// holds up the other users of the library.
class RepairStep {
public:
    RepairStep(AssetStore& store, ResultsLog& messages, bool extended)
        : m_store(store), m_messages(messages), m_extended(extended) {}

    void CheckRecord(const KUID& kuid) {
        AssetRecord record;
        if (!m_store.Find(kuid, record)) return;
        const bool committed = Vek::File::IsDirectory(AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid).c_str());
        const bool working = Vek::File::IsDirectory(AssetLibrary::AssetFolder(AssetLibrary::kEditing, kuid).c_str());
        AssetRecord updated = record;
        if (record.installed && !committed) {
            updated.installed = false;
            Note(kSeverityWarning, kuid, "The committed copy of the asset is missing.");
        }
        if (record.editing && !working) {
            updated.editing = false;
            Note(kSeverityWarning, kuid, "The edited copy of the asset is missing; it is no longer open for editing.");
        }
        if (!updated.installed && !updated.editing) {
            if (m_store.Remove(kuid))
                Note(kSeverityWarning, kuid, "The asset has no folder left and was removed from the database.");
            else
                Note(kSeverityError, kuid, m_store.UpdateFailureText());
            return;
        }
        if (m_extended && updated.installed) {
            SoupHandle config;
            if (LoadAssetConfig(AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid), config)) {
                updated.faulty = false;
                ReadConfigFacts(config, updated);
            } else {
                updated.faulty = true;
                Note(kSeverityError, kuid, "The committed configuration of the asset cannot be read.");
            }
        }
        if (!SameRecord(record, updated) && !m_store.Put(updated))
            Note(kSeverityError, kuid, m_store.UpdateFailureText());
    }

    void CheckFolder(const char* location, const std::string& folder) {
        const bool isEditing = std::string(location) == AssetLibrary::kEditing;
        Vek::File::Path path(AssetLibrary::LocationFolder(location));
        path.AddPath(folder.c_str());
        SoupHandle config;
        const KUID kuid = LoadAssetConfig(path.Str(), config) ? ConfigKuid(config) : KUID::Null();
        if (kuid.IsNull() || !kuid.IsValid() || strcasecmp(KUID::ToFolderName(kuid).c_str(), folder.c_str()) != 0) {
            // A record's own folder is left to the record's check.
            if (AccountedFor(isEditing, folder)) return;
            Note(kSeverityError, KUID::Null(),
                 "The folder '" + folder + "' in the location '" + location +
                     "' holds no asset that the database can take up.");
            return;
        }
        AssetRecord record;
        const bool known = m_store.Find(kuid, record);
        if (known && (isEditing ? record.editing : record.installed)) return;
        if (!known) {
            record = AssetRecord();
            record.kuid = kuid;
            record.modified = isEditing;
        }
        if (isEditing) {
            record.editing = true;
        } else {
            record.installed = true;
            ReadConfigFacts(config, record);
        }
        if (!m_store.Put(record)) {
            Note(kSeverityError, kuid, m_store.UpdateFailureText());
            return;
        }
        if (!known)
            Note(kSeverityInformation, kuid, "The asset's folder was taken up into the database.");
        else
            Note(kSeverityInformation, kuid, "The edited copy of the asset was taken up again; it is open for editing.");
    }

private:
    bool AccountedFor(bool isEditing, const std::string& folder) {
        for (const KUID& kuid : m_store.AllAssets()) {
            if (strcasecmp(KUID::ToFolderName(kuid).c_str(), folder.c_str()) != 0) continue;
            AssetRecord record;
            if (m_store.Find(kuid, record) && (isEditing ? record.editing : record.installed)) return true;
        }
        return false;
    }

    static bool SameRecord(const AssetRecord& a, const AssetRecord& b) {
        return a.installed == b.installed && a.editing == b.editing && a.faulty == b.faulty && a.name == b.name &&
               a.description == b.description && a.categoryClass == b.categoryClass &&
               a.categoryRegion == b.categoryRegion && a.categoryEra == b.categoryEra && a.build == b.build &&
               a.dependencies == b.dependencies && a.obsoletes == b.obsoletes;
    }

    void Note(int32_t severity, const KUID& kuid, const std::string& text) { Add(m_messages, severity, kuid, text); }

    AssetStore& m_store;
    ResultsLog& m_messages;
    bool m_extended;
};

}  // namespace

RepairJob::RepairJob(AssetLibrary& library, uint32_t stepDelayMs) : m_library(library), m_stepDelayMs(stepDelayMs) {}

RepairJob::~RepairJob() { Stop(); }

bool RepairJob::Start(int32_t mode, Sink sink) {
    if (!KnownMode(mode)) {
        Tell(sink, kSeverityError, KUID::Null(), "Unknown repair mode " + std::to_string(mode) + ".");
        return false;
    }
    std::thread finished;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_progress.running) {
            // The thread of the repair before has given its last report and
            // ends without the lock.
            finished = std::move(m_thread);
            if (finished.joinable()) finished.join();
            m_stop = false;
            m_progress = Progress{true, 0.0f, "Starting"};
            m_thread = std::thread([this, mode, sink] { Run(mode, sink); });
            return true;
        }
    }
    Tell(sink, kSeverityError, KUID::Null(), "A repair of the asset database is running already.");
    return false;
}

bool RepairJob::MakeStoreUsable(const Sink& sink) {
    SetProgress(0.0f, "Checking the database file");
    std::string openError;
    std::string finding;
    AssetLibrary::RebuildReport report;
    std::string error;
    std::vector<ChangeNote> changes;
    {
        std::lock_guard<std::mutex> hold(m_library.Mutex());
        const bool open = m_library.ReopenLocked(openError);
        if (!m_library.StoreDamagedLocked(finding)) {
            if (!open) {
                // Not damaged: whatever keeps it from opening (a full disk, a
                // later layout) is not mended by setting it aside.
                Tell(sink, kSeverityError, KUID::Null(),
                     "The asset database cannot be opened: " + openError +
                         ". Its integrity check passes, so it is kept as it is.");
                return false;
            }
            changes = m_library.FinishInterruptedChangesLocked();
        } else if (!m_library.RebuildStoreLocked(report, error)) {
            Tell(sink, kSeverityError, KUID::Null(),
                 "The asset database is damaged (" + finding + ") and no new one could be made: " + error +
                     ". The damaged one is kept as it is.");
            return false;
        }
    }
    for (const ChangeNote& change : changes)
        Tell(sink, change.done ? kSeverityInformation : kSeverityError, change.kuid, change.text);
    if (report.damagedPath.empty()) return true;
    const std::string lost = report.unreadable   ? std::string("unreadable")
                             : report.incomplete ? "at least " + std::to_string(report.lost)
                                                 : std::to_string(report.lost);
    Tell(sink, kSeverityWarning, KUID::Null(),
         "The asset database was damaged (" + finding + "); it was kept as " + report.damagedPath +
             " and a new one was made. Settings kept: " + std::to_string(report.kept) + ", lost: " + lost +
             ". The assets are taken up again from their folders.");
    return true;
}

RepairJob::Progress RepairJob::GetProgress() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_progress;
}

bool RepairJob::IsRunning() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_progress.running;
}

void RepairJob::Stop() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stop = true;
        thread = std::move(m_thread);
    }
    m_wake.notify_all();
    if (thread.joinable()) thread.join();
}

bool RepairJob::Stopping() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stop;
}

void RepairJob::SetProgress(float fraction, const std::string& status) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_progress.fraction = fraction;
    m_progress.status = status;
}

void RepairJob::Run(int32_t mode, Sink sink) {
    if (!MakeStoreUsable(sink)) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_progress = Progress{false, 1.0f, "Failed"};
        return;
    }
    std::vector<Item> items;
    {
        std::lock_guard<std::mutex> hold(m_library.Mutex());
        for (const KUID& kuid : m_library.Store().AllAssets()) items.push_back(Item{Item::kRecord, kuid, nullptr, {}});
    }
    for (const char* location : {AssetLibrary::kLocal, AssetLibrary::kEditing})
        for (const std::string& folder : SubFolders(location))
            items.push_back(Item{Item::kFolder, KUID::Null(), location, folder});

    std::size_t done = 0;
    for (const Item& item : items) {
        if (Stopping()) break;
        SetProgress(static_cast<float>(done) / static_cast<float>(items.size()),
                    item.kind == Item::kRecord ? std::string("Checking ") + item.kuid.ToTagString().c_str()
                                               : "Checking " + std::string(item.location) + "\\" + item.folder);
        ResultsLog messages;
        {
            std::lock_guard<std::mutex> hold(m_library.Mutex());
            RepairStep step(m_library.Store(), messages, mode == kModeExtended);
            if (item.kind == Item::kRecord)
                step.CheckRecord(item.kuid);
            else
                step.CheckFolder(item.location, item.folder);
        }
        if (messages.GetEntryCount() > 0) sink(messages);
        ++done;
        if (m_stepDelayMs) {
            std::unique_lock<std::mutex> hold(m_lock);
            m_wake.wait_for(hold, std::chrono::milliseconds(m_stepDelayMs), [this] { return m_stop; });
        }
    }
    const bool stopped = Stopping();
    if (!stopped)
        Tell(sink, kSeverityInformation, KUID::Null(),
             "The asset database was checked (" + std::to_string(items.size()) + " items).");
    std::lock_guard<std::mutex> hold(m_lock);
    m_progress = Progress{false, 1.0f, stopped ? "Stopped" : "Finished"};
}

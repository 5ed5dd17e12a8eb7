#pragma once
// VADAssetHandle: the client's counted reference to an asset that the
// daemon holds open (for reading or editing). Copies share one record; the
// last release closes the daemon's handle (operation 31). A handle is used
// by one thread at a time.
#include <atomic>
#include <cstdint>

#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"

class ResultsLog;

// What every copy of one handle shares.
struct VADAssetHandleRecord {
    std::atomic<int32_t> references{1};
    int64_t daemonHandle = -1;
    KUID asset;
    Vek::PString location;
    // A folder inside the location.
    Vek::File::Path folder;
    bool folderKnown = false;
};

class VADAssetHandle {
public:
    // The empty handle: no record, edit 0.
    VADAssetHandle() = default;
    // Adopts a new record (which holds its one reference).
    VADAssetHandle(VADAssetHandleRecord* record, bool edit) : m_record(record), m_edit(edit) {}
    VADAssetHandle(const VADAssetHandle& other);
    VADAssetHandle(VADAssetHandle&& other) noexcept;
    // Takes a reference to the other record, releases its own, copies the
    // edit flag.
    VADAssetHandle& operator=(const VADAssetHandle& other);
    VADAssetHandle& operator=(VADAssetHandle&& other) noexcept;
    ~VADAssetHandle() { Release(); }

    bool IsValid() const { return m_record != nullptr; }
    // Drops this handle's reference; the last one sends operation 31 with
    // the daemon handle (reply ignored) and frees the record. The handle is
    // empty afterwards.
    void Release();

    // The location name and folder of the asset. Without a record: false
    // and both empty. The first time, operation 32 (payload: int64 handle;
    // reply: interned string location name, string folder) fills the
    // record. True when the folder is known and not empty.
    bool GetLocation(Vek::PString& location, Vek::File::Path& folder);

    bool IsEditable() const { return m_edit; }
    void ClearEditFlag() { m_edit = false; }
    int64_t GetDaemonHandle() const { return m_record ? m_record->daemonHandle : -1; }
    KUID GetKUID() const { return m_record ? m_record->asset : KUID(); }
    VADAssetHandleRecord* GetRecord() const { return m_record; }

private:
    VADAssetHandleRecord* m_record = nullptr;
    bool m_edit = false;
};

// Operation 30, with the log. Payload: KUID; byte edit. Reply: int64
// handle; interned string location name; string folder. A handle of -1
// (or a failed or empty reply) gives the empty handle; otherwise the record
// holds the asked KUID, the location and folder (folder known), and the
// handle's edit flag is the one given.
VADAssetHandle VADOpenAsset(const KUID& asset, bool edit, ResultsLog* log);

// Operation 35. Payload: KUID (the null KUID asks for a new one); byte
// flag; string name. Reply: int64 handle; KUID; interned string location
// name; string folder. A handle of -1 gives the empty handle; otherwise the
// record takes the KUID of the reply and the handle is for editing. The
// daemon's reason for a refusal (no KUID could be made) arrives in `log`
// when one is given.
VADAssetHandle VADCreateAsset(const KUID& asset, uint8_t flag, const Vek::String& name, ResultsLog* log = nullptr);

// Operation 31: closes the daemon's handle; the reply is ignored.
void VADCloseAssetHandle(int64_t daemonHandle);

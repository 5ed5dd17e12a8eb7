#pragma once
// A URL request made through the daemon: the client never fetches a web
// page itself, it asks the daemon to fetch or open a URL and to report on
// it. The record learns the request's status from the start reply, from
// status notices the daemon sends on its own (reader thread), and from
// explicit status requests (operation 232).
//
// A status on the wire, after a handle or as the whole reply of 232:
//   byte finished (a status that ends before it reads as finished);
//   int32 result code, int32 second value, int32 third value (0 missing);
//   string result file (plain form); interned string result text.
//
// A request that can no longer end by itself counts as finished with
// result code 0: one whose start failed (handle -1) and one whose status
// request failed. A request once finished stays finished: a status that
// arrives later (a stale reply overtaken by a notice) does not take it back.
//
// Every field written from a status is guarded by the URL-request lock
// (VADUrlRequestRegistry.h); the lock is not held while a request is on
// its way.
#include <cstdint>

#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/network/URLRecord.h"

class TStream;

// A snapshot of a request's status.
struct VADUrlRequestStatus {
    bool finished = false;
    int32_t resultCode = 0;
    int32_t secondValue = 0;
    int32_t thirdValue = 0;
    Vek::File::Path resultFile;
    Vek::PString resultText;
};

class VADUrlRequest {
public:
    // A record for the daemon's `handle` (-1: the start failed, and the
    // record is finished with result code 0). Not registered.
    VADUrlRequest(int64_t handle, const URLRecord& url);
    // Releases the request first.
    ~VADUrlRequest();
    VADUrlRequest(const VADUrlRequest&) = delete;
    VADUrlRequest& operator=(const VADUrlRequest&) = delete;

    // One-way operation 231 with the handle (also for -1), removal from the
    // registry, and the result text dropped. Once only.
    void Release();

    // The status: from the record when it is finished; otherwise after
    // asking operation 232 (the lock released meanwhile).
    void GetStatus(VADUrlRequestStatus& status);
    // The result code of a snapshot.
    int32_t GetResultCode();
    // The result file and text of a snapshot; true when the file is not
    // empty.
    bool GetResultFile(Vek::File::Path& file, Vek::PString& text);
    // With a status known: whether it is finished, without asking; else
    // from a snapshot (which asks operation 232).
    bool IsComplete();

    // How many statuses have been read for the request (start reply,
    // notices, status replies): a wait that sees it change knows the
    // daemon is still working on it.
    uint32_t GetStatusCount() const;

    int64_t GetHandle() const { return m_handle; }
    const URLRecord& GetUrl() const { return m_url; }

private:
    friend void ReadUrlRequestStatus(TStream& stream, VADUrlRequest& request);
    void Snapshot(VADUrlRequestStatus& status) const;
    void FinishWithoutResult();

    int64_t m_handle = -1;
    bool m_statusKnown = false;
    bool m_finished = false;
    int32_t m_resultCode = 0;
    int32_t m_secondValue = 0;
    int32_t m_thirdValue = 0;
    Vek::File::Path m_resultFile;
    Vek::PString m_resultText;
    URLRecord m_url;
    bool m_released = false;
    uint32_t m_statusCount = 0;
};

// Starts a URL request: operation 230 with the byte 0, the URL's text form
// (interned string), the mode, the int32 -1 and the binary form of no soup.
// Always a registered record; its handle is -1 when the start failed.
// Modes: 2 for a search or sign-in page, 0 for a file download.
VADUrlRequest* VADStartUrlRequest(const URLRecord& url, int32_t mode);

// Reads a status from the stream into the request (under the URL-request
// lock), which then has a known status.
void ReadUrlRequestStatus(TStream& stream, VADUrlRequest& request);

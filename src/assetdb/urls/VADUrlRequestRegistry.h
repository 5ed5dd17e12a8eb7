#pragma once
// The process-wide registry of URL requests, keyed by the daemon's handle,
// and the service switch that lets status notices reach it.
//
// Two failed starts share the key -1: the later registration takes the
// entry over, and a request removes the entry only while it is its own.
#include <cstdint>

#include "engine/Sync.h"

class TStream;
class VADUrlRequest;

// The URL-request lock (recursive): guards the registry and every field of
// a request written from a status.
Vek::CriticalSection& VADUrlRequestLock();

// Enters the request under its handle, and gives it a status kept for it.
void RegisterVADUrlRequest(VADUrlRequest* request);
// Removes the entry of the request's handle when it is this request.
void UnregisterVADUrlRequest(VADUrlRequest* request);
// The request registered under the handle, or null; the caller holds the
// URL-request lock while it uses the answer.
VADUrlRequest* FindVADUrlRequestLocked(int64_t handle);

// Reader thread, notice type 4: with the service on, the status that
// follows the handle in the notice goes to the request of that handle. A
// handle that is not registered yet has its status kept (the last 64 such)
// and given to the request registered under it: the daemon may send the
// status right behind the start's reply, before the requester registers.
void OnUrlRequestStatusNotice(int64_t handle, TStream& stream);

// Whether status notices are accepted: while a service object exists.
bool VADUrlRequestNoticesAccepted();

// Start-up makes one service object and shutdown deletes it.
class VADUrlRequestService {
public:
    VADUrlRequestService();
    ~VADUrlRequestService();
    VADUrlRequestService(const VADUrlRequestService&) = delete;
    VADUrlRequestService& operator=(const VADUrlRequestService&) = delete;
};

#pragma once
// The two streams of one daemon request: the payload is built in `request`
// (a growable buffer), the reply arrives in `reply`. Send rewinds the
// payload, sends it and rewinds the reply for reading; a read that finds
// the reply short takes its default, so a short or empty reply gives the
// caller's defaults.
#include <cstdint>

#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSendRequest.h"
#include "foundation/streams/BufferStream.h"

struct VADRequestBuffers {
    TBuffer request;
    TBuffer reply;

    bool Send(int32_t operation, ResultsLog* log = nullptr, VADPromptHandler* handler = nullptr,
              bool keepLog = false) {
        request.Rewind();
        const bool ok = VADSendRequest(operation, request, reply, handler, log, keepLog);
        reply.Rewind();
        return ok;
    }
    // The same for a request whose reply always has a body: an empty reply
    // is recorded as a failed request (VADRequestFailures.h). The answer is
    // Send's, so the caller's reads still give their defaults.
    bool SendExpectingBody(int32_t operation, ResultsLog* log = nullptr, VADPromptHandler* handler = nullptr) {
        const bool sent = Send(operation, log, handler);
        if (sent && reply.Length() == 0) VADRecordRequestFailure(operation, VADRequestFailure::kEmptyReply);
        return sent;
    }
    // The payload as a one-way message.
    bool Post(int32_t operation) {
        request.Rewind();
        return VADPostMessage(operation, request);
    }
};

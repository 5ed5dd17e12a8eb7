#include "assetdb/client/VADSendRequest.h"

#include <string>
#include <vector>

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "assetdb/requests/VADOperations.h"
#include "foundation/streams/Stream.h"

namespace {

// Payloads are read from their stream and sent in pieces of this size.
constexpr int32_t kPieceBytes = 65536;

// The start of a frame's payload part: the length word and the first
// piece of the payload from the stream's position, read before anything is
// sent. `left` receives the payload bytes that follow the piece. False when
// the stream cannot give them: nothing has gone out then.
bool ReadPayloadHead(TStream& payload, std::vector<uint8_t>& head, int32_t& left) {
    const int32_t start = payload.Tell();
    const int32_t length = payload.Length() - start;
    if (length < 0) return false;
    const int32_t first = length < kPieceBytes ? length : kPieceBytes;
    head.resize(4 + static_cast<std::size_t>(first));
    const uint32_t v = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i) head[static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    if (first > 0 && payload.Read(head.data() + 4, first) != first) return false;
    left = length - first;
    return true;
}

// The payload after its head, sent after the frame's start. The caller
// holds the connection lock. A failed send has torn the link down already;
// a payload that cannot be read whole leaves a partial frame, so the link
// is torn down here too.
bool SendPayloadRest(TStream& payload, int32_t left) {
    std::vector<uint8_t> piece(static_cast<std::size_t>(left < kPieceBytes ? left : kPieceBytes));
    while (left > 0) {
        const int32_t n = left < kPieceBytes ? left : kPieceBytes;
        if (payload.Read(piece.data(), n) != n) {
            DisconnectFromDaemon(false);
            return false;
        }
        if (!VADSendBytes(piece.data(), n)) return false;
        left -= n;
    }
    return true;
}

}  // namespace

bool VADSendRequest(int32_t operation, TStream& request, TStream& reply, VADPromptHandler* handler, ResultsLog* log,
                    bool keepLog) {
    // Failures on the link are recorded (VADRequestFailures.h), except for
    // the requests whose answer is the link's end: the shutdown and the
    // command host's keep-alive.
    const bool recorded = operation != kVADOpShutdownDaemon && operation != kVADOpKeepAlive;
    // A daemon held silent (VADSilentDaemon.h) is not asked again: the
    // request fails at once with the cause of the give-up.
    if (VADDaemonIsSilent()) {
        const std::string cause = VADSilentDaemonCause();
        if (recorded && VADIsDatabaseOpen() && !cause.empty()) VADRecordDaemonMessage(cause);
        return false;
    }
    const auto fail = [&](VADRequestFailure failure) {
        if (failure == VADRequestFailure::kNoReply) VADNoteSilentDaemon(VADRequestFailureMessage(operation, failure));
        if (recorded && VADIsDatabaseOpen()) {
            // A new link whose hello went unanswered: that is the cause.
            if (failure == VADRequestFailure::kNotSent && VADDaemonIsSilent())
                VADRecordDaemonMessage(VADSilentDaemonCause());
            else
                VADRecordRequestFailure(operation, failure);
        }
        return false;
    };

    VADClientTransaction transaction(handler, log, keepLog);
    transaction.Register();
    {
        Vek::SingleLock lock(VADConnectionLock());
        std::vector<uint8_t> head;
        int32_t left = 0;
        if (!ReadPayloadHead(request, head, left) ||
            !VADSendFrameStart(operation, transaction.Id(), head.data(), static_cast<int32_t>(head.size())))
            return fail(VADRequestFailure::kNotSent);
        if (!SendPayloadRest(request, left)) return fail(VADRequestFailure::kLinkLost);
    }

    if (!transaction.WaitForReply())
        return fail(transaction.TimedOut() ? VADRequestFailure::kNoReply : VADRequestFailure::kLinkLost);
    // The reader has taken the body off the link with the reply; a body the
    // reply stream cannot take fails the request (the link is in step).
    const std::vector<uint8_t>& body = transaction.Body();
    const int32_t length = static_cast<int32_t>(body.size());
    return length == 0 || reply.Write(body.data(), length) == length;
}

bool VADPostMessage(int32_t operation, TStream& payload) {
    Vek::SingleLock lock(VADConnectionLock());
    std::vector<uint8_t> head;
    int32_t left = 0;
    return ReadPayloadHead(payload, head, left) &&
           VADSendFrameStart(operation, 0, head.data(), static_cast<int32_t>(head.size())) &&
           SendPayloadRest(payload, left);
}

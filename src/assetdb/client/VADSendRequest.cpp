#include "assetdb/client/VADSendRequest.h"

#include <string>
#include <vector>

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADReceiveThread.h"
#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "assetdb/requests/VADOperations.h"
#include "foundation/network/DaemonTransfer.h"
#include "foundation/streams/Stream.h"

namespace {

// Payloads and bodies move in pieces of this size, so a length word that
// lies costs no memory beyond the bytes that really come.
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

bool ReceiveLengthWord(int32_t& value) {
    uint8_t bytes[4];
    if (!VADReceiveBytes(bytes, 4, true)) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                 static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

// Reads the reply body into `reply`, the connection lock held and the
// socket handed over by the reader. On a failed receive or a length that
// is no length the link is torn down. A body that does not fit into the
// reply stream is still read to its end, so the link stays in step, and
// fails the request.
bool ReceiveReplyBody(TStream& reply, bool& linkUp) {
    linkUp = false;
    int32_t length = 0;
    if (!ReceiveLengthWord(length)) return false;
    if (length < 0 || length > kMaxVADFrameBytes) {
        DisconnectFromDaemon(false);
        return false;
    }
    bool written = true;
    std::vector<uint8_t> piece(static_cast<std::size_t>(length < kPieceBytes ? length : kPieceBytes));
    for (int32_t left = length; left > 0;) {
        const int32_t n = left < kPieceBytes ? left : kPieceBytes;
        if (!VADReceiveBytes(piece.data(), n, true)) return false;
        if (written && reply.Write(piece.data(), n) != n) written = false;
        left -= n;
    }
    linkUp = true;
    return written;
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
    uint64_t link = 0;
    {
        Vek::SingleLock lock(VADConnectionLock());
        std::vector<uint8_t> head;
        int32_t left = 0;
        if (!ReadPayloadHead(request, head, left) ||
            !VADSendFrameStart(operation, transaction.Id(), head.data(), static_cast<int32_t>(head.size())))
            return fail(VADRequestFailure::kNotSent);
        link = VADLinkGeneration();
        if (!SendPayloadRest(request, left)) return fail(VADRequestFailure::kLinkLost);
    }

    if (!transaction.WaitForReply())
        return fail(transaction.TimedOut() ? VADRequestFailure::kNoReply : VADRequestFailure::kLinkLost);

    Vek::SingleLock lock(VADConnectionLock());
    // The link the request went out on has gone (torn down by another
    // thread while this one waited for the lock): the socket, if any, is a
    // new link's, whose reader owns it.
    if (VADLinkGeneration() != link || !GetDaemonTransport()) return fail(VADRequestFailure::kLinkLost);
    bool linkUp = false;
    const bool ok = ReceiveReplyBody(reply, linkUp);
    if (!ok && !linkUp) fail(VADRequestFailure::kLinkLost);
    // The gate is opened while the connection lock is still held: no other
    // link can be made in between, so it is this link's reader that goes on.
    if (linkUp) VADReaderGate().Set();
    return ok;
}

bool VADPostMessage(int32_t operation, TStream& payload) {
    Vek::SingleLock lock(VADConnectionLock());
    std::vector<uint8_t> head;
    int32_t left = 0;
    return ReadPayloadHead(payload, head, left) &&
           VADSendFrameStart(operation, 0, head.data(), static_cast<int32_t>(head.size())) &&
           SendPayloadRest(payload, left);
}

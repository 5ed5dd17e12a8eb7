#include "assetdb/client/VADReceiveThread.h"

#include <new>
#include <vector>

#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADLinkTags.h"
#include "foundation/network/DaemonTransfer.h"
#include "foundation/network/TCPTransport.h"

namespace {

// Payloads are taken in pieces, so a length word that lies costs no more
// memory than the bytes that really come.
constexpr int32_t kPieceBytes = 65536;

bool ReceiveWord(int32_t& value) {
    uint8_t bytes[4];
    if (!ReceiveFromDaemon(bytes, 4)) return false;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    value = static_cast<int32_t>(v);
    return true;
}

// Receives `length` bytes into `payload` (appended).
bool ReceivePayload(int32_t length, std::vector<uint8_t>& payload) {
    if (length < 0 || length > kMaxVADFrameBytes) return false;
    try {
        while (length > 0) {
            int32_t piece = length < kPieceBytes ? length : kPieceBytes;
            std::size_t at = payload.size();
            payload.resize(at + static_cast<std::size_t>(piece));
            if (!ReceiveFromDaemon(payload.data() + at, piece)) return false;
            length -= piece;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// A reply whose requester does not wait for it: read to its end and dropped,
// so the link stays in step.
bool DropReplyBody() {
    int32_t length = 0;
    if (!ReceiveWord(length)) return false;
    std::vector<uint8_t> body;
    return ReceivePayload(length, body);
}

}  // namespace

bool ReadVADNotification() {
    int32_t type = 0;
    int32_t length = 0;
    if (!ReceiveWord(type) || !ReceiveWord(length)) return false;
    std::vector<uint8_t> payload;
    if (!ReceivePayload(length, payload)) return false;
    // Notices are read whole and dropped: no notice handler is installed on
    // this side of the link yet.
    return true;
}

uint32_t VADReceiveThread(void*) {
    Vek::WEvent& gate = VADReaderGate();
    for (;;) {
        if (VADReaderStopRequested()) break;
        gate.Wait();
        if (VADReaderStopRequested()) break;
        TCPTransport* transport = GetDaemonTransport();
        if (!transport) break;

        int32_t tag = 0;
        bool ok = ReceiveWord(tag);
        if (ok && static_cast<uint32_t>(tag) == kTagNotice) {
            ok = ReadVADNotification();
        } else if (ok && static_cast<uint32_t>(tag) == kTagReply) {
            int32_t transactionId = 0;
            ok = ReceiveWord(transactionId);
            if (ok) {
                gate.Reset();
                ok = DropReplyBody();
                gate.Set();
            }
        } else {
            ok = false;
        }
        if (!ok) {
            // The socket is closed by whoever deletes the transport, after
            // this thread has ended; closing it here could hand its number to
            // another file while a requester still writes to it.
            transport->SetError(NetTransport::kErrorTransfer);
            transport->Shutdown();
            break;
        }
    }
    VADMarkReaderEnded();
    return 0;
}

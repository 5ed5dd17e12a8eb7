#include "assetdb/client/VADReceiveThread.h"

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADFrameReading.h"
#include "assetdb/client/VADLinkTags.h"
#include "assetdb/client/VADNotifications.h"
#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "foundation/network/DaemonTransfer.h"
#include "foundation/network/TCPTransport.h"

namespace {

// A reply whose requester does not wait for it: read to its end and dropped,
// so the link stays in step.
bool DropReplyBody() {
    int32_t length = 0;
    if (!ReceiveVADWord(length)) return false;
    return DiscardVADPayload(length);
}

}  // namespace

uint32_t VADReceiveThread(void*) {
    Vek::WEvent& gate = VADReaderGate();
    for (;;) {
        if (VADReaderStopRequested()) break;
        gate.Wait();
        if (VADReaderStopRequested()) break;
        TCPTransport* transport = GetDaemonTransport();
        if (!transport) break;

        int32_t tag = 0;
        bool ok = ReceiveVADWord(tag);
        // Any frame shows the daemon at work: the requests' inactivity
        // bound starts again, and a daemon held silent is asked again.
        if (ok) {
            VADNoteLinkActivity();
            VADClearSilentDaemon();
        }
        if (ok && static_cast<uint32_t>(tag) == kTagNotice) {
            ok = ReadVADNotification();
        } else if (ok && static_cast<uint32_t>(tag) == kTagReply) {
            int32_t transactionId = 0;
            ok = ReceiveVADWord(transactionId);
            if (ok) {
                gate.Reset();
                // Known: the requester reads the body and opens the gate.
                if (!VADClientTransaction::ReceiveReply(transactionId)) {
                    ok = DropReplyBody();
                    gate.Set();
                }
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
    AbortAllVADTransactions();
    return 0;
}

#include "assetdb/client/VADReceiveThread.h"

#include "assetdb/client/VADClientTransaction.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADFrameReading.h"
#include "assetdb/client/VADLinkTags.h"
#include "assetdb/client/VADNotifications.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "foundation/network/DaemonTransfer.h"
#include "foundation/network/TCPTransport.h"

uint32_t VADReceiveThread(void*) {
    Vek::WEvent& gate = VADReaderGate();
    VADFrameReader frames;
    for (;;) {
        if (VADReaderStopRequested()) break;
        gate.Wait();
        if (VADReaderStopRequested()) break;
        TCPTransport* transport = GetDaemonTransport();
        if (!transport) break;
        frames.Use(*transport);

        uint32_t tag = 0;
        bool ok = frames.ReadTag(tag);
        // Any frame shows the daemon at work (the reader notes every
        // receive for the requests' inactivity bound): a daemon held silent
        // is asked again.
        if (ok) VADClearSilentDaemon();
        if (ok && (tag == kTagNotice || tag == kTagReply)) {
            int32_t word = 0;
            int32_t length = 0;
            const uint8_t* body = nullptr;
            ok = frames.ReadWords(word, length) && frames.ReadBody(length, body);
            // A reply nobody waits for is dropped whole, so the link stays
            // in step.
            if (ok && tag == kTagNotice)
                ok = ReadVADNotification(word, body, length);
            else if (ok)
                VADClientTransaction::ReceiveReply(word, body, length);
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

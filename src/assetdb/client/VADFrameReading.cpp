#include "assetdb/client/VADFrameReading.h"

#include <vector>

#include "assetdb/client/VADReceiveThread.h"
#include "foundation/network/DaemonTransfer.h"
#include "foundation/streams/Stream.h"

namespace {

constexpr int32_t kPieceBytes = 65536;

// Receives `length` bytes in pieces; each piece goes to `sink` (null: dropped).
bool ReceivePieces(int32_t length, TStream* sink) {
    if (length < 0 || length > kMaxVADFrameBytes) return false;
    std::vector<uint8_t> piece(static_cast<std::size_t>(length < kPieceBytes ? length : kPieceBytes));
    while (length > 0) {
        const int32_t n = length < kPieceBytes ? length : kPieceBytes;
        if (!ReceiveFromDaemon(piece.data(), n)) return false;
        if (sink && sink->Write(piece.data(), n) != n) return false;
        length -= n;
    }
    return true;
}

}  // namespace

bool ReceiveVADWord(int32_t& value) {
    uint8_t bytes[4];
    if (!ReceiveFromDaemon(bytes, 4)) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                 static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

bool ReceiveVADPayload(int32_t length, TStream& stream) { return ReceivePieces(length, &stream); }

bool DiscardVADPayload(int32_t length) { return ReceivePieces(length, nullptr); }

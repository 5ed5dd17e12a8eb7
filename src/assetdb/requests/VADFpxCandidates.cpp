#include "assetdb/requests/VADFpxCandidates.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

bool VADRequestFpxCandidates(const std::vector<VADFpxCandidate>& candidates, std::vector<int32_t>& entries) {
    VADRequestBuffers buffers;
    buffers.request.WriteInt32(static_cast<int32_t>(candidates.size()));
    for (const VADFpxCandidate& candidate : candidates) {
        buffers.request.WriteKUID(candidate.required);
        buffers.request.WriteKUID(candidate.latestVersion);
        buffers.request.WriteInt32(candidate.latestVersionSize);
    }
    if (!buffers.Send(kVADOpFpxCandidates)) return false;
    int32_t count = 0;
    if (!buffers.reply.ReadInt32(count) || count <= 0) return true;
    const int32_t left = buffers.reply.Length() - buffers.reply.Tell();
    if (count > left / 4) count = left / 4;
    for (int32_t i = 0; i < count; ++i) {
        int32_t entry = 0;
        buffers.reply.ReadInt32(entry);
        entries.push_back(entry);
    }
    return true;
}

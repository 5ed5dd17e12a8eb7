#pragma once
// Ending an edit and deleting an asset. Each sends the caller's log with
// the request, so the daemon's log lines land in it.
#include <cstdint>

#include "assetdb/requests/VADAssetHandle.h"

class ResultsLog;

// Operation 33. Payload: int64 handle. Reply: byte ok. Without a record
// the answer is 0 and nothing is sent. The record's folder is no longer
// known, and the handle (a copy) releases its reference.
uint8_t VADRevertAsset(VADAssetHandle handle, ResultsLog* log);

// Operation 34. Payload: int64 handle; int32 commit flags. Reply: byte ok;
// byte second flag, stored in `second`. Without a record the answer is 0
// and nothing is sent. The record's folder is no longer known; when ok,
// the handle is no longer for editing and the asset's cached
// AssetSpec is dropped.
uint8_t VADCommitAsset(VADAssetHandle& handle, int32_t flags, ResultsLog* log, uint8_t& second);

// Operation 36. Payload: KUID; byte flag. Reply: byte ok. When ok, the
// asset's cached AssetSpec is dropped.
uint8_t VADDeleteAsset(const KUID& asset, uint8_t flag, ResultsLog* log);

#pragma once
// The lock that serialises asset validations. One process-wide unnamed
// mutex, re-entrant for its holder: the validation road holds it from the
// choice of the configuration file to its result, and the check step takes
// it a second time. It guards what one validation builds up in the tools'
// singletons: the data manager's current asset, loaded meshes and flags,
// and the error handler's records.
#include "engine/Sync.h"

namespace TETLib {

Vek::Mutex& ValidationLock();

}  // namespace TETLib

#pragma once
// Releasing unused shared objects after a job, on the main thread only.
#include <cstddef>

// On the main thread: collects the unused interned strings (and would drop
// the unused resources of the engine's resource cache, which this engine
// layer does not keep). On any other thread it does nothing. Returns the
// number of interned strings freed.
std::size_t CollectGarbageOnMainThread();

#pragma once
// Releasing unused shared objects after a job.
#include <cstddef>

// On the main thread: drops the engine resources and textures that nobody
// holds (the current resource system's cache and the current render
// kernel's texture cache) and collects the unused interned strings; returns
// the number of interned strings freed. On any other thread it only marks
// the collection pending and queues it for the main thread, which runs it
// the next time it runs its queued calls; it returns 0. Marking it again
// while it is pending queues nothing more.
std::size_t CollectGarbageOnMainThread();

// True while a collection asked for off the main thread has not run yet.
bool IsGarbageCollectionPending();

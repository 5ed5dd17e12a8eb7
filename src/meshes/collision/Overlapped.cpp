#include "meshes/collision/Overlapped.h"

#include "meshes/collision/OverlappedResource.h"
#include "meshes/collision/OverlappedResourceSystem.h"

OverlappedResource::OverlappedResource(float createdAt) : created(createdAt) {}

Overlapped::~Overlapped() { Cancel(); }

void Overlapped::FreeResult() {
    if (result && resultDeleter) resultDeleter(result);
    result = nullptr;
}

bool Overlapped::IsDone() {
    if (job) {
        const int32_t state = job->GetState();
        if (state == OverlappedResource::kIdle || state == OverlappedResource::kCompleted) {
            delete job;
            job = nullptr;
        }
    }
    return job == nullptr;
}

int32_t Overlapped::GetStatus() { return IsDone() ? 2 : 1; }

bool Overlapped::Cancel() {
    bool finished = false;
    if (job) {
        finished = CancelJob(job);
        delete job;
        job = nullptr;
    }
    // A result the completion did not take is the handle's to free.
    FreeResult();
    return finished;
}

bool Overlapped::CancelJob(OverlappedResource* job) {
    if (!job) return false;
    job->cancelled.store(true);
    return job->system ? job->system->Finish(job) : false;
}

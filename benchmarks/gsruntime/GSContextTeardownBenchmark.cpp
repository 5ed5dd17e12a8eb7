// Times the end of a small script context beside another context that holds
// many objects. A context's teardown has every object outside it drop the
// references it holds into it, so its cost grows with the objects of the
// other contexts; the reference run ends the same small context while the
// other context is out of the context registry (the teardown does not see
// it). Each iteration runs both; the benchmark reports the CPU microseconds
// of each and their ratio.
#include <benchmark/benchmark.h>
#include <time.h>

#include <vector>

#include "gsruntime/GSArray.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSContextRegistry.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"

namespace {

using GSRuntime::GSArray;
using GSRuntime::GSContext;
using GSRuntime::GSContextRegistry;
using GSRuntime::GSScriptInstance;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A context of 64 strings held by one array, ended; its CPU seconds.
double EndSmallContext() {
    GSContext* small = new GSContext(false, false);
    GSArray* array = new GSArray(small, true);
    for (int32_t i = 0; i < 64; ++i) {
        auto* text = new GSRuntime::GSString(small, "x");
        array->SetElementReference(i, text->GetReference(), false, nullptr);
    }
    const double t0 = CpuSeconds();
    delete small;
    return CpuSeconds() - t0;
}

void BM_ContextTeardownBesideObjects(benchmark::State& state) {
    // The other context: arrays of 16 strings each, state.range(0) objects
    // in all.
    GSContext* other = new GSContext(false, false);
    std::vector<uint32_t> arrays;
    for (int64_t made = 0; made < state.range(0); made += 17) {
        GSArray* array = new GSArray(other, true);
        for (int32_t i = 0; i < 16; ++i)
            array->SetElementReference(i, (new GSRuntime::GSString(other, "y"))->GetReference(), false, nullptr);
        arrays.push_back(array->GetReference());
    }
    double beside = 0.0;
    double alone = 0.0;
    for (auto _ : state) {
        beside += EndSmallContext();
        other->RemoveFromRegistry();
        alone += EndSmallContext();
        GSContextRegistry::Add(other);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["beside_us"] = beside * 1e6 / n;
    state.counters["alone_us"] = alone * 1e6 / n;
    state.counters["beside_per_alone"] = alone > 0.0 ? beside / alone : 0.0;
    for (uint32_t array : arrays) GSScriptInstance::ReleaseReference(array);
    delete other;
}

}  // namespace

BENCHMARK(BM_ContextTeardownBesideObjects)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

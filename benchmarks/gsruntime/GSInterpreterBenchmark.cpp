// Times the script interpreter on small programs compiled by the project's
// compiler and run under the test host: a recursive Fibonacci, a tight
// integer loop, string building, filling and summing an array, and two game
// objects passing messages through the router. The same programs written
// for other script interpreters give a like-for-like comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

const char* const kBench = R"(include "gs.gs"

class Bench isclass GameObject
{
    public int hits;
    public GameObject partner;

    public int Fib(int n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); }

    public int Loop(int n) {
        int i; int s = 0;
        for (i = 0; i < n; i++) s = s + (i % 7) * 3;
        return s;
    }

    public int Build(int n) {
        string s = ""; int i;
        for (i = 0; i < n; i++) s = s + "x" + i;
        return 1;
    }

    public int Arrays(int n) {
        int[] a = new int[n]; int i; int s = 0;
        for (i = 0; i < n; i++) a[i] = i * 2;
        for (i = 0; i < n; i++) s = s + a[i];
        return s;
    }

    public void SetPartner(GameObject p) { partner = p; hits = 0; }
    public int Hits(void) { return hits; }
    public thread void Serve(void) { SendMessage(partner, "Ball", "Ping"); }
    public thread void Play(int rounds) {
        Message m;
        wait() {
            on "Ball", "End": break;
            on "Ball", "", m: {
                hits = hits + 1;
                if (hits < rounds) { SendMessage(m.src, "Ball", "Pong"); continue; }
                SendMessage(m.src, "Ball", "End");
                break;
            }
        }
    }
};
)";

// One host for the whole program: the machine and the compiled library
// are process-wide.
struct BenchHost {
    BenchHost() {
        if (!host.Load("bench.gs", kBench)) {
            std::fprintf(stderr, "the benchmark script does not compile\n");
            std::exit(1);
        }
        first = host.Spawn("Bench", "first");
        second = host.Spawn("Bench", "second");
    }
    GSTest::TestHost host;
    GSRuntime::GSGameObject* first = nullptr;
    GSRuntime::GSGameObject* second = nullptr;
};

BenchHost& Host() {
    static BenchHost* host = new BenchHost();
    return *host;
}

void RunIntFunction(benchmark::State& state, const char* signature) {
    BenchHost& h = Host();
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        uint32_t result = 0;
        if (!h.host.Call(h.first, signature, &result, {n})) {
            state.SkipWithError("the call failed");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
}

void BM_Fibonacci(benchmark::State& state) { RunIntFunction(state, "$int@Bench::Fib(int)"); }
void BM_IntegerLoop(benchmark::State& state) { RunIntFunction(state, "$int@Bench::Loop(int)"); }
void BM_StringBuilding(benchmark::State& state) { RunIntFunction(state, "$int@Bench::Build(int)"); }
void BM_ArrayFillAndSum(benchmark::State& state) { RunIntFunction(state, "$int@Bench::Arrays(int)"); }

// Two game objects exchange `rounds` messages; the driver ticks until the
// rally ends.
void BM_MessagePassing(benchmark::State& state) {
    BenchHost& h = Host();
    const uint32_t rounds = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        h.host.Call(h.first, "$void@Bench::SetPartner(GameObject)", nullptr, {h.second->GetReference()});
        h.host.Call(h.second, "$void@Bench::SetPartner(GameObject)", nullptr, {h.first->GetReference()});
        h.host.Call(h.first, "$void@Bench::Play(int)", nullptr, {rounds});
        h.host.Call(h.second, "$void@Bench::Play(int)", nullptr, {rounds});
        h.host.Tick(1);
        h.host.Call(h.first, "$void@Bench::Serve()");
        // Each side ends its thread: the one that reaches `rounds` first,
        // the other on its "End" message.
        while (h.first->ThreadCount() + h.second->ThreadCount() > 0) h.host.Tick(1);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * rounds);
}

BENCHMARK(BM_Fibonacci)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerLoop)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayFillAndSum)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MessagePassing)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

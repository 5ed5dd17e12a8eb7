// Times the script interpreter on small programs compiled by the project's
// compiler and run under the test host: a recursive Fibonacci, a tight
// integer loop, virtual method calls, string building, filling and summing
// an array, and two game objects passing messages through the router. The
// same programs run in Lua 5.4 in the same process, each iteration running
// both; every benchmark reports the CPU time of each and their ratio
// (GameScript / Lua).
#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "gsruntime/hostsupport/GSTestHost.h"

namespace {

const char* const kBench = R"(include "gs.gs"

class Shaped isclass GameObject
{
    public int Kind(void) { return 1; }
};

class Bench isclass Shaped
{
    public int hits;

    public int Kind(void) { return 2; }
    public int Calls(int n) {
        int i; int t = 0;
        for (i = 0; i < n; i++) t = t + Kind();
        return t;
    }

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

// The same programs in Lua.
const char* const kLua = R"(
-- Each reference is the fastest idiomatic Lua for the same work, so that no
-- ratio is flattered: local functions, locals over globals in loops and
-- table.concat for building a string. The entry points are globals only so
-- that the driver can find them.
local concat = table.concat
local create, resume, yield, status = coroutine.create, coroutine.resume, coroutine.yield, coroutine.status

local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
_G.fib = fib

function loop(n)
  local s = 0
  for i = 0, n - 1 do s = s + (i % 7) * 3 end
  return s
end

local Shaped = {}
Shaped.__index = Shaped
function Shaped:kind() return 1 end
local Bench = setmetatable({}, {__index = Shaped})
Bench.__index = Bench
function Bench:kind() return 2 end
local object = setmetatable({}, Bench)
function calls(n)
  local o = object
  local t = 0
  for i = 0, n - 1 do t = t + o:kind() end
  return t
end

-- The same string as s = s .. "x" .. i repeated, built once.
function build(n)
  local parts = {}
  for i = 0, n - 1 do parts[i + 1] = "x" .. i end
  local s = concat(parts)
  return 1
end

function arrays(n)
  local a = {}
  for i = 1, n do a[i] = (i - 1) * 2 end
  local s = 0
  for i = 1, n do s = s + a[i] end
  return s
end

-- Two players as coroutines waiting for messages from one queue.
function rally(rounds)
  local queue, head, tail = {}, 1, 0
  local function send(to, kind) tail = tail + 1; queue[tail] = {to, kind} end
  local function player(other)
    return create(function()
      local hits = 0
      while true do
        local kind = yield()
        if kind == "End" then return end
        hits = hits + 1
        if hits < rounds then send(other, "Pong") else send(other, "End"); return end
      end
    end)
  end
  local players = {player(2), player(1)}
  resume(players[1]); resume(players[2])
  send(2, "Ping")
  while head <= tail do
    local m = queue[head]; queue[head] = nil; head = head + 1
    local co = players[m[1]]
    if status(co) ~= "dead" then resume(co, m[2]) end
  end
  return 1
end
)";

lua_State* Lua() {
    static lua_State* lua = [] {
        lua_State* state = luaL_newstate();
        luaL_openlibs(state);
        if (luaL_dostring(state, kLua) != LUA_OK) {
            std::fprintf(stderr, "the Lua programs do not load: %s\n", lua_tostring(state, -1));
            std::exit(1);
        }
        return state;
    }();
    return lua;
}

bool CallLua(const char* function, int64_t n) {
    lua_State* lua = Lua();
    lua_getglobal(lua, function);
    lua_pushinteger(lua, n);
    if (lua_pcall(lua, 1, 1, 0) != LUA_OK) return false;
    benchmark::DoNotOptimize(lua_tointeger(lua, -1));
    lua_pop(lua, 1);
    return true;
}

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs the GameScript program and the Lua one once per iteration and
// reports the CPU milliseconds of each and their ratio.
void Compare(benchmark::State& state, const std::function<bool()>& gameScript, const char* luaFunction) {
    double gs = 0.0;
    double lua = 0.0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        if (!gameScript()) {
            state.SkipWithError("the GameScript call failed");
            return;
        }
        const double t1 = CpuSeconds();
        if (!CallLua(luaFunction, state.range(0))) {
            state.SkipWithError("the Lua call failed");
            return;
        }
        const double t2 = CpuSeconds();
        gs += t1 - t0;
        lua += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["gs_ms"] = gs * 1000.0 / n;
    state.counters["lua_ms"] = lua * 1000.0 / n;
    state.counters["gs_per_lua"] = lua > 0.0 ? gs / lua : 0.0;
}

void CompareIntFunction(benchmark::State& state, const char* signature, const char* luaFunction) {
    BenchHost& h = Host();
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    Compare(
        state,
        [&] {
            uint32_t result = 0;
            const bool ok = h.host.Call(h.first, signature, &result, {n});
            benchmark::DoNotOptimize(result);
            return ok;
        },
        luaFunction);
}

void BM_Fibonacci(benchmark::State& state) { CompareIntFunction(state, "$int@Bench::Fib(int)", "fib"); }
void BM_IntegerLoop(benchmark::State& state) { CompareIntFunction(state, "$int@Bench::Loop(int)", "loop"); }
void BM_VirtualCalls(benchmark::State& state) { CompareIntFunction(state, "$int@Bench::Calls(int)", "calls"); }
void BM_StringBuilding(benchmark::State& state) { CompareIntFunction(state, "$int@Bench::Build(int)", "build"); }
void BM_ArrayFillAndSum(benchmark::State& state) { CompareIntFunction(state, "$int@Bench::Arrays(int)", "arrays"); }

// Two game objects exchange `rounds` messages; the driver ticks until the
// rally ends. Lua: two coroutines and a message queue.
void BM_MessagePassing(benchmark::State& state) {
    BenchHost& h = Host();
    const uint32_t rounds = static_cast<uint32_t>(state.range(0));
    Compare(
        state,
        [&] {
            h.host.Call(h.first, "$void@Bench::SetPartner(GameObject)", nullptr,
                        {GSTest::TestHost::Counted(h.second->GetReference())});
            h.host.Call(h.second, "$void@Bench::SetPartner(GameObject)", nullptr,
                        {GSTest::TestHost::Counted(h.first->GetReference())});
            h.host.Call(h.first, "$void@Bench::Play(int)", nullptr, {rounds});
            h.host.Call(h.second, "$void@Bench::Play(int)", nullptr, {rounds});
            h.host.Tick(1);
            h.host.Call(h.first, "$void@Bench::Serve()");
            // Each side ends its thread: the one that reaches `rounds`
            // first, the other on its "End" message.
            while (h.first->ThreadCount() + h.second->ThreadCount() > 0) h.host.Tick(1);
            return true;
        },
        "rally");
}

BENCHMARK(BM_Fibonacci)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerLoop)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VirtualCalls)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringBuilding)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayFillAndSum)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MessagePassing)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

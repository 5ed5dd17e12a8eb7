// Times the GameScript compiler on generated sources beside Lua 5.4's
// compiler on the same programs written in Lua, in the same process: a
// source of about 100,000 lines of functions, a declaration list of
// 100,000 names, and chains of 500 and 2,000 classes each deriving from the
// one before (the image of which grows with the square of the class count:
// every class carries its flattened base list, virtual table and layout
// rows). The script is compiled from its file into a library image; the Lua
// chunk is loaded from memory (luaL_loadbuffer parses and generates code)
// and dumped to memory, which is the work luac does. Each iteration times
// both; the counters give the CPU milliseconds of each and the ratio
// GameScript / Lua. For the chains, whose image outgrows any Lua
// equivalent, the counters also give the compile time per image byte and
// a plain memcpy of an image of that length, per byte: a compile linear in
// its output keeps ns_per_byte flat from one chain length to the other.
#include <benchmark/benchmark.h>

#include <lua5.4/lauxlib.h>
#include <lua5.4/lua.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/IncludePath.h"

namespace {

constexpr int kClasses = 200;
constexpr int kFunctionsPerClass = 50;

// Ten lines per function, one function per method of the Lua version.
std::string GameScriptSource() {
    std::string s;
    for (int c = 0; c < kClasses; ++c) {
        s += "class C" + std::to_string(c) + "\n{\n";
        for (int f = 0; f < kFunctionsPerClass; ++f) {
            const std::string k = std::to_string(c * kFunctionsPerClass + f);
            s += "  public int F" + k + "(int n) {\n";
            s += "    int i; int s = 0;\n";
            s += "    for (i = 0; i < n; i++) {\n";
            s += "      if (i % 3 == 0) s = s + i * " + k + ";\n";
            s += "      else s = s - 1;\n";
            s += "    }\n";
            s += "    string t = \"f\" + s;\n";
            s += "    if (t == \"f" + k + "\") return 0;\n";
            s += "    return s + " + k + ";\n";
            s += "  }\n";
        }
        s += "};\n";
    }
    return s;
}

std::string LuaSource() {
    std::string s;
    for (int c = 0; c < kClasses; ++c) {
        const std::string cls = "C" + std::to_string(c);
        s += "local " + cls + " = {}\n";
        for (int f = 0; f < kFunctionsPerClass; ++f) {
            const std::string k = std::to_string(c * kFunctionsPerClass + f);
            s += "function " + cls + ".F" + k + "(self, n)\n";
            s += "  local s = 0\n";
            s += "  for i = 0, n - 1 do\n";
            s += "    if i % 3 == 0 then s = s + i * " + k + "\n";
            s += "    else s = s - 1 end\n";
            s += "  end\n";
            s += "  local t = \"f\" .. s\n";
            s += "  if t == \"f" + k + "\" then return 0 end\n";
            s += "  return s + " + k + "\n";
            s += "end\n";
        }
        s += "_G." + cls + " = " + cls + "\n";
    }
    return s;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// 100,000 names declared in one list; in Lua, 100,000 fields of one table
// (a function has at most 200 locals there). The compile ends with the
// frame-size error (100,000 locals do not fit a frame): what is timed is
// the work up to it, every name declared and looked up.
std::string DeclarationListSource() {
    std::string s = "class D\n{\n  public void F(void) {\n    int ";
    for (int i = 0; i < 100000; ++i) s += (i ? ", v" : "v") + std::to_string(i);
    s += ";\n  }\n};\n";
    return s;
}

std::string DeclarationListLua() {
    std::string s = "local t = {}\n";
    for (int i = 0; i < 100000; ++i) s += "t.v" + std::to_string(i) + " = 0\n";
    return s;
}

std::string ClassChainSource(int classes) {
    std::string s;
    for (int c = 0; c < classes; ++c) {
        const std::string k = std::to_string(c);
        s += "class K" + k + (c ? " isclass K" + std::to_string(c - 1) : std::string()) + "\n{\n";
        s += "  int m" + k + ";\n";
        s += "  public int G" + k + "(int n) { m" + k + " = n; return n + " + k + "; }\n";
        s += "};\n";
    }
    return s;
}

// Globals: a Lua function has at most 200 locals.
std::string ClassChainLua(int classes) {
    std::string s;
    for (int c = 0; c < classes; ++c) {
        const std::string k = std::to_string(c);
        s += "K" + k + " = setmetatable({}, {__index = " + (c ? "K" + std::to_string(c - 1) : "nil") + "})\n";
        s += "function K" + k + ".G" + k + "(self, n) self.m" + k + " = n return n + " + k + " end\n";
    }
    return s;
}

struct Sources {
    Sources(const std::string& script, std::string luaText)
        : folder(std::filesystem::temp_directory_path() / ("gsc_bench_" + std::to_string(::getpid()) + "_" +
                                                           std::to_string(script.size()))),
          lua(std::move(luaText)) {
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "bench.gs", std::ios::binary) << script;
    }
    ~Sources() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::filesystem::path folder;
    std::string lua;
};

// Compiles the script into a library image; its length, 0 on failure.
size_t CompileGameScript(const Sources& sources) {
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(sources.folder.string().c_str()), Vek::PString()));
    GSCompileContext context;
    GSCompileLog log;
    size_t length = 0;
    if (context.Compile("bench.gs", &log) == 0) {
        GSLibraryBuffer buffer;
        buffer.Init(1024);
        if (context.WriteLibrary(buffer, &log, "bench.gs")) length = buffer.Length();
    }
    ClearIncludePaths(IncludePaths());
    return length;
}

int AppendChunk(lua_State*, const void* data, size_t size, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return 0;
}

// Compiles the Lua chunk and dumps its bytecode; its length, 0 on failure.
size_t CompileLua(const Sources& sources) {
    lua_State* state = luaL_newstate();
    size_t length = 0;
    if (luaL_loadbuffer(state, sources.lua.data(), sources.lua.size(), "=bench") == LUA_OK) {
        std::string chunk;
        lua_dump(state, &AppendChunk, &chunk, 0);
        length = chunk.size();
    }
    lua_close(state);
    return length;
}

// CPU seconds of one plain copy of `length` bytes (both blocks touched
// beforehand, so that only the copy is timed).
double CopySeconds(size_t length) {
    std::string from(length, 'x');
    std::string to(length, 'y');
    const double start = CpuSeconds();
    std::memcpy(to.data(), from.data(), length);
    const double seconds = CpuSeconds() - start;
    benchmark::DoNotOptimize(to.data());
    return seconds;
}

void CompileBesideLua(benchmark::State& state, const Sources& sources, bool imageExpected = true,
                      bool perByte = false) {
    double gameScript = 0;
    double lua = 0;
    double copy = 0;
    size_t image = 0;
    for (auto _ : state) {
        double start = CpuSeconds();
        image = CompileGameScript(sources);
        gameScript += CpuSeconds() - start;
        start = CpuSeconds();
        const size_t chunk = CompileLua(sources);
        lua += CpuSeconds() - start;
        if ((imageExpected && image == 0) || chunk == 0) {
            state.SkipWithError("a source does not compile");
            break;
        }
        benchmark::DoNotOptimize(image + chunk);
        if (perByte) copy += CopySeconds(image);
    }
    const double n = double(state.iterations());
    if (n == 0 || lua <= 0) return;
    state.counters["gs_ms"] = gameScript / n * 1e3;
    state.counters["lua_ms"] = lua / n * 1e3;
    state.counters["ratio"] = gameScript / lua;
    state.counters["image_mb"] = double(image) / 1e6;
    if (perByte && image > 0) {
        state.counters["ns_per_byte"] = gameScript / n / double(image) * 1e9;
        state.counters["memcpy_ns_per_byte"] = copy / n / double(image) * 1e9;
    }
}

void BM_CompileBesideLua(benchmark::State& state) {
    static Sources sources(GameScriptSource(), LuaSource());
    CompileBesideLua(state, sources);
}

void BM_DeclarationListBesideLua(benchmark::State& state) {
    static Sources sources(DeclarationListSource(), DeclarationListLua());
    CompileBesideLua(state, sources, false);
}

void BM_ClassChainBesideLua(benchmark::State& state) {
    const int classes = int(state.range(0));
    static std::map<int, std::unique_ptr<Sources>> chains;
    auto& sources = chains[classes];
    if (!sources) sources = std::make_unique<Sources>(ClassChainSource(classes), ClassChainLua(classes));
    CompileBesideLua(state, *sources, true, true);
}

BENCHMARK(BM_CompileBesideLua)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DeclarationListBesideLua)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ClassChainBesideLua)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();

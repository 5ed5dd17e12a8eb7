// Times the GameScript compiler on a generated source of about 100,000
// lines beside Lua 5.4's compiler on the same program written in Lua, in
// the same process: the script is compiled from its file into a library
// image; the Lua chunk is loaded from memory (luaL_loadbuffer parses and
// generates code) and dumped to memory, which is the work luac does.
// Each iteration times both; the counters give the CPU milliseconds of
// each and the ratio GameScript / Lua.
#include <benchmark/benchmark.h>

#include <lua5.4/lauxlib.h>
#include <lua5.4/lua.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

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

struct Sources {
    Sources() : folder(std::filesystem::temp_directory_path() / ("gsc_bench_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "bench.gs", std::ios::binary) << GameScriptSource();
        lua = LuaSource();
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

void BM_CompileBesideLua(benchmark::State& state) {
    static Sources sources;
    double gameScript = 0;
    double lua = 0;
    for (auto _ : state) {
        double start = CpuSeconds();
        const size_t image = CompileGameScript(sources);
        gameScript += CpuSeconds() - start;
        start = CpuSeconds();
        const size_t chunk = CompileLua(sources);
        lua += CpuSeconds() - start;
        if (image == 0 || chunk == 0) {
            state.SkipWithError("a source does not compile");
            break;
        }
        benchmark::DoNotOptimize(image + chunk);
    }
    const double n = double(state.iterations());
    if (n == 0 || lua <= 0) return;
    state.counters["gs_ms"] = gameScript / n * 1e3;
    state.counters["lua_ms"] = lua / n * 1e3;
    state.counters["ratio"] = gameScript / lua;
}

BENCHMARK(BM_CompileBesideLua)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();

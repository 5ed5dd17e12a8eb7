// Fuzz target: the GameScript compiler on arbitrary source text. Each input
// is written as "fuzz.gs" into a private temporary folder (the compiler
// reads its sources through the include list) and compiled; when the
// compile succeeds the library image is written into memory as well.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/IncludePath.h"

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("fuzz_gscompile_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Folder(), ignored);
        });
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path& folder = Folder();
    {
        std::ofstream out(folder / "fuzz.gs", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(folder.string().c_str()), Vek::PString()));
    GSCompileContext context;
    GSCompileLog log;
    if (context.Compile("fuzz.gs", &log) == 0) {
        GSLibraryBuffer buffer;
        buffer.Init(1024);
        context.WriteLibrary(buffer, &log, "fuzz.gs");
    }
    ClearIncludePaths(IncludePaths());
    return 0;
}

// The command host's archive stream: any bytes read as a stream file by the
// install job (no daemon is running, so every listed asset's install is
// refused after its soup is read). The reader must stop on damaged records
// and never loop; the list keeps every KUID it was not given.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "assetdb/archives/AssetArchiveStream.h"
#include "foundation/results/ResultsLog.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    static const fs::path path = [] {
        std::atexit([] {
            std::error_code ignored;
            fs::remove(fs::temp_directory_path() / ("vorlex-fuzz-stream-" + std::to_string(::getpid())), ignored);
        });
        return fs::temp_directory_path() / ("vorlex-fuzz-stream-" + std::to_string(::getpid()));
    }();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    VADKuidList kuids;
    kuids.Add(KUID(1000, 1, 0));
    kuids.Add(KUID(1000, 2, 0));
    ResultsLog log;
    // The caller value 7, as the seeds carry it.
    InstallAssetArchiveStream(7, kuids, path.c_str(), log);
    FUZZ_CHECK(kuids.Count() == 2);
    return 0;
}

// CDP archives: any bytes loaded as an archive; the files of each asset
// (at most 8) extracted into a box folder. Nothing may be written outside
// the box: after every input the fuzzer's own folder holds only the archive
// file and the box.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "assetdb/archives/ArchiveExtraction.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "engine/File.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Root() {
    static const fs::path root = [] {
        fs::path made = fs::temp_directory_path() / ("vorlex-fuzz-cdp-" + std::to_string(::getpid()));
        fs::remove_all(made);
        fs::create_directories(made);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Root(), ignored);
        });
        return made;
    }();
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    const fs::path archivePath = Root() / "in.cdp";
    const fs::path box = Root() / "box";
    {
        std::ofstream out(archivePath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    fs::create_directories(box);

    CdpArchive archive;
    Vek::PString error;
    archive.Load(error, Vek::PString(), archivePath.c_str());
    if (error.IsEmpty()) {
        const int32_t count = archive.AssetCount();
        for (int32_t i = 0; i < count && i < 8; ++i) {
            const CdpAssetEntry entry = archive.GetAsset(i);
            entry.ComputeSignature();
            const fs::path folder = box / ("asset" + std::to_string(i));
            Vek::PString extractError;
            ExtractArchiveFolder(extractError, entry.GetFiles(), Vek::PString(), folder.c_str(), entry.GetCompression());
        }
    }

    for (const auto& item : fs::directory_iterator(Root())) {
        const fs::path name = item.path().filename();
        FUZZ_CHECK(name == "in.cdp" || name == "box");
    }
    FUZZ_CHECK(!fs::is_symlink(box) && fs::is_directory(box));
    fs::remove_all(box);
    return 0;
}

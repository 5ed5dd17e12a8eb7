// The configuration check of validation on an asset with many tags: a
// scenery asset of today with 10,000 (the reference) or 100,000 tags besides
// its own, parsed from text once, then per iteration loaded into a checked
// container under the shipped schema (with the legacy gate, the import and
// the error handler's findings: each extra tag is one the schema does not
// know), exported with the per-type checks and tag rules, and checked by the
// container rules. Half the extra tags begin with the name of a known tag.
// The closing lines give the median time of the larger asset as a ratio to the
// smaller one's, which stays near 10 when the check is linear in the tags,
// and the ratio of their times per tag (near 1).
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/soups/TextSoupReader.h"
#include "foundation/streams/BufferStream.h"
#include "support/AssetToolsSession.h"
#include "support/SizeRatioReporter.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/container/Container.h"

namespace {

using namespace TETLib;

std::string Configuration(int extraTags) {
    std::string text = "kuid <kuid:523401:1>\nkind \"scenery\"\nusername \"Many tags\"\ncategory-class \"BH\"\n"
                       "category-region \"UK\"\ncategory-era \"1950s\"\nvorlex-build 3.5\n";
    for (int i = 0; i < extraTags; ++i)
        text += (i % 2 ? "light-" : "tag-") + std::to_string(i) + " \"" + std::to_string(i) + "\"\n";
    return text;
}

SoupHandle Parse(const std::string& text) {
    TBuffer in;
    in.Write(text.data(), static_cast<int32_t>(text.size()));
    in.Rewind();
    SoupHandle soup;
    ParseTextSoup(soup, in);
    soup.EnsureContainer();
    return soup;
}

// The shipped data laid out as an installation, with an empty asset folder
// "many" in "local" as the current asset.
class Installation {
public:
    Installation() : m_session(LayOut(m_dir), m_dir / "install/bin/ZIROzod/", "local", "many") {}
    bool Loaded() const { return m_session.Loaded(); }

private:
    // Lays the shipped data out in dir/install, with an empty asset folder;
    // gives the installation folder.
    static std::string LayOut(const VorlexTest::TempDir& dir) {
        const std::string install = dir / "install";
        CopyShippedData(install);
        std::filesystem::create_directories(install + "/UserData/local/many");
        return install;
    }

    VorlexTest::TempDir m_dir;
    VorlexTest::AssetToolsSession m_session;
};

void BM_CheckConfiguration(benchmark::State& state) {
    Installation installation;
    if (!installation.Loaded()) {
        state.SkipWithError("the shipped schema does not load");
        return;
    }
    const SoupHandle configuration = Parse(Configuration(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        ErrorHandler::Instance()->Clear();
        Container root;
        if (!root.LoadFromConfig(configuration)) {
            state.SkipWithError("the configuration does not load");
            break;
        }
        SoupHandle out;
        out.EnsureContainer();
        root.Export(out);
        root.RunValidators();
        benchmark::DoNotOptimize(ErrorHandler::Instance()->Records().size());
    }
}

BENCHMARK(BM_CheckConfiguration)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
    return BenchmarkSupport::RunWithSizeRatio(argc, argv, "the configuration check, 10,000 tags against 100,000",
                                              "10000", "100000", true);
}

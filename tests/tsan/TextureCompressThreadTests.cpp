// Texture compressions running at once on several threads, as the
// conversion's write steps do on the worker threads. Built and run only in
// the ThreadSanitizer build (scripts/tsan-tests.sh), which reports any data
// race between them.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tetlib/textures/TextureCompress.h"

using TETLib::TextureCompress;
using TETLib::TextureCompressOptions;

TEST(TextureCompressThreadTest, ParallelCompressionsKeepTheirOwnResultsAndErrors) {
    constexpr int kThreads = 4;
    // Each thread: DXT1 or DXT5 of its own colour, or a target that fails
    // (its error stays its own), each with and without mipmaps.
    struct Outcome {
        bool ok = false;
        size_t topBytes = 0;
        int levels = 0;
        std::string error;
    } outcomes[kThreads * 2];
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads * 2; ++t) {
        threads.emplace_back([t, &outcomes] {
            Vek::Bitmap source;
            ASSERT_TRUE(source.Init(64, 64, Vek::Bitmap::kARGB32));
            source.Clear(0xFF102030u + static_cast<uint32_t>(t));
            TextureCompress result;
            TextureCompressOptions options;
            options.target = t % 2 ? 10 : 12;
            options.mipmaps = t < kThreads;
            Outcome& out = outcomes[t];
            out.ok = TextureCompress::Compress(source, result, options, &out.error);
            out.levels = result.GetNumLevels();
            out.topBytes = result.GetLevel(0) ? result.GetLevel(0)->GetByteSize() : 0;
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads * 2; ++t) {
        EXPECT_TRUE(outcomes[t].ok) << t;
        EXPECT_TRUE(outcomes[t].error.empty()) << t << ": " << outcomes[t].error;
        EXPECT_EQ(outcomes[t].topBytes, t % 2 ? 256u * 8u : 256u * 16u) << t;
        EXPECT_EQ(outcomes[t].levels, t < kThreads ? 7 : 1) << t;
    }
}

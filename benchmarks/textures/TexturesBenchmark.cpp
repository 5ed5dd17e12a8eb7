// TextureCompress::Compress against a bare nvtt::Compressor::process with
// the same format, quality, mipmap and filter settings, on the same
// generated images, in one process. Each benchmark times both in the same
// iterations and reports the ratio (ours / nvtt) as the counter "ratio";
// the iteration time is ours.
#include <benchmark/benchmark.h>
#include <nvtt/nvtt.h>

#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "engine/bitmap/Bitmap.h"
#include "tetlib/textures/TextureCompress.h"

namespace {

using Clock = std::chrono::steady_clock;

// TextureCompress loads its compressor module from the build tree here.
const bool g_moduleFolderSet = ::setenv("VORLEX_MODULE_DIR", VORLEX_MODULE_BUILD_DIR, 0) == 0;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

Vek::Bitmap MakeImage(int side) {
    Vek::Bitmap bitmap;
    bitmap.Init(side, side, Vek::Bitmap::kARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            bitmap.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>((x * 255 / side) << 16 | (y * 255 / side) << 8 |
                                                                       ((x ^ y) & 255)));
    return bitmap;
}

int TargetOf(int64_t index) { return index == 0 ? 10 : 12; }

struct CountingOutput : nvtt::OutputHandler {
    size_t bytes = 0;
    void beginImage(int, int, int, int, int, int) override {}
    bool writeData(const void*, int size) override {
        bytes += static_cast<size_t>(size);
        return true;
    }
};

// nvtt called directly with the settings TextureCompress uses for an opaque
// texture that repeats neither way.
bool NvttDirect(const Vek::Bitmap& image, int target) {
    const int side = image.GetWidth();
    nvtt::Compressor compressor;
    nvtt::InputOptions input;
    nvtt::OutputOptions output;
    nvtt::CompressionOptions compression;
    CountingOutput handler;
    input.setMipmapGeneration(true, -1);
    input.setWrapMode(nvtt::WrapMode_Clamp);
    compressor.enableCudaAcceleration(false);
    compression.setFormat(target == 10 ? nvtt::Format_DXT1 : nvtt::Format_DXT5);
    compression.setQuality(nvtt::Quality_Production);
    input.setTextureLayout(nvtt::TextureType_2D, side, side, 1);
    input.setMipmapData(image.GetData(), side, side, 1, 0, 0);
    input.setMipmapFilter(nvtt::MipmapFilter_Kaiser);
    output.setOutputHandler(&handler);
    output.setOutputHeader(false);
    return compressor.process(input, compression, output);
}

void CompressAgainstNvtt(benchmark::State& state) {
    const Vek::Bitmap image = MakeImage(static_cast<int>(state.range(0)));
    TETLib::TextureCompressOptions options;
    options.target = TargetOf(state.range(1));
    double oursTotal = 0, referenceTotal = 0;
    for (auto _ : state) {
        Vek::Bitmap source = image;
        TETLib::TextureCompress result;
        Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(TETLib::TextureCompress::Compress(source, result, options));
        const double ours = Seconds(start);
        start = Clock::now();
        benchmark::DoNotOptimize(NvttDirect(image, options.target));
        referenceTotal += Seconds(start);
        oursTotal += ours;
        state.SetIterationTime(ours);
    }
    state.counters["ratio"] = referenceTotal > 0 ? oursTotal / referenceTotal : 0;
    state.counters["nvtt_ms"] = 1000 * referenceTotal / static_cast<double>(state.iterations());
    state.SetLabel(options.target == 10 ? "DXT1" : "DXT5");
}

}  // namespace

BENCHMARK(CompressAgainstNvtt)->ArgsProduct({{64, 256, 1024}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

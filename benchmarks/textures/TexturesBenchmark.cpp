// TextureCompress::Compress against a bare nvtt::Compressor::process with
// the same format, quality and mipmap settings, on the same generated
// images. The figure to read is the ratio of the two times per size and
// format.
#include <benchmark/benchmark.h>
#include <nvtt/nvtt.h>

#include <cstdint>
#include <vector>

#include "engine/bitmap/Bitmap.h"
#include "tetlib/textures/TextureCompress.h"

namespace {

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

void TextureCompressRun(benchmark::State& state) {
    const Vek::Bitmap image = MakeImage(static_cast<int>(state.range(0)));
    TETLib::TextureCompressOptions options;
    options.target = TargetOf(state.range(1));
    for (auto _ : state) {
        Vek::Bitmap source = image;
        TETLib::TextureCompress result;
        benchmark::DoNotOptimize(TETLib::TextureCompress::Compress(source, result, options));
    }
}

void NvttDirect(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const Vek::Bitmap image = MakeImage(side);
    for (auto _ : state) {
        nvtt::Compressor compressor;
        nvtt::InputOptions input;
        nvtt::OutputOptions output;
        nvtt::CompressionOptions compression;
        CountingOutput handler;
        input.setMipmapGeneration(true, -1);
        input.setWrapMode(nvtt::WrapMode_Clamp);
        compressor.enableCudaAcceleration(false);
        compression.setFormat(TargetOf(state.range(1)) == 10 ? nvtt::Format_DXT1 : nvtt::Format_DXT5);
        compression.setQuality(nvtt::Quality_Production);
        input.setTextureLayout(nvtt::TextureType_2D, side, side, 1);
        input.setMipmapData(image.GetData(), side, side, 1, 0, 0);
        input.setMipmapFilter(nvtt::MipmapFilter_Kaiser);
        output.setOutputHandler(&handler);
        output.setOutputHeader(false);
        benchmark::DoNotOptimize(compressor.process(input, compression, output));
    }
}

}  // namespace

BENCHMARK(NvttDirect)->ArgsProduct({{64, 256}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(TextureCompressRun)->ArgsProduct({{64, 256}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

// The DXT compressor module: the texture compression library behind the
// plain C entry point of tetlib/textures/DxtCompressorInterface.h. Built
// as its own loadable module (vorlexdxt.so) beside the program.
#include <nvtt/nvtt.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tetlib/textures/DxtCompressorInterface.h"

namespace {

class SinkOutputHandler : public nvtt::OutputHandler {
public:
    explicit SinkOutputHandler(const VorlexDxtSink& sink) : m_sink(sink) {}
    void beginImage(int size, int width, int height, int /*depth*/, int /*face*/, int /*miplevel*/) override {
        m_ok = m_ok && m_sink.begin(m_sink.user, size, width, height) != 0;
    }
    bool writeData(const void* data, int size) override {
        m_ok = m_ok && m_sink.write(m_sink.user, data, size) != 0;
        return m_ok;
    }
    bool Ok() const { return m_ok; }

private:
    const VorlexDxtSink& m_sink;
    bool m_ok = true;
};

// Keeps the text of the last error the library reported.
class TextErrorHandler : public nvtt::ErrorHandler {
public:
    void error(nvtt::Error e) override { m_text = nvtt::errorString(e); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int VorlexDxtCompress(const VorlexDxtRequest* request,
                                                                        const VorlexDxtSink* sink, char* error,
                                                                        size_t errorSize) {
    if (error && errorSize) error[0] = '\0';
    if (!request || !sink || !request->pixels || request->width <= 0 || request->height <= 0) return 0;

    nvtt::Compressor compressor;
    nvtt::InputOptions input;
    nvtt::OutputOptions output;
    nvtt::CompressionOptions compression;
    SinkOutputHandler outputHandler(*sink);
    TextErrorHandler errorHandler;

    input.setMipmapGeneration(request->mipmaps != 0, -1);
    if (request->normalMap) input.setNormalMap(true);
    input.setWrapMode(request->wrap ? nvtt::WrapMode_Repeat : nvtt::WrapMode_Clamp);
    compressor.enableCudaAcceleration(request->gpuAcceleration != 0);
    switch (request->target) {
        case 10: compression.setFormat(request->alpha ? nvtt::Format_DXT1a : nvtt::Format_DXT1); break;
        case 11: compression.setFormat(nvtt::Format_DXT3); break;
        default: compression.setFormat(nvtt::Format_DXT5); break;
    }
    compression.setQuality(nvtt::Quality_Production);
    input.setTextureLayout(nvtt::TextureType_2D, request->width, request->height, 1);
    input.setMipmapData(request->pixels, request->width, request->height, 1, 0, 0);
    // Other textures use the best downsampling filter the library offers.
    // nvtt 2.0.8 knows only Box, Triangle and Kaiser, and takes any higher
    // filter number as Kaiser; it is named here so the choice does not rest
    // on that fallback.
    input.setMipmapFilter(request->normalMap ? nvtt::MipmapFilter_Box : nvtt::MipmapFilter_Kaiser);

    output.setOutputHandler(&outputHandler);
    output.setErrorHandler(&errorHandler);
    output.setOutputHeader(false);

    if (!compressor.process(input, compression, output) || !outputHandler.Ok()) {
        if (error && errorSize)
            std::snprintf(error, errorSize, "%s",
                          errorHandler.Text().empty() ? "Texture compression failed" : errorHandler.Text().c_str());
        return 0;
    }
    return 1;
}

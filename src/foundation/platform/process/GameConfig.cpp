#include "foundation/platform/process/GameConfig.h"

#include <cstdio>
#include <cstring>

#include "engine/File.h"

const uint32_t kGameConfigMagic[4] = {0x2B746B3Eu, 0x0A80C2BEu, 0x168401F7u, 0x01D1EE3Cu};

namespace {

constexpr const char kFileName[] = "Vorlex.cfg";

Vek::File::Path ConfigPath(const char* folder) {
    Vek::File::Path path(folder);
    path.AddPath(kFileName);
    return path;
}

uint32_t FromLittleEndian(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

void ToLittleEndian(uint32_t value, uint8_t* b) {
    b[0] = static_cast<uint8_t>(value);
    b[1] = static_cast<uint8_t>(value >> 8);
    b[2] = static_cast<uint8_t>(value >> 16);
    b[3] = static_cast<uint8_t>(value >> 24);
}

// One word; 0 when the file ends first.
uint32_t ReadWord(Vek::File& file) {
    uint8_t b[4] = {0, 0, 0, 0};
    if (file.Read(b, 4) != 4) return 0;
    return FromLittleEndian(b);
}

// Each setting once, in its printed form; printf in the C locale.
std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Printed(const char* format, unsigned value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

void GameDisplayOptions::SetDefaults() {
    std::memset(words, 0, sizeof words);
    words[kWidth] = 1024;
    words[kColorBits] = 32;
    words[kStencil] = 1;
    words[kRenderer] = 1;
    SetFloat(kVertexOffset, 0.5f);
    words[kHeight] = 768;
    words[kFullScreen] = 1;
    words[kMultiSample] = 4;
}

float GameDisplayOptions::GetFloat(int word) const {
    float value;
    std::memcpy(&value, &words[word], sizeof value);
    return value;
}

void GameDisplayOptions::SetFloat(int word, float value) { std::memcpy(&words[word], &value, sizeof value); }

std::string GameDisplayOptions::CommandLineOptions() const {
    static const char* const kFrequencies[] = {" -Frequency=60", " -Frequency=70", " -Frequency=72",
                                               " -Frequency=75", " -Frequency=80", " -Frequency=85",
                                               " -Frequency=100"};
    std::string text;
    text += Printed(" -Width=%u", words[kWidth]);
    text += Printed(" -Height=%u", words[kHeight]);
    text += Printed(" -ColorBits=%u", words[kColorBits]);
    text += words[kFullScreen] ? " -fullscreen" : " -windowed";
    float ratio = GetFloat(kScreenRatio);
    if (ratio > 0.01f || ratio < -0.01f) text += Printed(" -PhysicalScreenRatio=%f", ratio);
    if (static_cast<int32_t>(words[kMultiSample]) > 0)
        text += " -multiSample=" + std::to_string(static_cast<int32_t>(words[kMultiSample]));
    text += words[kRenderer] ? " -Render=OpenGL" : " -Render=DirectX9";
    if (!words[kStencil]) text += " -DisableStencil";
    if (words[kNoHwTnL]) text += " -nohwtnl";
    if (words[kGroundPolyOffset]) text += " -groundpolyoffset";
    if (words[kVsync] == 1) text += " -Vsync";
    if (words[kVsync] == 2) text += " -Vsync=2";
    if (words[kFrequency] >= 1 && words[kFrequency] <= 7) text += kFrequencies[words[kFrequency] - 1];
    if (words[kOffsetVertices]) text += Printed(" -offsetvertices=%.1f", GetFloat(kVertexOffset));
    return text;
}

bool ReadGameConfig(const char* folder, GameDisplayOptions& options) {
    options.SetDefaults();
    Vek::File file;
    if (!file.Open(ConfigPath(folder).c_str(), Vek::File::kModeRead)) return false;

    uint8_t head[16];
    uint32_t version = 0;
    bool magic = file.Read(head, sizeof head) == sizeof head;
    for (int i = 0; magic && i < 4; ++i) magic = FromLittleEndian(head + 4 * i) == kGameConfigMagic[i];
    if (magic) {
        version = ReadWord(file);
    } else {
        file.Seek(0, Vek::File::kSeekSet);
    }
    if (version > kGameConfigVersion) return true;

    for (int w = 0; w <= GameDisplayOptions::kGroundPolyOffset; ++w) options.words[w] = ReadWord(file);
    if (version == 1) ReadWord(file);
    for (int w = GameDisplayOptions::kUnused8; w <= GameDisplayOptions::kScreenRatio; ++w)
        options.words[w] = ReadWord(file);
    if (version >= 1) {
        uint8_t b[4];
        options.words[GameDisplayOptions::kMultiSample] = file.Read(b, 4) == 4 ? FromLittleEndian(b) : 4;
        if (version <= 2) options.words[GameDisplayOptions::kMultiSample] = 4;
    }
    uint32_t& multiSample = options.words[GameDisplayOptions::kMultiSample];
    if (multiSample != 2 && multiSample != 4) multiSample = 4;
    return true;
}

bool WriteGameConfig(const char* folder, const GameDisplayOptions& options) {
    Vek::File file;
    if (!file.Open(ConfigPath(folder).c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate)) return false;
    uint8_t bytes[4 * (4 + 1 + GameDisplayOptions::kWordCount)];
    uint8_t* p = bytes;
    for (uint32_t word : kGameConfigMagic) {
        ToLittleEndian(word, p);
        p += 4;
    }
    ToLittleEndian(kGameConfigVersion, p);
    p += 4;
    for (uint32_t word : options.words) {
        ToLittleEndian(word, p);
        p += 4;
    }
    return file.Write(bytes, sizeof bytes) == sizeof bytes;
}

#include "tetlib/textures/TextureTarget.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace TETLib {

std::array<CompressionChoice, 3> ParseCompressionList(const char* value) {
    std::array<CompressionChoice, 3> pairs{};
    if (!value) return pairs;
    std::string text(value);
    size_t start = 0;
    for (int i = 0; i < 3 && start <= text.size(); ++i) {
        const size_t comma = text.find(',', start);
        std::string word = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (i == 0 && word == "auto") return {CompressionChoice{10, false}, {10, true}, {12, true}};
        if (word == "dxt1") pairs[i] = {10, false};
        else if (word == "dxt1a") pairs[i] = {10, true};
        else if (word == "dxt3") pairs[i] = {11, true};
        else if (word == "dxt5") pairs[i] = {12, true};
        else if (word == "none") pairs[i] = {1, true};
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return pairs;
}

void LimitTextureSize(uint32_t width, uint32_t height, uint32_t maxWidth, uint32_t maxHeight, uint32_t& outWidth,
                      uint32_t& outHeight) {
    double w = width;
    double h = height;
    if (w > maxWidth && w > 0) {
        h = std::max(1.0, static_cast<double>(static_cast<uint32_t>(h / w * maxWidth)));
        w = maxWidth;
    }
    if (h > maxHeight && h > 0) {
        w = std::max(1.0, static_cast<double>(static_cast<uint32_t>(w / h * maxHeight)));
        h = maxHeight;
    }
    outWidth = static_cast<uint32_t>(w);
    outHeight = static_cast<uint32_t>(h);
}

int ChooseTextureTarget(const TextureTargetInput& input, bool& targetAlpha) {
    targetAlpha = true;
    CompressionChoice choice{1, false};
    if (!input.hasOptions || input.alphaClass == -1) return 1;

    int alphaClass = input.alphaClass;
    if (input.compression) {
        if (input.normalMapHint && alphaClass == 2) alphaClass = 1;
        const auto pairs = ParseCompressionList(input.compression);
        if (alphaClass == 0) choice = pairs[0];
        else if (alphaClass == 1) choice = pairs[2];
        else if (alphaClass == 2) choice = pairs[1];
        targetAlpha = choice.alpha;
    }

    int mode = input.compressionCode;
    if (std::max(input.width, input.height) < 64 || std::min(input.width, input.height) < 8) mode = 0;
    int target;
    switch (mode) {
        case 0:
            target = alphaClass == 0 ? 3 : 1;
            targetAlpha = alphaClass != 0;
            break;
        case 1: target = 10; targetAlpha = alphaClass != 0; break;
        case 2: target = 11; targetAlpha = true; break;
        case 3: target = 12; targetAlpha = true; break;
        default: target = choice.target; break;
    }
    if (input.forced) {
        target = choice.target;
        targetAlpha = choice.alpha;
    }
    if (input.width % 4 != 0 || input.height % 4 != 0) target = targetAlpha ? 1 : 3;
    return target;
}

}  // namespace TETLib

#include "assetdb/assetinfo/GetAssetDisplayName.h"

#include <string>

#include "assetdb/categories/AssetNameText.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/soups/SoupHandle.h"

namespace {

bool IsNameSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// Builds before this (times 100) keep underscores for blanks.
constexpr int kFirstBuildWithUnderscores = 290;

}  // namespace

Vek::String GetAssetDisplayName(const SoupHandle& config) {
    Vek::String name(config.GetString(Vek::PString("username")).c_str());
    if (name.IsEmpty()) name = config.GetString(Vek::PString("name")).c_str();
    if (name.IsEmpty()) name = config.GetString(Vek::PString("asset-filename")).c_str();

    const float build = config.GetFloat(Vek::PString("vorlex-build"), 0.0f);
    if (static_cast<int>((build + 0.005f) * 100.0f) < kFirstBuildWithUnderscores)
        name = UnderscoresToSpaces(name.c_str());
    return CleanAssetName(name);
}

Vek::String CleanAssetName(const Vek::String& name) {
    std::string text = name.Std();
    std::size_t begin = 0;
    while (begin < text.size() && IsNameSpace(text[begin])) ++begin;
    std::size_t end = text.size();
    while (end > begin && IsNameSpace(text[end - 1])) --end;
    text = text.substr(begin, end - begin);

    if (!text.empty()) {
        const int lead = QuoteLengthAt(text.data(), static_cast<int>(text.size()));
        text.erase(0, static_cast<std::size_t>(lead));
    }
    if (!text.empty()) {
        const int trail = QuoteLengthAt(text.data() + text.size() - 1, -static_cast<int>(text.size()));
        text.erase(text.size() - static_cast<std::size_t>(trail));
    }
    if (text.empty()) return GetLocalisedText("$cm_general_untitled");
    return Vek::String(std::string_view(text));
}

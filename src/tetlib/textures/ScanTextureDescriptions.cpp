#include "tetlib/textures/ScanTextureDescriptions.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/File.h"
#include "engine/bitmap/Bitmap.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"

namespace TETLib {

namespace {

constexpr size_t kLineBytes = 512;

std::string Relative(const std::string& root, const std::string& path) {
    return path.size() >= root.size() ? path.substr(root.size()) : path;
}

void Report(const char* key, std::initializer_list<ToolsTextArg> args) {
    if (ErrorHandler* handler = ErrorHandler::Instance()) handler->AddError(LocalisedToolsText(key, args));
}

bool IsPowerOfTwo(int value) {
    const unsigned v = static_cast<unsigned>(value);
    return (v & (v - 1)) == 0;
}

bool EndsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && std::equal(ending.rbegin(), ending.rend(), text.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A value ends at its first carriage return or line feed.
std::string Value(const char* text) {
    std::string value(text);
    const size_t end = value.find_first_of("\r\n");
    return end == std::string::npos ? value : value.substr(0, end);
}

struct LoadedImage {
    bool loaded = false;
    int width = 0, height = 0;
};

// The primary or alpha checks; false when the description's remaining
// checks are to be skipped (the image exists but cannot be loaded).
bool CheckImage(const std::string& root, const std::string& folder, const std::string& value, const std::string& file,
                const char* missingKey, LoadedImage& image, bool& result) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    path += Lower(value);
    if (!Vek::File::Exists(path.c_str())) {
        Report(missingKey, {Relative(root, path), Relative(root, file)});
        result = false;
        return true;
    }
    Vek::Bitmap bitmap;
    if (!bitmap.Load(path.c_str())) {
        Report("$tet_texture_failedload", {Relative(root, path)});
        result = false;
        return false;
    }
    image.loaded = true;
    image.width = bitmap.GetWidth();
    image.height = bitmap.GetHeight();
    if (!IsPowerOfTwo(image.width) || !IsPowerOfTwo(image.height)) {
        Report("$tet_texture_notpower2", {Relative(root, path)});
        result = false;
    }
    return true;
}

// The checks of one description; false when the conversion check is to be
// skipped.
bool CheckDescription(const std::string& root, const std::string& folder, const std::string& file, bool& result) {
    Vek::File in;
    std::string primary, alpha;
    bool nonAnsi = false;
    if (in.Open(file.c_str(), 16)) {
        char line[kLineBytes + 1];
        while (Vek::File::ReadLine(in, line, kLineBytes)) {
            if (std::strncmp(line, "Primary=", 8) == 0) primary = Value(line + 8);
            else if (std::strncmp(line, "Alpha=", 6) == 0) alpha = Value(line + 6);
            if (!nonAnsi)
                for (const char* c = line; *c; ++c)
                    if (static_cast<unsigned char>(*c) >= 0x80) nonAnsi = true;
        }
    }
    if (nonAnsi) {
        Report("$tet_non_ansi_texture", {Relative(root, file)});
        result = false;
    }
    LoadedImage primaryImage, alphaImage;
    if (!primary.empty() &&
        !CheckImage(root, folder, primary, file, "$tet_texture_missing_primary", primaryImage, result))
        return false;
    if (!alpha.empty() && !CheckImage(root, folder, alpha, file, "$tet_texture_missing_alpha", alphaImage, result))
        return false;
    if (primaryImage.loaded && alphaImage.loaded &&
        (primaryImage.width != alphaImage.width || primaryImage.height != alphaImage.height)) {
        Report("$tet_primaryalpha_notsamesize", {Relative(root, file)});
        result = false;
    }
    return true;
}

}  // namespace

bool ScanTextureDescriptions(const std::string& root, const std::string& folder) {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '/';
    const std::string prefix = pattern;
    pattern += "*";
    Vek::File::Find find;
    if (!find.Open(pattern.c_str())) return true;
    DataManager* data = DataManager::Instance();
    bool result = true;
    do {
        const std::string name = find.GetName();
        if (name == "." || name == "..") continue;
        const std::string full = prefix + name;
        if (find.IsDirectory() && !ScanTextureDescriptions(root, full)) result = false;
        const Vek::File::Path path(full.c_str());
        if (path.IsExt("texture") && data && !data->IsMeshLoadFailed()) {
            if (!Vek::File::Exists((full + ".txt").c_str())) {
                const Vek::PString text = LocalisedToolsText("$tet_duplicatetexture", {Relative(root, full)});
                const int build = BuildCodeWithMargin(data->GetAssetBuild());
                if (ErrorHandler* handler = ErrorHandler::Instance()) {
                    if (build < 290) handler->AddWarning(text);
                    else handler->AddError(text);
                }
                result = false;
            }
        }
        if (!path.IsExt("txt")) continue;
        const std::string inner = full.substr(0, full.size() - 4);
        if (EndsWith(inner, ".convert-tex")) {
            Report("$tet_texture_failedload", {Relative(root, full)});
            result = false;
            continue;
        }
        if (!EndsWith(inner, ".texture")) continue;
        if (!CheckDescription(root, prefix, full, result)) continue;
        if (data && data->IsInstalledLocation() && !Vek::File::Exists(inner.c_str())) {
            Report("$tet_binary_texture_conversion_failed", {Relative(root, full)});
            result = false;
        }
    } while (find.Next());
    return result;
}

}  // namespace TETLib

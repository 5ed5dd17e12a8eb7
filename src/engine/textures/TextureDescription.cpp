#include "engine/textures/TextureDescription.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "engine/File.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/bitmap/PictureBudget.h"

namespace Vek {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string JoinImagePath(const char* folder, const std::string& name) {
    File::Path path(folder ? folder : "");
    if (path.IsEmpty()) return name;
    path.AddPath(name.c_str());
    return path.Str();
}

}  // namespace

bool TextureDescription::Apply(const std::string& key, const std::string& rawValue, std::string& error) {
    const std::string value = Trim(rawValue);
    const std::string lowerValue = Lower(value);
    const std::string lowerKey = Lower(key);
    if (key == "Primary") {
        primary = value;
    } else if (key == "Alpha") {
        alpha = value;
    } else if (lowerKey == "alphahint") {
        if (lowerValue == "opaque") alphaClass = 0;
        else if (lowerValue == "semitransparent") alphaClass = 1;
        else if (lowerValue == "masked") alphaClass = 2;
        else {
            error = "unknown AlphaHint '" + value + "'";
            return false;
        }
    } else if (lowerKey == "compression") {
        static const char* const kWords[] = {"none", "dxt1", "dxt3", "dxt5", "auto"};
        auto found = std::find(std::begin(kWords), std::end(kWords), lowerValue);
        if (found == std::end(kWords)) {
            error = "unknown Compression '" + value + "'";
            return false;
        }
        compression = static_cast<int>(found - std::begin(kWords));
    } else if (lowerKey == "hint") {
        normalMapHint = lowerValue == "normalmap";
    } else if (lowerKey == "modifymap") {
        if (lowerValue != "0" && lowerValue != "1") {
            error = "ModifyMap must be 0 or 1";
            return false;
        }
        modifyMap = lowerValue == "1" ? 1 : 0;
    } else if (lowerKey == "tile") {
        if (lowerValue != "st" && lowerValue != "s" && lowerValue != "t" && lowerValue != "none") {
            error = "unknown Tile '" + value + "'";
            return false;
        }
        wrapS = lowerValue.find('s') != std::string::npos ? 2 : 0;
        wrapT = lowerValue.find('t') != std::string::npos ? 2 : 0;
    } else if (lowerKey == "mipmaps") {
        if (lowerValue != "yes" && lowerValue != "no") {
            error = "Mipmaps must be yes or no";
            return false;
        }
        mipmaps = lowerValue == "yes";
    } else if (lowerKey == "automip" || lowerKey == "anisotropy" || lowerKey == "magfilter" ||
               lowerKey == "minfilter" || lowerKey == "mipfilter") {
        displaySettings[lowerKey] = value;
    }
    return true;
}

bool TextureDescription::Parse(const std::string& text, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
        const size_t equals = trimmed.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "line " + std::to_string(number) + ": expected key=value";
            return false;
        }
        std::string lineError;
        if (!Apply(Trim(trimmed.substr(0, equals)), trimmed.substr(equals + 1), lineError)) {
            error = "line " + std::to_string(number) + ": " + lineError;
            return false;
        }
    }
    if (primary.empty()) {
        error = "no Primary image";
        return false;
    }
    return true;
}

namespace {

// Why an image of the description could not be read, naming it.
std::string ReadFailure(const std::string& name) {
    switch (Bitmap::LastLoadFailure()) {
        case Bitmap::LoadFailure::kShortPixelData:
            return "cannot read the image '" + name + "': the file is shorter than the pixels its header declares";
        case Bitmap::LoadFailure::kNoBudget:
            return "cannot read the image '" + name + "': no room to decode it within the picture budget of " +
                   std::to_string(PictureBudget::Limit() >> 20) + " MiB";
        default:
            return "cannot read the image '" + name + "'";
    }
}

}  // namespace

bool TextureDescription::LoadImage(const char* folder, const PString& root, Bitmap& image, std::string& error) {
    Bitmap colour;
    const std::string primaryPath = JoinImagePath(folder, primary);
    if (!colour.Load(primaryPath.c_str(), root)) {
        error = ReadFailure(primary);
        return false;
    }
    if (!alpha.empty()) {
        Bitmap mask;
        const std::string alphaPath = JoinImagePath(folder, alpha);
        if (!mask.Load(alphaPath.c_str(), root)) {
            error = ReadFailure(alpha);
            return false;
        }
        std::unique_ptr<Bitmap> scaled;
        const Bitmap* source = &mask;
        if (mask.GetWidth() != colour.GetWidth() || mask.GetHeight() != colour.GetHeight()) {
            scaled = mask.Scale(colour.GetWidth(), colour.GetHeight());
            if (!scaled) {
                error = "cannot scale the image '" + alpha + "'";
                return false;
            }
            source = scaled.get();
        }
        for (int y = 0; y < colour.GetHeight(); ++y)
            for (int x = 0; x < colour.GetWidth(); ++x) {
                const uint32_t green = (source->GetPixel(x, y) >> 8) & 0xFF;
                colour.SetPixel(x, y, (colour.GetPixel(x, y) & 0x00FFFFFFu) | green << 24);
            }
    }
    if (alphaClass < 0) {
        bool opaque = true, binary = true;
        for (int y = 0; y < colour.GetHeight(); ++y)
            for (int x = 0; x < colour.GetWidth(); ++x) {
                const uint32_t a = colour.GetPixel(x, y) >> 24;
                if (a != 255) opaque = false;
                if (a != 0 && a != 255) binary = false;
            }
        alphaClass = opaque ? 0 : binary ? 2 : 1;
    }
    image = std::move(colour);
    return true;
}

}  // namespace Vek

#pragma once
// A texture description: the text form of a texture (a ".texture.txt"
// file), naming its images and its settings, one "key=value" per line.
// Keys are matched without case, except "Primary=" and "Alpha=", which are
// matched as written (the asset checks read them the same way). Unknown
// keys, blank lines and lines starting with ';' or '#' are ignored; a later
// line of the same key replaces the earlier one.
//
//   Primary=<image>          the colour image (TGA, BMP, JPEG or PNG),
//                            relative to the description's folder; required
//   Alpha=<image>            optional; its green channel becomes the alpha
//                            of the primary image (scaled to its size)
//   AlphaHint=<word>         "opaque" (class 0), "semitransparent" (class 1)
//                            or "masked" (class 2, one-bit alpha); without
//                            it the class is found from the pixels: all
//                            alphas 255 gives 0, all 0 or 255 gives 2,
//                            anything else 1
//   Compression=<word>       "none" (0), "dxt1" (1), "dxt3" (2), "dxt5" (3)
//                            or "auto" (4, the default): the texture's own
//                            compression code; "auto" leaves the choice to
//                            the conversion's compression list
//   Hint=<word>              "normalmap" sets the normal-map hint
//   ModifyMap=<0|1>          1: the green channel is inverted when compiled
//   Tile=<word>              "st" (default), "s", "t" or "none": the axes
//                            that repeat (wrap mode 2) rather than clamp (0)
//   Mipmaps=<yes|no>         whether the compiled texture carries mipmaps
//                            (default yes)
//   AutoMip, Anisotropy, MagFilter, MinFilter, MipFilter: run-time display
//                            settings, kept as text
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "engine/bitmap/Bitmap.h"

namespace Vek {

class TextureDescription {
public:
    // Reads the settings from the text. False, with an error text, when a
    // line is malformed or "Primary=" is missing.
    bool Parse(const std::string& text, std::string& error);
    // Applies one setting (key matched as Parse does). False for a bad value.
    bool Apply(const std::string& key, const std::string& value, std::string& error);

    // Loads the images named by the description relative to `folder`
    // (inside the file-system root `root`, empty for the plain file
    // system) into one format-2 bitmap, and sets the alpha class when no
    // "AlphaHint" gave it. False, with an error text, when an image cannot
    // be read.
    bool LoadImage(const char* folder, const PString& root, Bitmap& image, std::string& error);

    std::string primary;
    std::string alpha;
    int alphaClass = -1;
    int compression = 4;
    bool normalMapHint = false;
    int modifyMap = 0;
    int wrapS = 2;
    int wrapT = 2;
    bool mipmaps = true;
    std::map<std::string, std::string> displaySettings;
};

}  // namespace Vek

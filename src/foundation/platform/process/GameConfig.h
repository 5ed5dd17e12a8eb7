#pragma once
// The simulator's display options and their file "Vorlex.cfg": a 16-byte
// magic, a version word (3 when written) and fifteen 32-bit option words,
// little-endian. Words 10 and 13 hold floats.
#include <cstdint>
#include <string>

struct GameDisplayOptions {
    enum Word : int {
        kWidth = 0,
        kColorBits = 1,
        kVsync = 2,           // 1: " -Vsync", 2: " -Vsync=2"
        kFrequency = 3,       // 1 to 7: one of the refresh rates
        kStencil = 4,
        kRenderer = 5,        // non-zero: OpenGL, 0: DirectX9
        kNoHwTnL = 6,
        kGroundPolyOffset = 7,
        kUnused8 = 8,         // read and written, no option
        kOffsetVertices = 9,
        kVertexOffset = 10,   // float
        kHeight = 11,
        kFullScreen = 12,
        kScreenRatio = 13,    // float
        kMultiSample = 14,    // 2 or 4
        kWordCount = 15
    };

    uint32_t words[kWordCount];

    // The defaults: 1024 x 768, 32 bits, stencil, OpenGL, full screen,
    // vertex offset 0.5, multisampling 4, everything else 0.
    GameDisplayOptions() { SetDefaults(); }
    void SetDefaults();

    float GetFloat(int word) const;
    void SetFloat(int word, float value);

    // The simulator's command-line options for these words, in the order
    // width, height, colour bits, full screen or windowed, screen ratio,
    // multisampling, renderer, stencil, hardware transform and lighting,
    // ground polygon offset, vertical sync, refresh rate, vertex offset.
    std::string CommandLineOptions() const;
};

// The file's magic words.
extern const uint32_t kGameConfigMagic[4];
constexpr uint32_t kGameConfigVersion = 3;

// Sets the defaults, then reads "Vorlex.cfg" in `folder`. A file without the
// magic is read from its start as version 0; a version above 3 keeps the
// defaults. Versions 0 to 3 read words 0 to 7, one dropped word (version 1
// only), words 8 to 13 and, for versions 1 to 3, word 14 (set to 4 for
// versions 1 and 2). A word 14 other than 2 or 4 becomes 4. A short file
// leaves 0 in the words it lacks (4 in word 14). True once the file opened.
bool ReadGameConfig(const char* folder, GameDisplayOptions& options);
// Creates "Vorlex.cfg" in `folder` with the magic, version 3 and the
// fifteen words. False when it could not be written whole.
bool WriteGameConfig(const char* folder, const GameDisplayOptions& options);

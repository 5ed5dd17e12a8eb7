#pragma once
// The arguments of one texture-stage operation (colour or alpha): the stage,
// the argument count, the mode, the function and four arguments as pairs of
// numbers, with a leading flag byte.
#include <cstdint>

namespace Vek {

struct TextureArgs {
    uint8_t flag = 0;
    int stage = 0;
    int argumentCount = 0;
    int mode = 0;
    int function = 0;
    int arguments[4][2] = {{3, 3}, {3, 3}, {3, 3}, {3, 3}};

    TextureArgs() = default;
    TextureArgs(int stage_, int count, int mode_, int function_, const int (&args)[4][2])
        : stage(stage_), argumentCount(count), mode(mode_), function(function_) {
        for (int i = 0; i < 4; ++i) {
            arguments[i][0] = args[i][0];
            arguments[i][1] = args[i][1];
        }
    }
};

}  // namespace Vek

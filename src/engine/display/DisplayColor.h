#pragma once
// An RGBA colour of floats, as the display's ambient colour and the
// materials' colours hold it.
namespace Vek {

struct DisplayColor {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;

    bool operator==(const DisplayColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const DisplayColor& o) const { return !(*this == o); }
};

}  // namespace Vek

#pragma once
// A plain 4x4 float matrix for the display's world and texture matrices and
// the chunks' influence matrices. Row vectors: a point times the matrix;
// rows 0 to 2 are the basis, row 3 the translation.
namespace Vek {

struct DisplayMatrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static DisplayMatrix Identity() { return DisplayMatrix(); }
    bool operator==(const DisplayMatrix& other) const {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                if (m[r][c] != other.m[r][c]) return false;
        return true;
    }
    bool operator!=(const DisplayMatrix& other) const { return !(*this == other); }
};

}  // namespace Vek

#pragma once
// The drawable side of a scene object: it keeps the matrix and viewport it
// was last stored with by the culling pass, for drawing later.
#include "engine/math/Matrix4.h"

namespace Vek {

class ViewPort;

class Geometry {
public:
    virtual ~Geometry() = default;

    void StoreMatrix(ViewPort* viewPort, const Matrix4& matrix) {
        m_viewPort = viewPort;
        m_matrix = matrix;
        m_stored = true;
    }
    bool HasStoredMatrix() const { return m_stored; }
    const Matrix4& GetStoredMatrix() const { return m_matrix; }
    ViewPort* GetStoredViewPort() const { return m_viewPort; }

protected:
    void InitInstance(const Geometry&) {}  // a copy starts with nothing stored

private:
    ViewPort* m_viewPort = nullptr;
    Matrix4 m_matrix;
    bool m_stored = false;
};

}  // namespace Vek

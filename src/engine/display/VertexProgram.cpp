#include "engine/display/VertexProgram.h"

#include <algorithm>
#include <sstream>

#include "engine/display/Display.h"

namespace Vek {

bool VertexProgram::HasFeature(const std::string& feature) const {
    return std::find(m_features.begin(), m_features.end(), feature) != m_features.end();
}

bool VertexProgram::SetLocal(int index, float x, float y, float z, float w) {
    if (index < 0 || index >= kLocalCount) return false;
    m_locals[static_cast<std::size_t>(index)] = {x, y, z, w};
    if (m_display) {
        std::ostringstream line;
        line << "SetProgramLocal " << m_name << ' ' << index << ' ' << x << ' ' << y << ' ' << z << ' ' << w;
        m_display->GetTrace().Add(line.str());
    }
    return true;
}

}  // namespace Vek

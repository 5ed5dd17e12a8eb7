#include "engine/display/TextureCombiner.h"

#include <sstream>

#include "engine/display/Display.h"

namespace Vek {

bool TextureCombiner::SetRegister(int index, float r, float g, float b, float a) {
    auto it = m_registers.find(index);
    if (it == m_registers.end()) return false;
    it->second.value = {r, g, b, a};
    if (m_display) {
        std::ostringstream line;
        line << "SetCombinerRegister " << m_name << ' ' << index << ' ' << r << ' ' << g << ' ' << b << ' ' << a;
        m_display->GetTrace().Add(line.str());
    }
    return true;
}

bool TextureCombiner::GetRegister(int index, Vector4& value) const {
    auto it = m_registers.find(index);
    if (it == m_registers.end()) return false;
    value = it->second.value;
    return true;
}

}  // namespace Vek

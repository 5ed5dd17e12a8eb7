#pragma once
// A loaded texture combiner (pixel program): the constant registers its text
// declares, each with a name and a default, which materials overwrite before
// a draw. Counted like vertex programs.
#include <array>
#include <map>
#include <string>

#include "engine/ReferenceCount.h"

namespace Vek {

class Display;

class TextureCombiner : public ReferenceCount {
public:
    using Vector4 = std::array<float, 4>;
    struct Register {
        std::string name;
        Vector4 value{};
    };

    TextureCombiner(Display* display, std::string name, std::map<int, Register> registers)
        : m_display(display), m_name(std::move(name)), m_registers(std::move(registers)) {}

    const std::string& GetName() const { return m_name; }
    const std::map<int, Register>& GetRegisters() const { return m_registers; }
    // Writes a declared register and records it in the display's trace;
    // false, nothing written, for a register the text does not declare.
    bool SetRegister(int index, float r, float g, float b, float a);
    bool GetRegister(int index, Vector4& value) const;

private:
    Display* m_display;
    std::string m_name;
    std::map<int, Register> m_registers;
};

}  // namespace Vek

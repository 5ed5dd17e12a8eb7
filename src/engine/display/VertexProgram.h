#pragma once
// A loaded vertex program: one program declared in a registered program
// text (engine/display/VertexProgramManager.h), with its vertex layout, its
// feature switches and sixteen local parameters that the materials set
// before a draw. Counted: the manager keeps one reference per cached
// program and every holder one more.
#include <array>
#include <string>
#include <vector>

#include "engine/ReferenceCount.h"

namespace Vek {

class Display;

class VertexProgram : public ReferenceCount {
public:
    static constexpr int kLocalCount = 16;
    using Vector4 = std::array<float, 4>;

    VertexProgram(Display* display, std::string name, std::string group, std::string layout,
                  std::vector<std::string> features, int vertexTypeId)
        : m_display(display), m_name(std::move(name)), m_group(std::move(group)), m_layout(std::move(layout)),
          m_features(std::move(features)), m_vertexTypeId(vertexTypeId) {}

    const std::string& GetName() const { return m_name; }
    const std::string& GetGroup() const { return m_group; }
    const std::string& GetLayout() const { return m_layout; }
    const std::vector<std::string>& GetFeatures() const { return m_features; }
    bool HasFeature(const std::string& feature) const;
    int GetVertexTypeID() const { return m_vertexTypeId; }

    // Sets local parameter `index` (0 to 15; others are ignored, false) and
    // records the change in the display's trace.
    bool SetLocal(int index, float x, float y, float z, float w = 0.0f);
    Vector4 GetLocal(int index) const { return index >= 0 && index < kLocalCount ? m_locals[index] : Vector4{}; }

private:
    Display* m_display;
    std::string m_name;
    std::string m_group;
    std::string m_layout;
    std::vector<std::string> m_features;
    int m_vertexTypeId;
    std::array<Vector4, kLocalCount> m_locals{};
};

}  // namespace Vek

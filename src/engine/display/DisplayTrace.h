#pragma once
// The display's trace: one line per state change and per draw, in order, so
// that tests can read what a material did to the display. Each line is the
// operation's name followed by its values separated by blanks
// ("SetAlphaBlendFunction 4 5", "DrawChunk triangles=1 program=P").
#include <cstddef>
#include <string>
#include <vector>

namespace Vek {

class DisplayTrace {
public:
    void Add(std::string line) {
        if (m_enabled) m_lines.push_back(std::move(line));
    }
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::size_t Count() const { return m_lines.size(); }
    void Clear() { m_lines.clear(); }
    // The number of lines that start with `prefix`.
    std::size_t CountStartingWith(const std::string& prefix) const {
        std::size_t n = 0;
        for (const std::string& line : m_lines)
            if (line.compare(0, prefix.size(), prefix) == 0) ++n;
        return n;
    }
    void SetEnabled(bool on) { m_enabled = on; }

private:
    std::vector<std::string> m_lines;
    bool m_enabled = true;
};

}  // namespace Vek

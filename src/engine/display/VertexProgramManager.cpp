#include "engine/display/VertexProgramManager.h"

#include "engine/display/Display.h"
#include "engine/display/ProgramText.h"
#include "engine/display/VertexProgram.h"

namespace Vek {

namespace {

bool At(const std::vector<std::string>& t, std::size_t i, const char* text) { return i < t.size() && t[i] == text; }

// Parses the declarations of a vertexProgram block from just after its "{"
// up to its "}". False on a malformed declaration.
bool ParseDeclarations(const std::vector<std::string>& t, std::size_t i, std::size_t end,
                       std::vector<VertexProgramManager::Declaration>& out) {
    while (i < end) {
        if (t[i] == ";" || t[i] == ",") {
            ++i;
            continue;
        }
        VertexProgramManager::Declaration d;
        d.name = t[i];
        if (!At(t, i + 1, "(") || i + 3 >= end || !At(t, i + 3, ")")) return false;
        d.layout = t[i + 2];
        i += 4;
        bool braced = At(t, i, "{");
        if (braced) ++i;
        while (i < end && !(braced ? t[i] == "}" : t[i] == ";")) {
            if (t[i] == "{" || t[i] == "(" || t[i] == ")") return false;
            if (t[i] != "," && t[i] != ":") d.features.push_back(t[i]);
            ++i;
        }
        if (braced && i >= end) return false;
        ++i;
        out.push_back(std::move(d));
    }
    return true;
}

}  // namespace

VertexProgramManager::~VertexProgramManager() {
    for (auto& entry : m_loaded) entry.second->ReleaseReference();
}

bool VertexProgramManager::ParseText(const std::string& text, std::string& group,
                                     std::vector<Declaration>& declarations) {
    std::vector<std::string> t = ProgramText::Tokenize(text);
    if (!ProgramText::Balanced(t)) return false;
    group.clear();
    declarations.clear();
    bool found = false;
    std::size_t i = 0;
    while (i < t.size()) {
        if (t[i] == "{") {
            i = ProgramText::SkipBlock(t, i);
            continue;
        }
        if (t[i] == "vertexProgram" && At(t, i + 1, "(") && At(t, i + 3, ")") && At(t, i + 4, "{")) {
            if (found) return false;  // one group per text
            found = true;
            group = t[i + 2];
            std::size_t end = ProgramText::SkipBlock(t, i + 4);
            if (!ParseDeclarations(t, i + 5, end - 1, declarations)) return false;
            i = end;
            continue;
        }
        ++i;
    }
    return found && !declarations.empty();
}

bool VertexProgramManager::RegisterBuiltInPrograms(const char* group, const char* text) {
    if (!group || !*group || !text) return false;
    std::string declared;
    std::vector<Declaration> declarations;
    if (!ParseText(text, declared, declarations) || declared != group) return false;
    std::lock_guard<std::mutex> hold(m_lock);
    m_groups[group] = std::move(declarations);
    return true;
}

bool VertexProgramManager::IsRegistered(const char* group) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return group && m_groups.count(group) != 0;
}

const std::vector<VertexProgramManager::Declaration>* VertexProgramManager::GetDeclarations(const char* group) const {
    std::lock_guard<std::mutex> hold(m_lock);
    auto it = group ? m_groups.find(group) : m_groups.end();
    return it == m_groups.end() ? nullptr : &it->second;
}

int VertexProgramManager::LoadProgram(const char* name, const char* group, int vertexTypeId, int /*flags*/,
                                      VertexProgram** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!m_display || !m_display->GetProfile().HasVertexPrograms()) return 1;
    if (!name || !group) return 3;
    std::lock_guard<std::mutex> hold(m_lock);
    auto key = std::make_tuple(std::string(group), std::string(name), vertexTypeId);
    auto loaded = m_loaded.find(key);
    if (loaded != m_loaded.end()) {
        loaded->second->AddReference();
        *out = loaded->second;
        return 0;
    }
    auto g = m_groups.find(group);
    if (g == m_groups.end()) return 3;
    for (const Declaration& d : g->second) {
        if (d.name != name) continue;
        auto* program = new VertexProgram(m_display, d.name, group, d.layout, d.features, vertexTypeId);
        m_loaded.emplace(key, program);
        program->AddReference();
        *out = program;
        return 0;
    }
    return 3;
}

}  // namespace Vek

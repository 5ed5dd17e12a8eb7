#include "engine/display/TextureCombinerManager.h"

#include <cstdlib>

#include "engine/display/Display.h"
#include "engine/display/ProgramText.h"

namespace Vek {

namespace {

bool At(const std::vector<std::string>& t, std::size_t i, const char* text) { return i < t.size() && t[i] == text; }

bool Number(const std::vector<std::string>& t, std::size_t& i, float& value) {
    bool negative = false;
    if (At(t, i, "-")) {
        negative = true;
        ++i;
    }
    if (i >= t.size()) return false;
    char* end = nullptr;
    value = std::strtof(t[i].c_str(), &end);
    if (!end || *end != '\0' || t[i].empty()) return false;
    if (negative) value = -value;
    ++i;
    return true;
}

}  // namespace

TextureCombinerManager::~TextureCombinerManager() {
    for (auto& entry : m_loaded) entry.second->ReleaseReference();
}

bool TextureCombinerManager::ParseText(const std::string& text, std::string& name,
                                       std::map<int, TextureCombiner::Register>& registers) {
    std::vector<std::string> t = ProgramText::Tokenize(text);
    if (!ProgramText::Balanced(t)) return false;
    registers.clear();
    name.clear();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == "{") {
            i = ProgramText::SkipBlock(t, i) - 1;
            continue;
        }
        if (!(t[i] == "header" && At(t, i + 1, "(") && At(t, i + 3, ")") && At(t, i + 4, "{"))) continue;
        if (!name.empty()) return false;  // one header per text
        name = t[i + 2];
        std::size_t end = ProgramText::SkipBlock(t, i + 4) - 1;
        std::size_t j = i + 5;
        while (j < end) {
            if (t[j] == ";") {
                ++j;
                continue;
            }
            if (t[j] != "reg" || j + 5 >= end) return false;
            char* numberEnd = nullptr;
            long index = std::strtol(t[j + 1].c_str(), &numberEnd, 10);
            if (!numberEnd || *numberEnd || index < 0 || index > 31) return false;
            if (!At(t, j + 2, "(") || !At(t, j + 4, ")") || !At(t, j + 5, "-")) return false;
            TextureCombiner::Register reg;
            reg.name = t[j + 3];
            j += 6;
            for (int k = 0; k < 4; ++k) {
                if (k > 0) {
                    if (!At(t, j, ",")) return false;
                    ++j;
                }
                if (!Number(t, j, reg.value[static_cast<std::size_t>(k)])) return false;
            }
            if (!At(t, j, ";")) return false;
            ++j;
            if (!registers.emplace(static_cast<int>(index), reg).second) return false;
        }
        i = end;
    }
    return !name.empty();
}

bool TextureCombinerManager::RegisterBuiltInPrograms(const char* name, const char* text) {
    if (!name || !*name || !text) return false;
    std::string declared;
    std::map<int, TextureCombiner::Register> registers;
    if (!ParseText(text, declared, registers) || declared != name) return false;
    std::lock_guard<std::mutex> hold(m_lock);
    m_texts[name] = std::move(registers);
    return true;
}

bool TextureCombinerManager::IsRegistered(const char* name) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return name && m_texts.count(name) != 0;
}

int TextureCombinerManager::LoadCombiner(const char* name, TextureCombiner** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!m_display || !m_display->GetProfile().HasTextureCombiners()) return 1;
    if (!name) return 3;
    std::lock_guard<std::mutex> hold(m_lock);
    auto loaded = m_loaded.find(name);
    if (loaded != m_loaded.end()) {
        loaded->second->AddReference();
        *out = loaded->second;
        return 0;
    }
    auto text = m_texts.find(name);
    if (text == m_texts.end()) return 3;
    auto* combiner = new TextureCombiner(m_display, name, text->second);
    m_loaded.emplace(name, combiner);
    combiner->AddReference();
    *out = combiner;
    return 0;
}

}  // namespace Vek

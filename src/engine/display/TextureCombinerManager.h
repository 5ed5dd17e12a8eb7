#pragma once
// The display's texture-combiner manager. Pixel-program texts are registered
// under their combiner names (RegisterBuiltInPrograms) and parsed for their
// header; LoadCombiner gives a combiner by name.
//
// Text form: '#' comment lines; "version <n>"; a block
// "header(<name>) { reg <n> (<Name>) - r, g, b, a; ... }" that names each
// constant register and gives its default; then the program body blocks
// ("API(common) { ... }"), kept, not interpreted. The header's name must be
// the name the text is registered under.
//
// Results: 0 loaded; 3 no text of that name; 1 no display or no combiner
// support.
#include <map>
#include <mutex>
#include <string>

#include "engine/display/TextureCombiner.h"

namespace Vek {

class Display;

class TextureCombinerManager {
public:
    explicit TextureCombinerManager(Display* display) : m_display(display) {}
    ~TextureCombinerManager();
    TextureCombinerManager(const TextureCombinerManager&) = delete;
    TextureCombinerManager& operator=(const TextureCombinerManager&) = delete;

    // False, nothing registered, for an empty name, a malformed text or a
    // text whose header declares another name.
    bool RegisterBuiltInPrograms(const char* name, const char* text);
    bool IsRegistered(const char* name) const;

    // The combiner `name` with one reference for the caller (null on
    // failure); made once and shared.
    int LoadCombiner(const char* name, TextureCombiner** out);

    static bool ParseText(const std::string& text, std::string& name, std::map<int, TextureCombiner::Register>& registers);

private:
    Display* m_display;
    mutable std::mutex m_lock;
    std::map<std::string, std::map<int, TextureCombiner::Register>> m_texts;
    std::map<std::string, TextureCombiner*> m_loaded;  // each with a reference
};

}  // namespace Vek

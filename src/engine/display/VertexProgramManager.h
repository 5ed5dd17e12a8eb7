#pragma once
// The display's vertex-program manager. Program texts are registered under a
// group name (RegisterBuiltInPrograms) and parsed for the programs they
// declare; LoadProgram then gives a program by name and group.
//
// Text form: comment lines start with '#'; "version <n>" names the language
// version; a block "vertexProgram(<group>) { ... }" declares the programs,
// each as "<name>(<layout>) { <feature>, <feature>, ... }" (the features may
// also follow the parenthesis up to a ';'); other blocks ("API(common)
// { ... }") hold the program bodies and are kept, not interpreted.
//
// Results: 0 loaded; 3 the group is not registered or does not declare the
// name; 1 no display or no program support.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace Vek {

class Display;
class VertexProgram;

class VertexProgramManager {
public:
    struct Declaration {
        std::string name;
        std::string layout;
        std::vector<std::string> features;
    };

    explicit VertexProgramManager(Display* display) : m_display(display) {}
    ~VertexProgramManager();
    VertexProgramManager(const VertexProgramManager&) = delete;
    VertexProgramManager& operator=(const VertexProgramManager&) = delete;

    // Registers (or replaces) the text of a group. False, nothing
    // registered, for an empty group name or a text that declares no
    // program of that group or has unbalanced braces.
    bool RegisterBuiltInPrograms(const char* group, const char* text);
    bool IsRegistered(const char* group) const;
    const std::vector<Declaration>* GetDeclarations(const char* group) const;

    // The program `name` of `group` for a vertex type, with one reference
    // for the caller in `out` (null on failure). A program is made once per
    // (group, name, vertex type) and shared.
    int LoadProgram(const char* name, const char* group, int vertexTypeId, int flags, VertexProgram** out);

    // Parses a text; false when it is malformed. Exposed for tests and tools.
    static bool ParseText(const std::string& text, std::string& group, std::vector<Declaration>& declarations);

private:
    Display* m_display;
    mutable std::mutex m_lock;
    std::map<std::string, std::vector<Declaration>> m_groups;
    std::map<std::tuple<std::string, std::string, int>, VertexProgram*> m_loaded;  // each with a reference
};

}  // namespace Vek

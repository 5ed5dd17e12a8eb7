#include "frontend/commands/CommandPaths.h"

#include <unistd.h>

#include <vector>

#include "foundation/files/PathRules.h"
#include "foundation/log/LogPrintf.h"

Vek::File::Path JoinToFolder(const std::string& folder, const char* path) {
    if (!path) path = "";
    if (folder.empty() || IsAbsolutePath(path)) return Vek::File::Path(path);
    Vek::File::Path joined(folder);
    joined.AddPath(path);
    return joined;
}

Vek::File::Path ResolveTextureFolderPath(const std::string& currentDirectory, const char* text) {
    const std::string given = text ? text : "";
    const bool driveForm = given.size() > 3 && given[1] == ':' && given[2] == '\\';
    const bool rooted = !given.empty() && (given[0] == '/' || given[0] == '\\');
    if (driveForm || rooted) return Vek::File::Path(given);
    Vek::File::Path joined(currentDirectory);
    joined.AddPath(given.c_str());
    NormalisePath(joined);
    return joined;
}

std::string GetCurrentDirectoryText() {
    std::vector<char> buffer(4097);
    if (!::getcwd(buffer.data(), buffer.size())) return std::string();
    return buffer.data();
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& directory) {
    if (directory.empty()) return;
    m_previous = GetCurrentDirectoryText();
    if (m_previous.empty()) return;
    m_changed = ::chdir(directory.c_str()) == 0;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    if (m_changed && ::chdir(m_previous.c_str()) != 0)
        LogPrintf("ScopedCurrentDirectory> unable to return to %s", m_previous.c_str());
}

#pragma once
// The path rules of the command words.
//
// While a word runs the current directory is the program folder, so a
// relative path a word uses as it is resolves there. The archive and folder
// install words join a relative path to the directory the user started
// from instead; the consist import and the script words make that
// directory current for their run.
#include <string>

#include "engine/File.h"

// `path` when it is absolute (IsAbsolutePath: a leading '/' or '\', or a
// drive form) or when `folder` is empty; otherwise `folder` with `path`
// appended as a component. The folder keeps its letter case.
Vek::File::Path JoinToFolder(const std::string& folder, const char* path);

// The folder of `compresstexture`: the text itself when it is longer than 3
// characters with a ':' second and a '\' third, or when it begins with '/'
// or '\'; otherwise it is joined to `currentDirectory` and put in the
// program's normalised form (NormalisePath).
Vek::File::Path ResolveTextureFolderPath(const std::string& currentDirectory, const char* text);

// The process's current directory; empty when it cannot be read.
std::string GetCurrentDirectoryText();

// Makes a directory current for the life of the object and restores the
// previous one afterwards. An empty directory changes nothing.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& directory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

    // Whether the directory was made current.
    bool Changed() const { return m_changed; }

private:
    std::string m_previous;
    bool m_changed = false;
};

#include "gscompiler/ScriptEncrypt.h"

#include <cstring>

#include "engine/File.h"
#include "gscompiler/ScriptSourceFile.h"

bool EncryptScriptSource(const char* sourcePath, std::string& error) {
    error.clear();
    Vek::File::Path source(sourcePath);
    if (source.IsEmpty() || !source.IsExt("gs")) {
        error = "Invalid file path.";
        return false;
    }
    // Same path, extension "gse": the extension's text is replaced whole.
    std::string target = source.Str();
    target.resize(target.size() - std::strlen(source.GetExt()));
    target += "gse";

    ScriptSourceFile file;
    if (!file.Load("", source.c_str())) {
        error = "Invalid file path.";
        return false;
    }
    if (!file.Save("", target.c_str())) {
        error = "Unable to write packed source '" + target + "'.";
        return false;
    }
    return true;
}

#include "frontend/commands/ScriptWords.h"

#include <string>
#include <vector>

#include "engine/File.h"
#include "frontend/commands/CommandPaths.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/ScriptEncrypt.h"

namespace {

constexpr const char* kInvalidFilePath = "Invalid file path.";

}  // namespace

int32_t RunCompileWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, kInvalidFilePath);
        return -1;
    }
    std::vector<char*> arguments(args.argv, args.argv + args.argc);
    char empty[] = "";
    arguments[1] = empty;
    arguments.push_back(nullptr);
    ScopedCurrentDirectory current(args.startupDirectory);
    return GSCompilerMain(args.argc, arguments.data()) == 0 ? 0 : -1;
}

int32_t RunEncryptWord(CommandArguments& args) {
    if (args.a.empty() || !Vek::File::Path(args.a.c_str()).IsExt("gs")) {
        AddCommandError(args.log, kInvalidFilePath);
        return -1;
    }
    ScopedCurrentDirectory current(args.startupDirectory);
    std::string error;
    if (!EncryptScriptSource(args.a.c_str(), error)) {
        AddCommandError(args.log, error.empty() ? kInvalidFilePath : error.c_str());
        return -1;
    }
    return 0;
}

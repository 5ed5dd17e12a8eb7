#include "gscompiler/GSCompilerMain.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/File.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSLanguageDocument.h"
#include "gscompiler/IncludePath.h"

namespace {

constexpr double kCompilerVersion = 1.02;

// Appends every message, each with a line end, to the "-b" file (created
// when missing) and, unless silent, to standard output.
void PrintLog(const GSCompileLog& log, const char* buildLog, bool silent) {
    Vek::File file;
    bool open = false;
    if (buildLog) {
        if (Vek::File::Exists(buildLog))
            open = file.Open(buildLog, Vek::File::kModeWrite) && file.Seek(0, Vek::File::kSeekEnd);
        else
            open = file.Open(buildLog, Vek::File::kModeWrite | Vek::File::kModeCreate);
    }
    for (int32_t i = 0; i < log.Count(); ++i) {
        const char* text = log.At(i);
        if (open) {
            file.Write(text, std::strlen(text));
            file.Write("\n", 1);
        }
        if (!silent) {
            std::fputs(text, stdout);
            std::fputc('\n', stdout);
        }
    }
    std::fflush(stdout);
}

}  // namespace

void GSPrintUsage(const char* programName) {
    const char* name = programName ? programName : "";
    std::printf("KELMO GameScript Compiler V%4.2f\n\n", kCompilerVersion);
    std::printf("%s returns number of compile errors\n", name);
    std::printf("%s <option> <option>..\nwhere <option> is one of the following\n\n", name);
    std::printf("<-d> print documentation, u might wanna pipe it to a text document =)\n");
    std::printf("<-s> silent\n");
    std::printf("<-bfilename> dump the build info (compile log) to file\n");
    std::printf("<-ppathname> output path\n");
    std::printf("<-ofilename> output library filename\n");
    std::printf("<filename> input source file\n");
    std::printf("<-ipathname> additional include path\n");
    std::fflush(stdout);
}

int GSCompilerMain(int argc, char** argv) {
    Utils::DoubleLinkList includes;
    GSCompileLog log;
    const char* source = nullptr;
    const char* buildLog = nullptr;
    const char* outputFolder = nullptr;
    bool silent = false;

    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i] ? argv[i] : "";
        if (argument[0] != '-') {
            source = argument;
            continue;
        }
        switch (argument[1]) {
            case 'b': buildLog = argument + 2; break;
            case 'd':
                std::fputs(GSLanguageDocument(), stdout);
                std::fputc('\n', stdout);
                std::fflush(stdout);
                ClearIncludePaths(includes);
                return 0;
            case 'i': includes.AddTail(new IncludePath(Vek::File::Path(argument + 2), Vek::PString())); break;
            case 'p': outputFolder = argument + 2; break;
            case 's': silent = true; break;
            default: break;  // "-o" and anything else: ignored
        }
    }

    int result;
    if (argc <= 1 || !source || !*source) {
        GSPrintUsage(argc > 0 ? argv[0] : "");
        result = 1;
    } else {
        result = CompileScriptToFolder(source, outputFolder, includes, &log);
    }
    PrintLog(log, buildLog, silent);
    ClearIncludePaths(includes);
    return result;
}

int CompileScriptToFolder(const char* sourcePath, const char* outputFolder, Utils::DoubleLinkList& includes,
                          GSCompileLog* log) {
    Utils::DoubleLinkList& paths = IncludePaths();
    ClearIncludePaths(paths);
    Vek::File::Path folder(sourcePath);
    folder.DelName();
    paths.AddTail(new IncludePath(folder, Vek::PString()));
    for (auto* node = includes.Begin(); node != includes.End(); node = node->next) {
        const auto* entry = static_cast<const IncludePath*>(node->data);
        paths.AddTail(new IncludePath(entry->folder, entry->archive));
    }

    const Vek::File::Path source(sourcePath);
    const std::string name = source.GetName();
    // The output goes to `outputFolder` (or the source's folder), less its
    // last element, as "<name>.gsl" once libraries can be written; the
    // compile step reports that no output is produced yet.
    (void)outputFolder;
    auto context = std::make_unique<GSCompileContext>();
    const int result = context->Compile(name.c_str(), log);
    context->Reset();
    return result;
}

int CompileScriptToFile(GSCompileLog* log, const char* sourceName, const char* outputPath) {
    if (!sourceName) return 0;
    // As above, no library is written: the compile step reports it.
    (void)outputPath;
    auto context = std::make_unique<GSCompileContext>();
    const int result = context->Compile(sourceName, log);
    context->Reset();
    return result;
}

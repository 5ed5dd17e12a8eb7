#include "gscompiler/GSCompilerMain.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/File.h"
#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSLanguageDocument.h"
#include "gscompiler/IncludePath.h"
#include "gscompiler/library/GSLibraryFile.h"

namespace {

constexpr double kCompilerVersion = 1.02;
// Growth step of the buffer a library image is written into.
constexpr uint32_t kImageGrowthStep = 1024;

// Adds one message when there is a log.
void LogText(GSCompileLog* log, const std::string& text) {
    if (log) log->Add(text.c_str());
}

enum class OutputResult { kWritten, kImageFailed, kOpenFailed, kWriteFailed };

// Builds the library image of a successful compile and stores it as
// `outputPath`.
OutputResult WriteOutput(GSCompileContext& context, GSCompileLog* log, const char* sourceName,
                         const char* outputPath) {
    GSLibraryBuffer image;
    image.Init(kImageGrowthStep);
    if (!context.WriteLibrary(image, log, sourceName)) return OutputResult::kImageFailed;
    switch (SaveLibraryImage(image, outputPath)) {
        case GSLibrarySaveResult::kSaved: return OutputResult::kWritten;
        case GSLibrarySaveResult::kOpenFailed: return OutputResult::kOpenFailed;
        case GSLibrarySaveResult::kWriteFailed: break;
    }
    return OutputResult::kWriteFailed;
}

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
    auto context = std::make_unique<GSCompileContext>();
    int result = context->Compile(name.c_str(), log);
    if (result == 0) {
        // "<name>.gsl" in the "-p" folder or the source's folder, each less
        // its last element.
        Vek::File::Path folder(outputFolder ? outputFolder : sourcePath);
        folder.DelName();
        std::string library = name;
        const std::size_t dot = library.rfind('.');
        if (dot != std::string::npos) library.resize(dot);
        folder.AddPath((library + ".gsl").c_str());
        switch (WriteOutput(*context, log, name.c_str(), folder.c_str())) {
            case OutputResult::kWritten: break;
            case OutputResult::kImageFailed:
                LogText(log, "Internal Compiler Error.\n");
                result = 1;
                break;
            case OutputResult::kOpenFailed:
                LogText(log, "Unable to open output file.\n");
                result = 1;
                break;
            case OutputResult::kWriteFailed:
                LogText(log, "Unable to write output file.\n");
                result = 1;
                break;
        }
    }
    context->Reset();
    return result;
}

int CompileScriptToFile(GSCompileLog* log, const char* sourceName, const char* outputPath) {
    if (!sourceName) return 0;
    auto context = std::make_unique<GSCompileContext>();
    int result = context->Compile(sourceName, log);
    if (result == 0 && outputPath) {
        switch (WriteOutput(*context, log, sourceName, outputPath)) {
            case OutputResult::kWritten: break;
            case OutputResult::kImageFailed:
                LogText(log, std::string("Internal Compiler Error on '") + sourceName + "'.\n");
                result = 1;
                break;
            case OutputResult::kOpenFailed:
                LogText(log, std::string("Unable to open output file: '") + outputPath + "'.\n");
                result = 1;
                break;
            case OutputResult::kWriteFailed:
                LogText(log, std::string("Unable to write output file: '") + outputPath + "'.\n");
                result = 1;
                break;
        }
    }
    context->Reset();
    return result;
}

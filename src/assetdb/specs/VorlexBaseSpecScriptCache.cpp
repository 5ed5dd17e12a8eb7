// VorlexBaseSpec::CacheScripts: the asset's script sources compiled into
// its library cache folder, or taken from it when a library of the same
// content and name is there.
#include <cstdio>
#include <string>
#include <vector>

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/layout/InstallLayout.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/files/FileCopy.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/text/CRC32.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/IncludePath.h"
#include "gscompiler/ScriptSourceFile.h"
#include "gsruntime/GSMachine.h"

namespace {

void AddError(ResultsLog* log, const std::string& text) {
    if (log) log->AddEntry(ResultsLogEntry::kError, PropertyRef(), Vek::String(text.c_str()), nullptr);
}

std::string Format(const char* format, const char* text) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, text);
    return buffer;
}

// A name without its final "e", so that "x.gse" and "x.gs" name one library.
std::string WithoutFinalE(const char* name) {
    std::string text(name ? name : "");
    if (!text.empty() && (text.back() == 'e' || text.back() == 'E')) text.pop_back();
    return text;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The compiler's include list, set aside while the asset's own list is in
// force and put back afterwards.
class SavedIncludePaths {
public:
    SavedIncludePaths() {
        Utils::DoubleLinkList& paths = IncludePaths();
        for (auto* node = paths.Begin(); node != paths.End(); node = node->next) m_saved.push_back(node->data);
        paths.Clear();
    }
    ~SavedIncludePaths() {
        Utils::DoubleLinkList& paths = IncludePaths();
        ClearIncludePaths(paths);
        for (void* data : m_saved) paths.AddTail(data);
        ScriptSourcePrefix() = Vek::PString();
    }
    SavedIncludePaths(const SavedIncludePaths&) = delete;
    SavedIncludePaths& operator=(const SavedIncludePaths&) = delete;

private:
    std::vector<void*> m_saved;
};

}  // namespace

bool VorlexBaseSpec::RegisterCachedLibrary(const Vek::File::Path& cacheFolder, const char* fileName,
                                           GSRuntime::GSLibraryId expected, bool& matches) {
    GSRuntime::GSLibraryId id;
    const bool added = GSRuntime::GSMachine::Instance()->AddLibrary(Vek::PString(), cacheFolder.c_str(), fileName, &id);
    matches = id == expected;
    return added;
}

bool VorlexBaseSpec::CacheScripts(const Vek::PString& location, const Vek::File::Path& sourceFolder,
                                  const Vek::File::Path& primarySource, ResultsLog* log) {
    if (m_scriptFlags & kScriptsCached) return true;
    m_scriptFlags |= kScriptsCached;
    bool result = true;

    const Vek::File::Path cacheFolder = GetScriptCacheFolder(GetKuid());
    const Vek::PString none;
    if (!IsDirectoryInRoot(none, cacheFolder.c_str())) {
        MakeDirectoryInRoot(none, cacheFolder.c_str());
        if (VADHasPrebuiltScripts(GetKuid())) {
            Vek::File::Path prebuilt = GetPrebuiltFolderPath();
            prebuilt.AddPath("asset-libraries");
            prebuilt.AddPath(GetKuid().ToFolderName().c_str());
            if (IsDirectoryInRoot(none, prebuilt.c_str()))
                CopyTreeBetweenRoots(none, prebuilt.c_str(), none, cacheFolder.c_str());
        }
    }

    SavedIncludePaths saved;
    AddScriptIncludePaths();
    IncludePaths().AddTail(new IncludePath(sourceFolder, location));
    {
        Utils::DoubleLinkList& paths = IncludePaths();
        std::vector<void*> rest;
        for (auto* node = paths.Begin(); node != paths.End(); node = node->next) rest.push_back(node->data);
        paths.Clear();
        paths.AddTail(new IncludePath(Vek::File::Path(""), Vek::PString("scripts")));
        for (void* data : rest) paths.AddTail(data);
    }

    std::vector<std::string> sources;
    Vek::File::Path pattern = sourceFolder;
    pattern.AddPath("*.*");
    Vek::File::Find find;
    if (find.Open(pattern.c_str(), location)) {
        do {
            const Vek::File::Path name(find.GetName());
            if (!find.IsDirectory() && (name.IsExt("gs") || name.IsExt("gse"))) sources.push_back(name.Str());
        } while (find.Next());
        find.Close();
    }

    bool primaryFound = false;
    for (const std::string& name : sources) {
        Vek::File::Path path = sourceFolder;
        path.AddPath(name.c_str());
        ScriptSourceFile source;
        ScriptSourcePrefix() = Vek::PString();
        const char* text = source.Load(location.c_str(), path.c_str()) ? source.GetText() : nullptr;
        if (!text) {
            AddError(log, Format("Unable to read script source file '%s'", name.c_str()));
            result = false;
            continue;
        }
        const std::string compileName = WithoutFinalE(name.c_str());
        GSRuntime::GSLibraryId id;
        id.a = ComputeCRC32(text, source.GetTextLength());
        id.b = ComputeCRC32LowerCase(compileName.c_str());
        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "%08x%08x.gsl", id.a, id.b);
        Vek::File::Path libraryFile = cacheFolder;
        libraryFile.AddPath(fileName);

        bool compiled = false;
        bool compile = !Vek::File::Exists(libraryFile.c_str());
        for (;;) {
            if (compile) {
                ScriptSourcePrefix() = Vek::PString();
                GSCompileLog compileLog;
                if (CompileScriptToFile(&compileLog, compileName.c_str(), libraryFile.c_str()) != 0) {
                    result = false;
                    LogPrintf("VorlexBaseSpec::CacheScripts> Syntax error in script of asset '%s'",
                              GetDescription().c_str());
                    for (int32_t i = 0; i < compileLog.Count(); ++i) {
                        LogPrintf("VorlexBaseSpec::CacheScripts> ** GSC> %s", compileLog.At(i));
                        AddError(log, compileLog.At(i));
                    }
                    break;
                }
                compiled = true;
            }
            bool matches = false;
            if (!RegisterCachedLibrary(cacheFolder, fileName, id, matches)) {
                result = false;
                break;
            }
            if (matches) {
                const std::string sourcePath = WithoutFinalE(path.c_str());
                if (!primaryFound && EqualsIgnoreCase(sourcePath, primarySource.Str())) {
                    primaryFound = true;
                    m_libraryId = id;
                }
                break;
            }
            if (compiled) {
                AddError(log, Format("CRC Mismatch on '%s' after recompile. Do you have both .gs and .gse present?",
                                     libraryFile.c_str()));
                result = false;
                break;
            }
            Vek::File::Unlink(libraryFile.c_str());
            compile = true;
        }
    }

    if (result && !primarySource.IsEmpty() && !primaryFound) {
        if (log) {
            SoupHandle parameters;
            parameters.SetString("filename", primarySource.c_str());
            log->AddEntry(ResultsLogEntry::kError, PropertyRef(),
                          Vek::String("Unable to locate primary script source file '$(FILENAME)'"), parameters);
        }
        result = false;
    }
    return result;
}

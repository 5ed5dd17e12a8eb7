#include "gscompiler/GSCompileUnit.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "engine/File.h"
#include "foundation/text/CRC32.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSParser.h"
#include "gscompiler/GSScanner.h"
#include "gscompiler/IncludePath.h"
#include "gscompiler/ScriptSourceFile.h"

GSCompileUnit::GSCompileUnit() { Init(nullptr, nullptr); }

void GSCompileUnit::Init(GSCompiler::GSSymbolTable* table, GSCompileLog* compileLog) {
    nodePool.Release();
    textArena.Init(kTextPageSize);
    fileName = nullptr;
    sourceId = 0;
    nameId = 0;
    tree = nullptr;
    errorCount = 0;
    warningCount = 0;
    symbols = table;
    log = compileLog;
    classHandler = nullptr;
}

GSCNode* GSCompileUnit::NewNode(int32_t category, int32_t kind, int32_t line, int32_t subKind) {
    GSCNode* node = nodePool.Alloc();
    if (!node) return nullptr;
    std::memset(static_cast<void*>(node), 0, sizeof *node);
    node->category = category;
    node->kind = kind;
    node->subKind = subKind;
    node->line = line;
    node->typeCode = kGSTypeNone;
    return node;
}

char* GSCompileUnit::StrDup(const char* text) { return text ? textArena.StrDup(text) : nullptr; }

void GSCompileUnit::Log(const char* format, ...) {
    if (!log) return;
    char text[kMaxMessageLength + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log->Add(text);
}

void GSCompileUnit::Report(bool error, bool warning, int32_t line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ReportAtV(error, warning, fileName, line, format, args);
    va_end(args);
}

void GSCompileUnit::ReportAt(bool error, bool warning, const char* file, int32_t line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ReportAtV(error, warning, file, line, format, args);
    va_end(args);
}

void GSCompileUnit::ReportAtV(bool error, bool warning, const char* file, int32_t line, const char* format,
                              va_list args) {
    if (error) errorCount += 1;
    if (warning) warningCount += 1;
    if (!log) return;
    char text[kMaxMessageLength + 1];
    std::vsnprintf(text, sizeof text, format, args);
    std::string message = std::string(file ? file : "") + "(" + std::to_string(line) + ") : " + text;
    if (message.size() > std::size_t(kMaxMessageLength)) message.resize(kMaxMessageLength);
    log->Add(message.c_str());
}

int GSCompileUnit::LoadAndParse(const char* name) {
    // An include may be loaded while the file that names it is still being
    // parsed: that parse's unit is current again afterwards.
    GSCompileUnit* const outer = CurrentCompileUnit;
    CurrentCompileUnit = this;
    fileName = StrDup(name ? name : "");
    if (!fileName) fileName = "";

    // The first include folder holding the file (".gs", else its ".gse"
    // twin) wins.
    std::string found;
    const char* archive = "";
    Utils::DoubleLinkList& paths = IncludePaths();
    for (auto* node = paths.Begin(); node != paths.End() && found.empty(); node = node->next) {
        const auto* entry = static_cast<const IncludePath*>(node->data);
        archive = entry->archive.c_str();
        Vek::File::Path path(entry->folder);
        path.AddPath(name);
        if (Vek::File::Exists(entry->archive, path.c_str())) {
            found = path.Str();
        } else if (path.IsExt("gs")) {
            std::string twin = path.Str();
            twin.resize(twin.size() - 2);
            twin += "gse";
            if (Vek::File::Exists(entry->archive, twin.c_str())) found = twin;
        }
    }

    ScriptSourceFile source;
    if (found.empty() || !source.Load(archive, found.c_str())) {
        Log("Could not read file %s : %s.", archive, name ? name : "");
        errorCount += 1;
        CurrentCompileUnit = outer;
        return 1;
    }
    const char* text = source.GetText();
    const uint32_t length = source.GetTextLength();
    if (!text) {
        errorCount += 1;
        CurrentCompileUnit = outer;
        return 1;
    }
    if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        Log("'%s' appears to be UTF-8 encoded, please resave as ANSI.", name ? name : "");
        errorCount += 1;
        CurrentCompileUnit = outer;
        return 1;
    }

    const int result = Parse(text, length);
    if (result == 0) {
        const uint32_t prefix = source.GetPrefixLength() < length ? source.GetPrefixLength() : length;
        sourceId = ComputeCRC32(text + prefix, length - prefix);
        nameId = ComputeCRC32LowerCase(name ? name : "");
    }
    CurrentCompileUnit = outer;
    return result != 0 ? 1 : 0;
}

int GSCompileUnit::Parse(const char* text, uint32_t length) {
    GSCompileUnit* const outer = CurrentCompileUnit;
    FlexLexer* const outerLexer = CurrentLexer;
    CurrentCompileUnit = this;
    tree = nullptr;
    int result;
    try {
        yyFlexLexer lexer(text, length);
        CurrentLexer = &lexer;
        result = GSParse();
        CurrentLexer = outerLexer;
    } catch (const GSScannerFailure& failure) {
        CurrentLexer = outerLexer;
        Report(true, false, 0, "scanner failure: %s", failure.what());
        result = 1;
    } catch (const std::bad_alloc&) {
        CurrentLexer = outerLexer;
        Report(true, false, 0, "out of memory");
        result = 1;
    }
    errorCount += result;
    CurrentCompileUnit = outer;
    return result;
}

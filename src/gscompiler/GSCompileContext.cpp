#include "gscompiler/GSCompileContext.h"

#include <cstdio>
#include <string>

#include "gscompiler/GSCompileLog.h"
#include "gscompiler/codegen/GSCodeGenerator.h"
#include "gscompiler/library/GSLibraryWriter.h"
#include "gscompiler/semantic/GSSemanticPass.h"

GSCompileContext::GSCompileContext() { strings.Init(kStringBuckets); }

GSCompileContext::~GSCompileContext() { Reset(); }

void GSCompileContext::Reset() {
    classes.Clear();
    symbols.Clear();
    mainUnit.Init(nullptr, nullptr);
    strings.Init(kStringBuckets);
    stringCount = 0;
    dependentCounter = 0;
}

uint32_t GSCompileContext::StringIndex(const char* text) {
    if (!text) return 0xFFFFFFFFu;
    Utils::HashTable<const char*>::Iterator it;
    if (strings.Find(text, it)) return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(it.Value()));
    if (!strings.Insert(text, reinterpret_cast<void*>(static_cast<uintptr_t>(stringCount)))) return 0xFFFFFFFFu;
    return stringCount++;
}

void GSCompileContext::Log(GSCompileLog* log, const char* format, const char* text) {
    if (!log) return;
    char message[GSCompileUnit::kMaxMessageLength + 1];
    std::snprintf(message, sizeof message, format, text ? text : "");
    log->Add(message);
}

int GSCompileContext::Compile(const char* name, GSCompileLog* log) {
    Reset();
    std::string copy(name ? name : "");
    if (!copy.empty() && copy.back() == 'e') copy.pop_back();

    symbols.Init();
    strings.Init(kStringBuckets);
    stringCount = 0;
    mainUnit.Init(&symbols, log);
    symbols.unit = &mainUnit;

    int result = CompileFile(copy.c_str(), mainUnit, true);
    if (result != 0) {
        Log(log, ".. while compiling '%s'", name);
        return result;
    }
    GSCodeGenerator generator;
    if (!generator.GenerateUnit(*this, classes)) {
        result += 1;
        if (log) log->Add("\nInternal Code Generation Error...");
    }
    return result;
}

bool GSCompileContext::WriteLibrary(GSLibraryBuffer& out, GSCompileLog* log, const char* sourceName) {
    return GSLibraryWriter::WriteLibrary(out, *this, classes, log, sourceName);
}

int GSCompileContext::CompileFile(const char* name, GSCompileUnit& unit, bool fullMode) {
    std::string lower(name ? name : "");
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');

    const int parsed = unit.LoadAndParse(lower.c_str());
    if (parsed != 0) return parsed;

    GSCompiler::GSDependentSymbol* dependent = symbols.NewDependent(lower.c_str());
    if (!dependent || !symbols.Insert(nullptr, false, dependent)) {
        if (unit.log) unit.log->Add("Internal Compiler Error.");
        return 1;
    }
    dependent->sourceId = unit.sourceId;
    dependent->nameId = unit.nameId;
    dependent->ownIndex = dependentCounter++;

    int sum = 0;
    for (GSCNode* node = unit.tree; node; node = node->next) {
        if (!node->Is(kGSDeclaration, kGSDeclInclude) || !node->children[0]) continue;
        const char* include = node->children[0]->Text();
        if (!include || symbols.Find(include, nullptr, false, false)) continue;
        GSCompileUnit includeUnit;
        includeUnit.Init(&symbols, unit.log);
        const int result = CompileFile(include, includeUnit, false);
        symbols.unit = &unit;  // the include's unit ends here
        if (result != 0) Log(unit.log, ".. while compiling '%s'", include);
        sum += result;
    }
    symbols.ResetNumbering();
    if (sum != 0) return sum;

    auto* own = symbols.Find(lower.c_str(), nullptr, false, false);
    if (!own || own->kind != GSCompiler::GSSymbol::kDependent) return 1;
    symbols.currentLibrary = static_cast<GSCompiler::GSDependentSymbol*>(own);
    symbols.unit = &unit;
    unit.errorCount = 0;
    if (!unit.tree) return 1;
    GSSemanticPass pass(!fullMode);
    pass.Walk(unit.tree, *this, unit);
    return unit.errorCount;
}

#include "gscompiler/GSCompileContext.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "gscompiler/GSClassStream.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/library/GSLibraryWriter.h"
#include "gscompiler/semantic/GSSemanticPass.h"

GSCompileContext::GSCompileContext() = default;

GSCompileContext::~GSCompileContext() { Reset(); }

void GSCompileContext::Reset() {
    classes.Clear();
    symbols.Clear();
    mainUnit.Init(nullptr, nullptr);
    stringTexts.clear();
    stringIndexes.Clear();
    stringCount = 0;
    dependentCounter = 0;
}

uint32_t GSCompileContext::StringIndex(const char* text) {
    if (!text) return 0xFFFFFFFFu;
    // The text goes in first: the index compares with the texts it holds.
    try {
        stringTexts.push_back(text);
    } catch (const std::bad_alloc&) {
        return 0xFFFFFFFFu;
    }
    uint32_t index;
    try {
        index = stringIndexes.FindOrAdd(text, stringCount, stringTexts);
    } catch (const std::bad_alloc&) {
        stringTexts.pop_back();
        return 0xFFFFFFFFu;
    }
    if (index != stringCount) {
        stringTexts.pop_back();
        return index;
    }
    return stringCount++;
}

std::vector<uint32_t> GSCompileContext::StringWalkOrder() const {
    using Key = Utils::HashTableKey<const char*>;
    std::vector<std::pair<uint32_t, uint32_t>> keyed;  // {bucket, index}
    keyed.reserve(stringTexts.size());
    for (uint32_t i = 0; i < stringTexts.size(); ++i) keyed.emplace_back(Key::Hash(stringTexts[i]) % kStringBuckets, i);
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return Key::Compare(stringTexts[a.second], stringTexts[b.second]) < 0;
    });
    std::vector<uint32_t> order;
    order.reserve(keyed.size());
    for (const auto& entry : keyed) order.push_back(entry.second);
    return order;
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
    stringTexts.clear();
    stringIndexes.Clear();
    stringCount = 0;
    mainUnit.Init(&symbols, log);
    symbols.unit = &mainUnit;

    const std::string lower = LowerCase(copy.c_str());
    GSClassStream stream(*this, mainUnit, lower);
    mainUnit.classHandler = &stream;
    int result = mainUnit.LoadAndParse(lower.c_str());
    mainUnit.classHandler = nullptr;
    if (result == 0) result = stream.FinishChecks();
    if (result != 0) {
        Log(log, ".. while compiling '%s'", name);
        return result;
    }
    if (!stream.FinishGeneration()) {
        result += 1;
        if (log) log->Add("\nInternal Code Generation Error...");
    }
    return result;
}

bool GSCompileContext::WriteLibrary(GSLibraryBuffer& out, GSCompileLog* log, const char* sourceName) {
    return GSLibraryWriter::WriteLibrary(out, *this, classes, log, sourceName);
}

std::string GSCompileContext::LowerCase(const char* name) {
    std::string lower(name ? name : "");
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lower;
}

int GSCompileContext::CompileInclude(const char* name, GSCompileUnit& unit) {
    const std::string lower = LowerCase(name);
    const int parsed = unit.LoadAndParse(lower.c_str());
    if (parsed != 0) return parsed;
    const int included = BeginFile(lower.c_str(), unit);
    if (included != 0) return included;
    FinishFile(unit);
    unit.errorCount = 0;
    if (!unit.tree) return 1;
    GSSemanticPass pass(true);
    pass.Walk(unit.tree, *this, unit);
    return unit.errorCount;
}

int GSCompileContext::BeginFile(const char* lower, GSCompileUnit& unit) {
    GSCompiler::GSDependentSymbol* dependent = symbols.NewDependent(lower);
    if (!dependent || !symbols.Insert(nullptr, false, dependent)) {
        if (unit.log) unit.log->Add("Internal Compiler Error.");
        return 1;
    }
    dependent->ownIndex = dependentCounter++;

    int sum = 0;
    for (GSCNode* node = unit.tree; node; node = node->next) {
        if (!node->Is(kGSDeclaration, kGSDeclInclude) || !node->children[0]) continue;
        const char* include = node->children[0]->Text();
        if (!include || symbols.Find(include, nullptr, false, false)) continue;
        GSCompileUnit includeUnit;
        includeUnit.Init(&symbols, unit.log);
        const int result = CompileInclude(include, includeUnit);
        symbols.unit = &unit;  // the include's unit ends here
        if (result != 0) Log(unit.log, ".. while compiling '%s'", include);
        sum += result;
    }
    symbols.ResetNumbering();
    if (sum != 0) return sum;

    auto* own = symbols.Find(lower, nullptr, false, false);
    if (!own || own->kind != GSCompiler::GSSymbol::kDependent) return 1;
    symbols.currentLibrary = static_cast<GSCompiler::GSDependentSymbol*>(own);
    symbols.unit = &unit;
    return 0;
}

void GSCompileContext::FinishFile(GSCompileUnit& unit) {
    symbols.currentLibrary->sourceId = unit.sourceId;
    symbols.currentLibrary->nameId = unit.nameId;
}

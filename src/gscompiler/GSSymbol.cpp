#include "gscompiler/GSSymbol.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSTypes.h"

namespace GSCompiler {

namespace {

inline unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

int CompareNames(const char* a, const char* b, bool ignoreCase) {
    if (!ignoreCase) {
        // strcmp orders by unsigned bytes as the loop below does.
        const int order = std::strcmp(a ? a : "", b ? b : "");
        return (order > 0) - (order < 0);
    }
    const auto* x = reinterpret_cast<const unsigned char*>(a ? a : "");
    const auto* y = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (;; ++x, ++y) {
        const unsigned char cx = ignoreCase ? Lower(*x) : *x;
        const unsigned char cy = ignoreCase ? Lower(*y) : *y;
        if (cx != cy) return cx < cy ? -1 : 1;
        if (cx == 0) return 0;
    }
}

// "%d:%d:%s<%s> %s %s" or, without a class name, "%d:%d:%s %s %s".
void DumpTyped(GSCompileLog* log, const GSSymbol& symbol, const char* className) {
    if (!log) return;
    std::string line = std::to_string(symbol.ownIndex) + ":" + std::to_string(symbol.level) + ":" +
                       GSTypeName(symbol.typeCode);
    if (className) line += std::string("<") + className + ">";
    line += std::string(" ") + (symbol.name ? symbol.name : "") + " " + GSSpecifierText(symbol.flags);
    log->Add(line.c_str());
}

}  // namespace

unsigned GSSymbol::Hash() const {
    uint32_t h = 0;
    const bool lower = kind == kDependent;
    for (const char* p = name ? name : ""; *p; ++p) {
        const unsigned char c = lower ? Lower(static_cast<unsigned char>(*p)) : static_cast<unsigned char>(*p);
        h = h * 3u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    }
    return h;
}

int GSSymbol::Compare(const Utils::IHashNode& other) const {
    const auto& that = static_cast<const GSSymbol&>(other);
    const int order = CompareNames(name, that.name, kind == kDependent && that.kind == kDependent);
    if (order != 0) return order;
    if (level == -1 || that.level == -1) return 0;
    if (level < that.level) return 1;
    if (level > that.level) return -1;
    return 0;
}

void GSSymbol::Dump(GSCompileLog*) const {}

void GSDependentSymbol::Dump(GSCompileLog* log) const {
    if (!log) return;
    char tail[64];
    std::snprintf(tail, sizeof tail, ", crc 0x%X, filename crc 0x%X\n", sourceId, nameId);
    const std::string line = std::string("\nDependent \"") + (name ? name : "") + "\"" + tail;
    log->Add(line.c_str());
}

void GSVariableSymbol::Dump(GSCompileLog* log) const { DumpTyped(log, *this, className); }

void GSFunctionSymbol::Dump(GSCompileLog* log) const { DumpTyped(log, *this, resultClassName); }

}  // namespace GSCompiler

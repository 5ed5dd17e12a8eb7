#pragma once
// GSCompileContext: one compilation of a main source file and its includes:
// the symbol table they share, the main file's unit, the classes generated
// from it, the string table of the library and the numbering of dependent
// files.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/containers/HashTable.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTextIndex.h"
#include "gscompiler/codegen/GSCClass.h"

class GSCompileLog;
class GSLibraryBuffer;

class GSCompileContext {
public:
    static constexpr uint32_t kStringBuckets = 61;

    GSCompileContext();
    ~GSCompileContext();
    GSCompileContext(const GSCompileContext&) = delete;
    GSCompileContext& operator=(const GSCompileContext&) = delete;

    // Compiles a main source: the name loses a final lower-case 'e' (so
    // "x.gse" is compiled as "x.gs", which finds the packed twin), then the
    // file and its includes are compiled, checked and, without errors, the
    // main file's code is generated into `classes`. Returns the error count
    // (a failed code generation counts one).
    int Compile(const char* name, GSCompileLog* log);
    // Writes the library image of a successful compile into `out` (which
    // the caller has given a growth step). False when it cannot be built
    // completely.
    bool WriteLibrary(GSLibraryBuffer& out, GSCompileLog* log, const char* sourceName);
    // Compiles an included file into `unit` in declarations-only mode
    // (recursively its includes, each once). Returns the errors of this file
    // and its includes.
    int CompileInclude(const char* name, GSCompileUnit& unit);
    // For a parsed file (the main file: once its includes are parsed):
    // enters it as a dependent, compiles its includes and makes it the
    // current library. Returns the includes' errors, 1 when the file cannot
    // be entered.
    int BeginFile(const char* lowerCaseName, GSCompileUnit& unit);
    // For a file parsed whole: its dependent takes the unit's ids.
    void FinishFile(GSCompileUnit& unit);
    // Empties the symbols, the main unit, the classes, the string table and
    // the counters.
    void Reset();

    // The index of a text in the library's string table; a new text gets the
    // next index. The table keeps the caller's pointer. 0xFFFFFFFF when the
    // table cannot take the text.
    uint32_t StringIndex(const char* text);
    // The string indexes in the walk order of a Utils::HashTable of texts
    // with kStringBuckets buckets (bucket 0 upward, each chain in byte-wise
    // order), which is the order the library stores the texts in.
    std::vector<uint32_t> StringWalkOrder() const;

    GSCompiler::GSSymbolTable symbols;
    GSCompileUnit mainUnit;
    GSCompiler::GSCClassList classes;
    uint32_t stringCount = 0;
    // The texts by index, and the index of each text.
    std::vector<const char*> stringTexts;
    GSTextIndex stringIndexes;
    int32_t dependentCounter = 0;

private:
    static std::string LowerCase(const char* name);
    void Log(GSCompileLog* log, const char* format, const char* text);
};

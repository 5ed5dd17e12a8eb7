#pragma once
// GSSymbolTable: the symbols of one compile. Classes and dependents live in
// the global table; members live in their class's member table, and so do
// the locals of the function being compiled, above the members, while their
// scope is open. Symbols come from the table's pools and their names from its
// arena; they are never freed one by one.
//
// Classes and functions get the index numbers under which a library imports
// and exports them in the order of their first lookup (Number); the
// numbering restarts after each file's includes (ResetNumbering).
#include <cstdint>
#include <vector>

#include "foundation/containers/BlockMemory.h"
#include "foundation/containers/FrameMemory.h"
#include "foundation/containers/IHashTable.h"
#include "gscompiler/GSClassSymbol.h"
#include "gscompiler/GSSymbol.h"

class GSCompileUnit;

namespace GSCompiler {

class GSSymbolTable : public GSSymbol {
public:
    static constexpr int32_t kMaxLevels = 64;
    static constexpr uint32_t kGlobalBuckets = 61;
    static constexpr int32_t kSymbolsPerChunk = 128;
    static constexpr int32_t kSpareThreshold = 256;
    static constexpr int32_t kTextPageSize = 4096;

    GSSymbolTable();
    ~GSSymbolTable() override;

    // Level 0, no current function or library, pool and arena set up anew,
    // an empty global table of 61 buckets, both counters 0.
    bool Init();

    // A new symbol named by a copy of `name`, or null when memory runs out.
    GSDependentSymbol* NewDependent(const char* name);
    GSVariableSymbol* NewVariable(const char* name);
    GSFunctionSymbol* NewFunction(const char* name);
    GSClassSymbol* NewClass(const char* name);

    // Inserts a symbol at the current level: into the member table of `cls`
    // (which must be a class) or, without one, into the global table; false
    // for a symbol that already has an owner or a duplicate (same name, same
    // level). In a class at level 0 with `numberMembers`, a variable takes
    // the class's next member number and a function its next function
    // number; above level 0 the symbol is marked local. The symbol joins
    // the current level's scope chain; a function becomes the current
    // function.
    bool Insert(GSSymbol* cls, bool numberMembers, GSSymbol* symbol);

    // Looks a name up in a class (with its bases and, when `searchOuter`,
    // then the global table) or, without a class, in the global table, and
    // numbers what it finds.
    GSSymbol* Find(const char* name, GSSymbol* cls, bool searchOuter, bool exact);

    // Opens a scope (false, nothing opened, at the deepest level); closes
    // the current one: its symbols leave their tables and are cleared.
    bool OpenScope();
    void CloseScope();

    // The slot of a symbol within `cls`: a local's frame slot, a member's
    // data or function slot in the class's flattened layout. Returns the
    // number of errors (0: `slot` is set).
    int32_t SlotOf(GSSymbol* symbol, GSClassSymbol* cls, int16_t& slot);

    // Hands a class or function without an index the next one (a function's
    // class too, when it has none). While `deferredNumbers` is set, such a
    // symbol is appended to it instead, to be numbered later in that order.
    void Number(GSSymbol* symbol);
    // Every class and its functions lose their indexes; both counters 0.
    void ResetNumbering();

    // Closes every scope, then frees the pool, the arena and the global
    // table. Init makes the table usable again.
    void Clear() override;
    bool RemoveChild(GSSymbol* symbol) override;
    void Dump(GSCompileLog* log) const override;

    // Memory of the table's arena (base entries, names); null when out.
    void* Alloc(std::size_t size);
    char* StrDup(const char* text);

    Utils::BlockMemory pool;       // dependents, variables and functions
    Utils::BlockMemory classPool;  // classes
    Utils::FrameMemory arena;
    int32_t currentLevel = 0;
    GSFunctionSymbol* currentFunction = nullptr;
    GSDependentSymbol* currentLibrary = nullptr;
    GSSymbol* scopes[kMaxLevels] = {};
    Utils::IHashTable globalTable;
    GSCompileUnit* unit = nullptr;  // where reports go
    int32_t classCounter = 0;
    int32_t functionCounter = 0;
    std::vector<GSSymbol*>* deferredNumbers = nullptr;

private:
    template <class T, class... Args>
    T* Make(const char* name, Args... args);
    void CloseLevel();
    void DestroySymbols();

    GSSymbol* m_allSymbols = nullptr;
    bool m_ready = false;
};

}  // namespace GSCompiler

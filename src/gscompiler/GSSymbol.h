#pragma once
// Symbols of the GameScript compiler: the base symbol and the plain kinds
// (dependent library, variable, function). Classes are in GSClassSymbol.h,
// the table in GSSymbolTable.h.
//
// Symbols live in hash tables (Utils::IHashTable): the bucket is Hash()
// modulo the bucket count; each chain is sorted by Compare. Names compare
// byte for byte (dependents: without case); for equal names the symbol at
// the higher scope level sorts first, and a level of -1 matches any level,
// so a probe at level -1 finds the innermost symbol of a name.
#include <cstdint>

#include "foundation/containers/IHashTable.h"

class GSCompileLog;

namespace GSCompiler {

class GSSymbolTable;

class GSSymbol : public Utils::IHashNode {
public:
    enum Kind : int32_t {
        kProbe = 0,  // a lookup key, never stored
        kDependent = 1,
        kVariable = 2,
        kFunction = 3,
        kClass = 4,
        kTable = 5,
    };
    // Flag of a symbol inserted above scope level 0.
    static constexpr uint32_t kLocal = 0x80000000u;

    GSSymbol(int32_t kind, const char* name) : name(name), kind(kind) {}
    ~GSSymbol() override = default;

    // h = h * 3 + each byte as a signed value, in 32-bit arithmetic; a
    // dependent hashes its name lower-cased, so that names equal without
    // case meet in one chain.
    unsigned Hash() const override;
    int Compare(const Utils::IHashNode& other) const override;
    // Logs a description of the symbol (nothing for plain symbols).
    virtual void Dump(GSCompileLog* log) const;
    // Frees what the symbol holds besides itself (nothing for plain ones).
    virtual void Clear() {}
    // Unlinks a symbol this one owns; false for plain symbols.
    virtual bool RemoveChild(GSSymbol*) { return false; }

    const char* name;
    int32_t ownIndex = -1;  // member number, frame slot or dependent index
    int32_t index = -1;     // class or function index of imports and exports
    int32_t typeCode = 12;
    int32_t level = 0;
    uint32_t flags = 0;
    int32_t kind;
    GSSymbol* scopeNext = nullptr;  // the next symbol inserted at the same level
    GSSymbol* owner = nullptr;      // the class or table holding it

private:
    friend class GSSymbolTable;
    GSSymbol* m_allNext = nullptr;  // every symbol of a table, for its teardown
};

// One compiled source file (a library): its ids.
class GSDependentSymbol : public GSSymbol {
public:
    explicit GSDependentSymbol(const char* name) : GSSymbol(kDependent, name) {}
    void Dump(GSCompileLog* log) const override;

    uint32_t sourceId = 0;
    uint32_t nameId = 0;
};

class GSVariableSymbol : public GSSymbol {
public:
    explicit GSVariableSymbol(const char* name) : GSSymbol(kVariable, name) {}
    void Dump(GSCompileLog* log) const override;

    const char* className = nullptr;  // of its type
    // The value of a define constant (int, float bits, bool or text pointer).
    uintptr_t value = 0;
};

class GSFunctionSymbol : public GSSymbol {
public:
    explicit GSFunctionSymbol(const char* name) : GSSymbol(kFunction, name) {}
    void Dump(GSCompileLog* log) const override;

    const char* signature = nullptr;  // full signature text
    int32_t argumentSlotCount = 1;    // slot 0 is `me`
    int32_t localCount = 0;
    int32_t highestTemporary = 0;
    const char* resultClassName = nullptr;
};

}  // namespace GSCompiler

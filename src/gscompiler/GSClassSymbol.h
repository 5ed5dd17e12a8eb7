#pragma once
// A GameScript class: its members (and, while a function is compiled, its
// locals) in a member table, its declared bases and the flattened list of
// every direct and indirect base with the offsets of their views.
#include <cstdint>
#include <vector>

#include "foundation/containers/DoubleLinkList.h"
#include "foundation/containers/IHashTable.h"
#include "gscompiler/GSSymbol.h"

namespace GSCompiler {

class GSDependentSymbol;

// One entry of the flattened base list.
struct GSBaseEntry {
    class GSClassSymbol* baseClass;
    int32_t dataOffset;      // first data slot of the base's view in the class
    int32_t functionOffset;  // where the base's functions start in the class's table
    int32_t direct;          // 1 for a declared base, 0 for one reached through it
};

// A base named in the declaration, not resolved yet.
struct GSDeclaredBase {
    const char* name;
    int32_t line;
};

class GSClassSymbol : public GSSymbol {
public:
    static constexpr uint32_t kMemberBuckets = 31;
    // First data slot of a class's own members: slots 0 and 1 are the
    // instance's own.
    static constexpr int32_t kFirstDataSlot = 2;

    GSClassSymbol(const char* name, GSSymbolTable* table);
    ~GSClassSymbol() override;

    void Dump(GSCompileLog* log) const override;
    // Empties both base lists and frees the member table.
    void Clear() override;
    bool RemoveChild(GSSymbol* symbol) override;

    // The innermost symbol of that name in the member table (exact: the
    // member at level 0 only).
    GSSymbol* FindLocal(const char* name, bool exact);
    // FindLocal, then each flattened base in order (without outer search);
    // when nothing is found and `searchOuter` is set, the global table.
    GSSymbol* FindMember(const char* name, bool searchOuter, bool exact);
    // Functions whose bare name (between "::" and "(") is `bareName` and
    // whose argument slot count is argumentCount + 1, in member-table walk
    // order; when the class has none and `searchBases` is set, those of each
    // flattened base in order. At most `capacity` are stored; returns the
    // number stored.
    int32_t FindFunctions(const char* bareName, GSFunctionSymbol** results, int32_t capacity,
                          int32_t argumentCount, bool searchBases);

    // Records a base named in the declaration (false when out of memory).
    bool AddDeclaredBase(const char* name, int32_t line);
    // Resolves the declared bases into the flattened list (depth first, in
    // declaration order) and empties the declared list. Reports undeclared,
    // static, final and cyclic bases as errors and returns false at the
    // first; the declared list then stays for a later try.
    bool ResolveBases();
    // Appends a base (and, through it, its own bases) to the flattened
    // list. -1, with the clashing class in `clash`, when a class would be
    // in the list twice; 0 otherwise.
    int32_t AddBase(GSClassSymbol* base, bool direct, int32_t dataOffset, int32_t functionOffset,
                    GSClassSymbol** clash = nullptr);
    // The base entry of the class named `className`: the class itself as
    // {class, 0, 0, not direct}, else the first flattened entry of that name.
    bool FindBase(const char* className, GSBaseEntry& entry);

    bool HasDeclaredBases() const { return !declaredBases.IsEmpty(); }
    GSSymbolTable* Table() const { return m_table; }

    Utils::DoubleLinkList baseList;       // of GSBaseEntry*
    // The direct bases of the flattened list, in its order.
    std::vector<GSClassSymbol*> directBases;
    Utils::DoubleLinkList declaredBases;  // of GSDeclaredBase*
    Utils::IHashTable memberTable;
    // The functions of the member table, in the order they were inserted:
    // a quick answer to "is any of them unnumbered?" without walking the
    // table's buckets.
    std::vector<GSSymbol*> functionMembers;
    GSDependentSymbol* dependent = nullptr;  // the library that declares the class
    int32_t ownMemberCount = 0;
    int32_t ownFunctionCount = 0;
    int32_t dataBase = kFirstDataSlot;
    int32_t functionBase = 0;

    // A number no earlier call returned (in any thread): a walk over base
    // lists tags the classes it meets with it, so that "met already" is one
    // field compared instead of a set look-up.
    static uint64_t NewWalkMark();
    // Free for the library writer's walks: a mark and the value it keeps
    // for the class while the mark is current.
    uint64_t writerMark = 0;
    int32_t writerValue = 0;

private:
    // AddBase with the classes already in the flattened list tagged with
    // `present`.
    int32_t AddBase(GSClassSymbol* base, bool direct, int32_t dataOffset, int32_t functionOffset,
                    GSClassSymbol** clash, uint64_t present);
    // Appends the one entry of `base` at the given offsets (a direct base
    // also moves the class's own data and function bases) and numbers its
    // functions; -1 with `clash` as AddBase.
    int32_t AppendBase(GSClassSymbol* base, bool direct, int32_t data, int32_t functions, GSClassSymbol** clash,
                       uint64_t present);
    // Reports a base error at the declared line, in the class's library.
    void ReportBaseError(int32_t line, const char* format, const char* first, const char* second = nullptr);

    GSSymbolTable* m_table;
    bool m_resolving = false;  // guards a true inheritance cycle
    uint64_t m_listMark = 0;   // AddBase's tag: in the list being built
};

}  // namespace GSCompiler

#include "gscompiler/GSSymbolTable.h"

#include <algorithm>
#include <new>

#include "gscompiler/GSCompileLog.h"

namespace GSCompiler {

namespace {

// Class symbols are several times the size of the others, which are by far
// the most numerous (every parameter and local of every function): each
// kind of slot has a pool of its own.
constexpr std::size_t kLargestSymbol = std::max({sizeof(GSDependentSymbol), sizeof(GSVariableSymbol), sizeof(GSFunctionSymbol)});
constexpr std::size_t kClassSymbol = sizeof(GSClassSymbol);

}  // namespace

GSSymbolTable::GSSymbolTable() : GSSymbol(kTable, "") {}

GSSymbolTable::~GSSymbolTable() { Clear(); }

bool GSSymbolTable::Init() {
    Clear();
    currentLevel = 0;
    currentFunction = nullptr;
    currentLibrary = nullptr;
    for (auto& head : scopes) head = nullptr;
    classCounter = 0;
    functionCounter = 0;
    m_ready = pool.Init(kSpareThreshold, static_cast<int32_t>(kLargestSymbol), kSymbolsPerChunk) &&
              classPool.Init(kSpareThreshold, static_cast<int32_t>(kClassSymbol), kSymbolsPerChunk) &&
              arena.Init(kTextPageSize) && globalTable.Init(kGlobalBuckets);
    return m_ready;
}

template <class T, class... Args>
T* GSSymbolTable::Make(const char* name, Args... args) {
    if (!m_ready) return nullptr;
    char* copy = arena.StrDup(name ? name : "");
    if (!copy) return nullptr;
    static_assert(sizeof(T) <= std::max(kLargestSymbol, kClassSymbol), "a symbol fits its pool's slots");
    void* memory = sizeof(T) <= kLargestSymbol ? pool.Alloc() : classPool.Alloc();
    if (!memory) return nullptr;
    T* symbol = new (memory) T(copy, args...);
    symbol->m_allNext = m_allSymbols;
    m_allSymbols = symbol;
    return symbol;
}

GSDependentSymbol* GSSymbolTable::NewDependent(const char* name) { return Make<GSDependentSymbol>(name); }
GSVariableSymbol* GSSymbolTable::NewVariable(const char* name) { return Make<GSVariableSymbol>(name); }
GSFunctionSymbol* GSSymbolTable::NewFunction(const char* name) { return Make<GSFunctionSymbol>(name); }
GSClassSymbol* GSSymbolTable::NewClass(const char* name) { return Make<GSClassSymbol>(name, this); }

namespace {

bool AddFunctionMember(GSClassSymbol* cls, GSSymbol* function) {
    try {
        cls->functionMembers.push_back(function);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool GSSymbolTable::Insert(GSSymbol* cls, bool numberMembers, GSSymbol* symbol) {
    if (!symbol || symbol->owner) return false;
    symbol->level = currentLevel;
    if (cls) {
        if (cls->kind != kClass) return false;
        auto* owner = static_cast<GSClassSymbol*>(cls);
        if (!owner->memberTable.Insert(symbol)) return false;
        if (symbol->kind == kFunction && !AddFunctionMember(owner, symbol)) {
            owner->memberTable.Remove(symbol);
            return false;
        }
        symbol->owner = owner;
        if (currentLevel == 0) {
            if (numberMembers && symbol->kind == kVariable) symbol->ownIndex = owner->ownMemberCount++;
            if (numberMembers && symbol->kind == kFunction) symbol->ownIndex = owner->ownFunctionCount++;
        } else {
            symbol->flags |= kLocal;
        }
    } else {
        if (!globalTable.Insert(symbol)) return false;
        symbol->owner = this;
    }
    symbol->scopeNext = scopes[currentLevel];
    scopes[currentLevel] = symbol;
    if (symbol->kind == kFunction) currentFunction = static_cast<GSFunctionSymbol*>(symbol);
    return true;
}

GSSymbol* GSSymbolTable::Find(const char* name, GSSymbol* cls, bool searchOuter, bool exact) {
    if (!name) return nullptr;
    GSSymbol* found = nullptr;
    if (cls) {
        if (cls->kind != kClass) return nullptr;
        found = static_cast<GSClassSymbol*>(cls)->FindMember(name, searchOuter, exact);
    } else {
        GSSymbol probe(kProbe, name);
        probe.level = -1;
        Utils::IHashTable::Iterator it;
        if (globalTable.Find(probe, it)) found = static_cast<GSSymbol*>(it.Node());
    }
    Number(found);
    return found;
}

bool GSSymbolTable::OpenScope() {
    if (currentLevel + 1 >= kMaxLevels) return false;
    currentLevel += 1;
    scopes[currentLevel] = nullptr;
    return true;
}

void GSSymbolTable::CloseLevel() {
    GSSymbol* symbol = scopes[currentLevel];
    scopes[currentLevel] = nullptr;
    while (symbol) {
        GSSymbol* next = symbol->scopeNext;
        symbol->scopeNext = nullptr;
        if (symbol->owner) symbol->owner->RemoveChild(symbol);
        symbol->Clear();
        symbol = next;
    }
}

void GSSymbolTable::CloseScope() {
    if (currentLevel <= 0) return;
    CloseLevel();
    currentLevel -= 1;
}

int32_t GSSymbolTable::SlotOf(GSSymbol* symbol, GSClassSymbol* cls, int16_t& slot) {
    if (!symbol) return 1;
    if (symbol->level > 0) {
        slot = static_cast<int16_t>(symbol->ownIndex);
        return 0;
    }
    int32_t errors = 0;
    if (!cls) return 1;
    if (cls->HasDeclaredBases() && !cls->ResolveBases()) errors += 1;
    const bool variable = symbol->kind == kVariable;
    const bool function = symbol->kind == kFunction;
    if (!variable && !function) return errors + 1;
    if (symbol->owner == cls) {
        slot = static_cast<int16_t>((variable ? cls->dataBase : cls->functionBase) + symbol->ownIndex);
        return errors;
    }
    if (!symbol->owner || symbol->owner->kind != kClass) return errors + 1;
    auto* owner = static_cast<GSClassSymbol*>(symbol->owner);
    GSBaseEntry entry{};
    if (!cls->FindBase(owner->name, entry)) return errors + 1;
    slot = static_cast<int16_t>(variable ? owner->dataBase + symbol->ownIndex + entry.dataOffset
                                         : owner->functionBase + symbol->ownIndex + entry.functionOffset);
    return errors;
}

void GSSymbolTable::Number(GSSymbol* symbol) {
    if (!symbol) return;
    if (deferredNumbers) {
        if ((symbol->kind == kClass || symbol->kind == kFunction) && symbol->index < 0)
            deferredNumbers->push_back(symbol);
        return;
    }
    if (symbol->kind == kClass && symbol->index < 0) {
        symbol->index = classCounter++;
    } else if (symbol->kind == kFunction && symbol->index < 0) {
        symbol->index = functionCounter++;
        if (symbol->owner && symbol->owner->kind == kClass && symbol->owner->index < 0)
            symbol->owner->index = classCounter++;
    }
}

void GSSymbolTable::ResetNumbering() {
    Utils::IHashTable::Iterator it;
    for (globalTable.Begin(it); !it.IsEnd(); it.Next()) {
        auto* symbol = static_cast<GSSymbol*>(it.Node());
        if (symbol->kind != kClass) continue;
        symbol->index = -1;
        auto* cls = static_cast<GSClassSymbol*>(symbol);
        Utils::IHashTable::Iterator member;
        for (cls->memberTable.Begin(member); !member.IsEnd(); member.Next()) {
            auto* m = static_cast<GSSymbol*>(member.Node());
            if (m->kind == kFunction) m->index = -1;
        }
    }
    classCounter = 0;
    functionCounter = 0;
}

void GSSymbolTable::DestroySymbols() {
    // Everything a symbol holds goes first, then the symbols themselves; the
    // pool keeps their memory valid until it is freed below.
    for (GSSymbol* s = m_allSymbols; s; s = s->m_allNext) s->Clear();
    GSSymbol* s = m_allSymbols;
    m_allSymbols = nullptr;
    while (s) {
        GSSymbol* next = s->m_allNext;
        s->~GSSymbol();
        s = next;
    }
}

void GSSymbolTable::Clear() {
    for (; currentLevel > 0; currentLevel -= 1) CloseLevel();
    CloseLevel();
    currentLevel = 0;
    DestroySymbols();
    currentFunction = nullptr;
    currentLibrary = nullptr;
    globalTable.Free();
    pool.FreeAll();
    classPool.FreeAll();
    arena.FreeAll();
    m_ready = false;
}

bool GSSymbolTable::RemoveChild(GSSymbol* symbol) {
    if (!symbol || symbol->owner != this) return false;
    if (!globalTable.Remove(symbol)) return false;
    symbol->owner = nullptr;
    return true;
}

void GSSymbolTable::Dump(GSCompileLog* log) const {
    if (!log) return;
    log->Add("Symbol Table");
    Utils::IHashTable::Iterator it;
    auto& table = const_cast<Utils::IHashTable&>(globalTable);
    for (table.Begin(it); !it.IsEnd(); it.Next()) static_cast<const GSSymbol*>(it.Node())->Dump(log);
}

void* GSSymbolTable::Alloc(std::size_t size) { return m_ready ? arena.Alloc(size, alignof(std::max_align_t)) : nullptr; }

char* GSSymbolTable::StrDup(const char* text) { return m_ready ? arena.StrDup(text) : nullptr; }

}  // namespace GSCompiler

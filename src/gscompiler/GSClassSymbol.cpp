#include "gscompiler/GSClassSymbol.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"

namespace GSCompiler {

GSClassSymbol::GSClassSymbol(const char* name, GSSymbolTable* table) : GSSymbol(kClass, name), m_table(table) {
    memberTable.Init(kMemberBuckets);
    if (table) dependent = table->currentLibrary;
}

GSClassSymbol::~GSClassSymbol() { Clear(); }

void GSClassSymbol::Clear() {
    baseList.Clear();
    directBases.clear();
    functionMembers.clear();
    declaredBases.Clear();
    memberTable.Free();
}

bool GSClassSymbol::RemoveChild(GSSymbol* symbol) {
    if (!symbol || symbol->owner != this) return false;
    if (!memberTable.Remove(symbol)) return false;
    if (symbol->kind == kFunction)
        functionMembers.erase(std::remove(functionMembers.begin(), functionMembers.end(), symbol), functionMembers.end());
    symbol->owner = nullptr;
    return true;
}

namespace {

// A look-up key that works its hash out once, for a name looked up in the
// member tables of a whole list of bases.
class HashedProbe final : public GSSymbol {
public:
    HashedProbe(const char* name, bool exact) : GSSymbol(kProbe, name), m_hash(GSSymbol::Hash()) {
        level = exact ? 0 : -1;
    }
    unsigned Hash() const override { return m_hash; }

private:
    unsigned m_hash;
};

GSSymbol* FindIn(Utils::IHashTable& table, const GSSymbol& probe) {
    Utils::IHashTable::Iterator it;
    return table.Find(probe, it) ? static_cast<GSSymbol*>(it.Node()) : nullptr;
}

}  // namespace

GSSymbol* GSClassSymbol::FindLocal(const char* name, bool exact) {
    GSSymbol probe(kProbe, name);
    probe.level = exact ? 0 : -1;
    return FindIn(memberTable, probe);
}

GSSymbol* GSClassSymbol::FindMember(const char* name, bool searchOuter, bool exact) {
    const HashedProbe probe(name, exact);
    if (GSSymbol* found = FindIn(memberTable, probe)) return found;
    // The flattened list already holds every base, direct or not, in the
    // depth-first order a search through each base's own bases would first
    // meet them; searching each member table once finds the same symbol
    // without searching a chain's deeper bases again for every level.
    for (auto* node = baseList.Begin(); node != baseList.End(); node = node->next) {
        auto* entry = static_cast<GSBaseEntry*>(node->data);
        if (GSSymbol* found = FindIn(entry->baseClass->memberTable, probe)) return found;
    }
    if (searchOuter && m_table) return m_table->Find(name, nullptr, false, exact);
    return nullptr;
}

namespace {

// True when a function's lookup name "::name(...)" has the bare name.
bool HasBareName(const GSSymbol& function, const char* bareName) {
    const char* name = function.name ? function.name : "";
    const char* start = std::strstr(name, "::");
    if (!start) return false;
    start += 2;
    const char* end = std::strchr(start, '(');
    if (!end) return false;
    const std::size_t length = std::strlen(bareName);
    return std::size_t(end - start) == length && std::strncmp(start, bareName, length) == 0;
}

int32_t CollectFunctions(Utils::IHashTable& table, const char* bareName, GSFunctionSymbol** results,
                         int32_t capacity, int32_t count, int32_t argumentCount) {
    Utils::IHashTable::Iterator it;
    for (table.Begin(it); !it.IsEnd() && count < capacity; it.Next()) {
        auto* symbol = static_cast<GSSymbol*>(it.Node());
        if (symbol->kind != GSSymbol::kFunction || !HasBareName(*symbol, bareName)) continue;
        auto* function = static_cast<GSFunctionSymbol*>(symbol);
        if (function->argumentSlotCount != argumentCount + 1) continue;
        results[count++] = function;
    }
    return count;
}

}  // namespace

int32_t GSClassSymbol::FindFunctions(const char* bareName, GSFunctionSymbol** results, int32_t capacity,
                                     int32_t argumentCount, bool searchBases) {
    if (!bareName || !results || capacity <= 0) return 0;
    int32_t count = CollectFunctions(memberTable, bareName, results, capacity, 0, argumentCount);
    if (count > 0 || !searchBases) return count;
    for (auto* node = baseList.Begin(); node != baseList.End() && count < capacity; node = node->next) {
        auto* entry = static_cast<GSBaseEntry*>(node->data);
        count = CollectFunctions(entry->baseClass->memberTable, bareName, results, capacity, count, argumentCount);
    }
    return count;
}

bool GSClassSymbol::AddDeclaredBase(const char* name, int32_t line) {
    if (!m_table || !name) return false;
    void* memory = m_table->Alloc(sizeof(GSDeclaredBase));
    char* copy = m_table->StrDup(name);
    if (!memory || !copy) return false;
    auto* base = new (memory) GSDeclaredBase{copy, line};
    return declaredBases.AddTail(base);
}

void GSClassSymbol::ReportBaseError(int32_t line, const char* format, const char* first, const char* second) {
    if (!m_table || !m_table->unit) return;
    const char* file = dependent && dependent->name ? dependent->name : "";
    if (second)
        m_table->unit->ReportAt(true, false, file, line, format, first, second, line);
    else
        m_table->unit->ReportAt(true, false, file, line, format, first, line);
}

bool GSClassSymbol::ResolveBases() {
    if (declaredBases.IsEmpty()) return true;
    if (m_resolving) return false;

    // A failed try leaves the flattened list as it found it, so that a later
    // try starts over instead of meeting its own earlier entries.
    const int32_t entriesBefore = baseList.Count();
    const std::size_t directBefore = directBases.size();
    const int32_t dataBaseBefore = dataBase;
    const int32_t functionBaseBefore = functionBase;
    auto fail = [&]() {
        while (baseList.Count() > entriesBefore) {
            auto* last = baseList.End()->previous;
            baseList.Remove(last);
        }
        directBases.resize(directBefore);
        dataBase = dataBaseBefore;
        functionBase = functionBaseBefore;
        m_resolving = false;
        return false;
    };

    m_resolving = true;
    for (auto* node = declaredBases.Begin(); node != declaredBases.End(); node = node->next) {
        const auto* declared = static_cast<const GSDeclaredBase*>(node->data);
        GSSymbol* symbol = FindMember(declared->name, true, false);
        if (!symbol || symbol->kind != kClass) {
            ReportBaseError(declared->line, "Class %s has not been declared, line %d.", declared->name);
            return fail();
        }
        auto* base = static_cast<GSClassSymbol*>(symbol);
        if (base->flags & kGSStatic) {
            ReportBaseError(declared->line, "Cannot extend static class %s, line %d.", declared->name);
            return fail();
        }
        if (base->flags & kGSFinal) {
            ReportBaseError(declared->line, "Cannot extend final class %s, line %d.", declared->name);
            return fail();
        }
        if (base->m_resolving) {
            ReportBaseError(declared->line, "Class %s and %s causes cyclic derivation, line %d.", declared->name,
                            name);
            return fail();
        }
        if (!base->ResolveBases()) return fail();
        GSClassSymbol* clash = nullptr;
        if (AddBase(base, true, 0, 0, &clash) == -1) {
            ReportBaseError(declared->line, "Class %s and %s causes cyclic derivation, line %d.", declared->name,
                            clash && clash->name ? clash->name : "");
            return fail();
        }
    }
    m_resolving = false;
    declaredBases.Clear();
    return true;
}

uint64_t GSClassSymbol::NewWalkMark() {
    static std::atomic<uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t GSClassSymbol::AddBase(GSClassSymbol* base, bool direct, int32_t dataOffset, int32_t functionOffset,
                               GSClassSymbol** clash) {
    const uint64_t present = NewWalkMark();
    for (auto* node = baseList.Begin(); node != baseList.End(); node = node->next)
        static_cast<GSBaseEntry*>(node->data)->baseClass->m_listMark = present;
    return AddBase(base, direct, dataOffset, functionOffset, clash, present);
}

int32_t GSClassSymbol::AddBase(GSClassSymbol* base, bool direct, int32_t dataOffset, int32_t functionOffset,
                               GSClassSymbol** clash, uint64_t present) {
    if (!base) return -1;
    int32_t data = dataOffset;
    int32_t functions = functionOffset;
    if (direct) {
        data = dataBase;
        functions = functionBase;
    }
    if (AppendBase(base, direct, data, functions, clash, present) == -1) return -1;
    // The base's own flattened list is its bases depth first, with offsets
    // inside the base: they follow it here, moved by the base's offsets.
    // (Walking the list instead of each base's direct bases again keeps a
    // long chain of bases linear in the list it builds.)
    for (auto* node = base->baseList.Begin(); node != base->baseList.End(); node = node->next) {
        auto* inner = static_cast<GSBaseEntry*>(node->data);
        if (AppendBase(inner->baseClass, false, inner->dataOffset + data, inner->functionOffset + functions, clash,
                       present) == -1)
            return -1;
    }
    return 0;
}

int32_t GSClassSymbol::AppendBase(GSClassSymbol* base, bool direct, int32_t data, int32_t functions,
                                  GSClassSymbol** clash, uint64_t present) {
    if (!base) return -1;
    // Class names are unique in a compile: one class, one symbol.
    if (base->m_listMark == present) {
        if (clash) {
            for (auto* node = baseList.Begin(); node != baseList.End(); node = node->next) {
                auto* entry = static_cast<GSBaseEntry*>(node->data);
                if (entry->baseClass->Compare(*base) != 0) continue;
                *clash = entry->baseClass;
                break;
            }
        }
        return -1;
    }
    if (direct) {
        dataBase += base->dataBase + base->ownMemberCount;
        functionBase += base->functionBase + base->ownFunctionCount;
    }
    void* memory = m_table ? m_table->Alloc(sizeof(GSBaseEntry)) : nullptr;
    if (!memory) return -1;
    auto* entry = new (memory) GSBaseEntry{base, data, functions, direct ? 1 : 0};
    if (!baseList.AddTail(entry)) return -1;
    base->m_listMark = present;
    if (direct) directBases.push_back(base);

    // The base's unnumbered functions are numbered in the table's walk
    // order; a base whose functions all have their numbers (a base shared
    // by a chain of classes) is not walked again.
    const auto unnumbered = [](const GSSymbol* function) { return function->index < 0; };
    if (m_table && std::any_of(base->functionMembers.begin(), base->functionMembers.end(), unnumbered)) {
        Utils::IHashTable::Iterator it;
        for (base->memberTable.Begin(it); !it.IsEnd(); it.Next()) {
            auto* symbol = static_cast<GSSymbol*>(it.Node());
            if (symbol->kind == kFunction && symbol->index < 0) m_table->Number(symbol);
        }
    }
    return 0;
}

bool GSClassSymbol::FindBase(const char* className, GSBaseEntry& entry) {
    ResolveBases();
    if (!className) return false;
    if (name && std::strcmp(name, className) == 0) {
        entry = GSBaseEntry{this, 0, 0, 0};
        return true;
    }
    for (auto* node = baseList.Begin(); node != baseList.End(); node = node->next) {
        auto* candidate = static_cast<GSBaseEntry*>(node->data);
        if (candidate->baseClass->name && std::strcmp(candidate->baseClass->name, className) == 0) {
            entry = *candidate;
            return true;
        }
    }
    return false;
}

void GSClassSymbol::Dump(GSCompileLog* log) const {
    if (!log) return;
    const std::string rule(40, '=');
    log->Add(rule.c_str());
    std::string line = std::to_string(level) + ":" + (name ? name : "") + " " + GSSpecifierText(flags) + " (" +
                       (dependent && dependent->name ? dependent->name : "") + ")::";
    for (const auto* node = baseList.Begin(); node != baseList.End(); node = node->next) {
        const auto* entry = static_cast<const GSBaseEntry*>(node->data);
        line += std::to_string(entry->dataOffset) + ":" + (entry->baseClass->name ? entry->baseClass->name : "") + ",";
    }
    log->Add(line.c_str());
    log->Add(rule.c_str());
    Utils::IHashTable::Iterator it;
    auto& table = const_cast<Utils::IHashTable&>(memberTable);
    for (table.Begin(it); !it.IsEnd(); it.Next()) static_cast<const GSSymbol*>(it.Node())->Dump(log);
}

}  // namespace GSCompiler

#include "gscompiler/library/GSLibraryWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSClassSymbol.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSSymbol.h"
#include "gscompiler/codegen/GSCClass.h"
#include "gscompiler/codegen/GSCFunction.h"
#include "gscompiler/library/GSLibraryFormat.h"

using namespace GSLibraryFormat;
using GSCompiler::GSBaseEntry;
using GSCompiler::GSCClass;
using GSCompiler::GSCFunction;
using GSCompiler::GSClassSymbol;
using GSCompiler::GSFunctionSymbol;
using GSCompiler::GSSymbol;
using GSCompiler::GSVariableSymbol;

namespace {

template <class Each>
void ForEachMember(GSClassSymbol* cls, Each each) {
    Utils::IHashTable::Iterator it;
    for (cls->memberTable.Begin(it); !it.IsEnd(); it.Next()) each(static_cast<GSSymbol*>(it.Node()));
}

template <class Each>
void ForEachGlobal(GSCompileContext& unit, Each each) {
    Utils::IHashTable::Iterator it;
    for (unit.symbols.globalTable.Begin(it); !it.IsEnd(); it.Next()) each(static_cast<GSSymbol*>(it.Node()));
}

template <class Each>
void ForEachBase(GSClassSymbol* cls, Each each) {
    for (auto* node = cls->baseList.Begin(); node != cls->baseList.End(); node = node->next)
        each(*static_cast<GSBaseEntry*>(node->data));
}

template <class Each>
void ForEachClass(GSCompiler::GSCClassList& classes, Each each) {
    for (auto* node = classes.Begin(); node != classes.End(); node = node->Next()) each(*static_cast<GSCClass*>(node));
}

// The slot a function of `cls` takes in its function table, for ordering.
int32_t OwnSlot(const GSClassSymbol* cls, const GSSymbol* function) {
    return static_cast<int16_t>(static_cast<int16_t>(cls->functionBase) + static_cast<int16_t>(function->ownIndex));
}

// The result part of a signature: from its '$' up to and including its '@'
// (the whole text without one).
std::string_view ResultPart(const char* signature) {
    const std::string_view text = signature ? signature : "";
    const std::size_t at = text.find('@');
    return at == std::string_view::npos ? text : text.substr(0, at + 1);
}

bool SameResultPart(const char* a, const char* b) { return ResultPart(a) == ResultPart(b); }

// 32-bit words gathered for one write: a row per base or per table entry
// goes out in one copy instead of a call per word.
class WordRows {
public:
    void Reserve(std::size_t words) { m_words.reserve(words); }
    void Add(uint32_t value) { m_words.push_back(value); }
    // Writes the words little-endian and empties the rows.
    void WriteTo(GSLibraryBuffer& out) {
        if constexpr (std::endian::native != std::endian::little)
            for (uint32_t& word : m_words)
                word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
        if (!m_words.empty()) out.Write(m_words.data(), static_cast<uint32_t>(m_words.size() * sizeof(uint32_t)));
        m_words.clear();
    }

private:
    std::vector<uint32_t> m_words;
};


}  // namespace

void GSLibraryWriter::NumberReferences(GSCompileContext& unit, GSCompiler::GSCClassList& classes) {
    GSCompiler::GSSymbolTable& symbols = unit.symbols;
    // Numbering is idempotent, so a class met again (a base shared by a
    // chain of classes) is passed over instead of walked again.
    const uint64_t numbered = GSClassSymbol::NewWalkMark();
    auto numberClassAndFunctions = [&](GSClassSymbol* cls) {
        if (cls->writerMark == numbered) return;
        cls->writerMark = numbered;
        symbols.Number(cls);
        ForEachMember(cls, [&](GSSymbol* member) {
            if (member->kind == GSSymbol::kFunction) symbols.Number(member);
        });
    };
    auto numberClassNamed = [&](const char* name) {
        if (GSClassSymbol* cls = FindClassSymbol(unit, name)) symbols.Number(cls);
    };
    ForEachClass(classes, [&](GSCClass& record) {
        GSClassSymbol* cls = record.symbol;
        if (cls->HasDeclaredBases()) cls->ResolveBases();
        numberClassAndFunctions(cls);
        ForEachBase(cls, [&](GSBaseEntry& base) { numberClassAndFunctions(base.baseClass); });
        ForEachMember(cls, [&](GSSymbol* member) {
            if (member->kind == GSSymbol::kVariable) numberClassNamed(static_cast<GSVariableSymbol*>(member)->className);
            if (member->kind == GSSymbol::kFunction)
                numberClassNamed(static_cast<GSFunctionSymbol*>(member)->resultClassName);
        });
    });
}

bool GSLibraryWriter::WriteLibrary(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClassList& classes,
                                   GSCompileLog* log, const char* sourceName) {
    NumberReferences(unit, classes);

    // Sections 4 to 6 are written first, at the start of `out`; the header
    // and sections 2 and 3 (which hold the strings those sections add) are
    // then put in front of them, so the image is built in place instead of
    // being copied out of a buffer of its own.
    out.Reset();
    if (!WriteClassImports(out, unit) || !WriteFunctionImports(out, unit) || !WriteClasses(out, unit, classes, log))
        return false;

    GSLibraryBuffer head;
    head.Init(kHeadGrowthStep);
    head.Skip(4);
    head.WriteUInt32(kMagic);
    head.WriteUInt32(kVersionBits);
    head.WriteUInt32(unit.mainUnit.sourceId);
    head.WriteUInt32(unit.mainUnit.nameId);
    std::string name(sourceName ? sourceName : "");
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    head.WriteUInt32(static_cast<uint32_t>(name.size() + 1));
    head.Write(name.c_str(), static_cast<uint32_t>(name.size() + 1));

    // The class chunks were padded as if they started 4-aligned, which the
    // string section's padding makes true (every class names itself, so
    // there is always a string).
    const bool sections = WriteDependents(head, unit) && WriteStrings(head, unit) && head.Position() % 4 == 0;
    const bool headComplete = !head.HasFailed();
    out.Prepend(head.Data(), head.Length());
    head.Free();
    PatchChunkLength(out, 0);
    // An image that lost bytes to a failed allocation is incomplete.
    return sections && headComplete && !out.HasFailed();
}

bool GSLibraryWriter::WriteDependents(GSLibraryBuffer& out, GSCompileContext& unit) {
    std::vector<const GSCompiler::GSDependentSymbol*> dependents;
    ForEachGlobal(unit, [&](GSSymbol* symbol) {
        if (symbol->kind == GSSymbol::kDependent)
            dependents.push_back(static_cast<const GSCompiler::GSDependentSymbol*>(symbol));
    });
    // Record i is the dependent whose index is i, whatever the walk order.
    std::vector<const GSCompiler::GSDependentSymbol*> byIndex(dependents.size(), nullptr);
    for (const auto* dependent : dependents) {
        const int32_t i = dependent->ownIndex;
        if (i < 0 || static_cast<std::size_t>(i) >= byIndex.size() || byIndex[static_cast<std::size_t>(i)]) return false;
        byIndex[static_cast<std::size_t>(i)] = dependent;
    }
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kDependentsTag);
    out.WriteUInt32(static_cast<uint32_t>(byIndex.size()));
    for (const auto* dependent : byIndex) {
        out.WriteUInt32(dependent->sourceId);
        out.WriteUInt32(dependent->nameId);
    }
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteStrings(GSLibraryBuffer& out, GSCompileContext& unit) {
    const uint32_t count = unit.stringCount;
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kStringsTag);
    out.WriteUInt32(count);
    if (count > 0) {
        const uint32_t table = out.Position();
        out.Skip(4 * count);
        const uint32_t base = out.Position();
        std::vector<uint32_t> offsets(count, 0);
        std::vector<bool> seen(count, false);
        // The texts in the table's walk order; the offsets in index order.
        for (const uint32_t index : unit.StringWalkOrder()) {
            if (index >= count || seen[index]) return false;
            seen[index] = true;
            offsets[index] = out.Position() - base;
            const char* text = unit.stringTexts[index];
            out.Write(text, static_cast<uint32_t>(std::strlen(text) + 1));
        }
        if (std::find(seen.begin(), seen.end(), false) != seen.end()) return false;
        PadTo4(out, 0x00);
        const uint32_t end = out.Position();
        out.SetPosition(table);
        for (uint32_t offset : offsets) out.WriteUInt32(offset);
        out.SetPosition(end);
    }
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteClassImports(GSLibraryBuffer& out, GSCompileContext& unit) {
    std::vector<GSClassSymbol*> byIndex(static_cast<std::size_t>(std::max(unit.symbols.classCounter, 0)), nullptr);
    bool consistent = true;
    ForEachGlobal(unit, [&](GSSymbol* symbol) {
        if (symbol->kind != GSSymbol::kClass || symbol->index < 0) return;
        const auto i = static_cast<std::size_t>(symbol->index);
        if (i >= byIndex.size() || byIndex[i]) {
            consistent = false;
            return;
        }
        byIndex[i] = static_cast<GSClassSymbol*>(symbol);
    });
    if (!consistent || std::find(byIndex.begin(), byIndex.end(), nullptr) != byIndex.end()) return false;

    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kClassImportsTag);
    out.WriteUInt32(static_cast<uint32_t>(byIndex.size()));
    for (GSClassSymbol* cls : byIndex) {
        const uint32_t name = unit.StringIndex(cls->name);
        if (!cls->dependent || cls->dependent->ownIndex < 0 || name == kNoIndex) return false;
        out.WriteUInt32(static_cast<uint32_t>(cls->dependent->ownIndex));
        out.WriteUInt32(name);
    }
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteFunctionImports(GSLibraryBuffer& out, GSCompileContext& unit) {
    std::vector<GSFunctionSymbol*> byIndex(static_cast<std::size_t>(std::max(unit.symbols.functionCounter, 0)),
                                           nullptr);
    bool consistent = true;
    ForEachGlobal(unit, [&](GSSymbol* symbol) {
        if (symbol->kind != GSSymbol::kClass || symbol->index < 0) return;
        ForEachMember(static_cast<GSClassSymbol*>(symbol), [&](GSSymbol* member) {
            if (member->kind != GSSymbol::kFunction || member->index < 0) return;
            const auto i = static_cast<std::size_t>(member->index);
            if (i >= byIndex.size() || byIndex[i]) {
                consistent = false;
                return;
            }
            byIndex[i] = static_cast<GSFunctionSymbol*>(member);
        });
    });
    if (!consistent || std::find(byIndex.begin(), byIndex.end(), nullptr) != byIndex.end()) return false;

    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kFunctionImportsTag);
    out.WriteUInt32(static_cast<uint32_t>(byIndex.size()));
    for (GSFunctionSymbol* function : byIndex) {
        const uint32_t signature = unit.StringIndex(function->signature);
        if (signature == kNoIndex || !function->owner || function->owner->index < 0) return false;
        out.WriteUInt32(static_cast<uint32_t>(function->owner->index));
        out.WriteUInt32(signature);
        out.WriteUInt32(static_cast<uint32_t>(FunctionSlotOf(function)));
    }
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteClasses(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClassList& classes,
                                   GSCompileLog* log) {
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kClassesTag);
    out.WriteUInt32(static_cast<uint32_t>(classes.Count()));
    bool ok = true;
    VirtualIndex index;
    ForEachClass(classes, [&](GSCClass& cls) { ok = ok && WriteClass(out, unit, cls, log, index); });
    if (!ok) return false;
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteClass(GSLibraryBuffer& out, GSCompileContext& unit, GSCClass& cls, GSCompileLog* log) {
    VirtualIndex index;
    return WriteClass(out, unit, cls, log, index);
}

bool GSLibraryWriter::WriteClass(GSLibraryBuffer& out, GSCompileContext& unit, GSCClass& cls, GSCompileLog* log,
                                 VirtualIndex& index) {
    GSClassSymbol* symbol = cls.symbol;
    const uint32_t name = unit.StringIndex(symbol->name);
    if (name == kNoIndex) return false;
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kClassTag);
    out.WriteUInt32(name);
    out.WriteUInt32(symbol->flags & kClassFlagMask);
    out.WriteUInt32(static_cast<uint32_t>(symbol->baseList.Count()));
    bool basesNumbered = true;
    WordRows rows;
    rows.Reserve(3 * static_cast<std::size_t>(symbol->baseList.Count()));
    ForEachBase(symbol, [&](GSBaseEntry& base) {
        basesNumbered = basesNumbered && base.baseClass->index >= 0;
        rows.Add(static_cast<uint32_t>(base.baseClass->index));
        rows.Add(static_cast<uint32_t>(base.dataOffset));
        rows.Add(static_cast<uint32_t>(base.direct));
    });
    rows.WriteTo(out);
    if (!basesNumbered || !WriteFunctionTable(out, unit, cls) || !WriteMembers(out, unit, cls)) return false;
    std::vector<VirtualEntry> table;
    if (!BuildVirtualTable(symbol, symbol, table, log, index) || !WriteVirtualTable(out, table)) return false;
    WriteInstanceLayout(out, cls);
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteFunctionTable(GSLibraryBuffer& out, GSCompileContext& unit, GSCClass& cls) {
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kFunctionTableTag);
    out.WriteUInt32(static_cast<uint32_t>(cls.functions.Count()) + 1);
    for (auto* node = cls.functions.Begin(); node != cls.functions.End(); node = node->Next())
        if (!static_cast<GSCFunction*>(node)->Write(out, unit)) return false;
    if (!WriteClassInitFunction(out, unit, cls)) return false;
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteClassInitFunction(GSLibraryBuffer& out, GSCompileContext& unit, GSCClass& cls) {
    // The class-initialisation code must leave the stack as it found it.
    if (cls.initEmitter.depth != 0) return false;
    const std::string text = "::" + std::string(cls.symbol->name) + "()";
    const char* signature = unit.symbols.StrDup(text.c_str());
    const uint32_t signatureIndex = signature ? unit.StringIndex(signature) : kNoIndex;
    if (signatureIndex == kNoIndex) return false;

    const uint32_t locals = cls.InitLocalAreaSize();
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kFunctionTag);
    out.WriteUInt32(signatureIndex);
    out.WriteUInt32(0);                   // result type void
    out.WriteUInt32(0xFFFFFFFFu);         // no result class
    out.WriteUInt32(0x20);                // constructor
    out.WriteUInt32(0xFFFFFFFFu);         // no slot
    out.WriteUInt32(locals + kFrameHeaderSlots);
    out.WriteUInt32(0);                   // argument offset 1 - 1
    out.WriteUInt32(locals + 1);
    out.WriteUInt32(static_cast<uint32_t>(cls.initEmitter.maximumDepth) + locals + kFrameHeaderSlots);
    out.WriteUInt32(1);                   // `me` only
    out.WriteUInt32(0);                   // no locals
    out.WriteUInt32(static_cast<uint32_t>(cls.highestTemporary));
    out.WriteUInt32(0);                   // no reference slots
    const uint32_t codeLength = cls.initEmitter.code.Length();
    out.WriteUInt32(codeLength);
    if (codeLength > 0) out.Write(cls.initEmitter.code.Data(), codeLength);
    PadTo4(out, kCodePadding);
    PatchChunkLength(out, start);
    return true;
}

bool GSLibraryWriter::WriteMembers(GSLibraryBuffer& out, GSCompileContext& unit, GSCClass& cls) {
    GSClassSymbol* symbol = cls.symbol;
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kMembersTag);
    const uint32_t countAt = out.Position();
    out.Skip(4);
    uint32_t count = 0;
    bool ok = true;
    ForEachMember(symbol, [&](GSSymbol* member) {
        if (member->kind != GSSymbol::kVariable || (member->flags & kGSDefine) || member->level != 0) return;
        const auto* variable = static_cast<GSVariableSymbol*>(member);
        const uint32_t name = unit.StringIndex(variable->name);
        ok = ok && name != kNoIndex;
        out.WriteUInt32(name);
        out.WriteUInt32(static_cast<uint32_t>(variable->typeCode));
        out.WriteUInt32(static_cast<uint32_t>(ClassIndexOf(unit, variable->className)));
        out.WriteUInt32(variable->flags & kGSPublic);
        out.WriteUInt32(static_cast<uint32_t>(static_cast<int32_t>(
            static_cast<int16_t>(static_cast<int16_t>(symbol->dataBase) + static_cast<int16_t>(variable->ownIndex)))));
        count += 1;
    });
    const uint32_t end = out.Position();
    out.SetPosition(countAt);
    out.WriteUInt32(count);
    out.SetPosition(end);
    PatchChunkLength(out, start);
    return ok;
}

bool GSLibraryWriter::WriteVirtualTable(GSLibraryBuffer& out, const std::vector<VirtualEntry>& list) {
    out.WriteUInt32(12 + 8 * static_cast<uint32_t>(list.size()));
    out.WriteUInt32(kVirtualTableTag);
    out.WriteUInt32(static_cast<uint32_t>(list.size()));
    WordRows rows;
    rows.Reserve(2 * list.size());
    for (const VirtualEntry& entry : list) {
        if (entry.function->index < 0) return false;
        rows.Add(static_cast<uint32_t>(entry.function->index));
        rows.Add(static_cast<uint32_t>(entry.viewOffset));
    }
    rows.WriteTo(out);
    return true;
}

void GSLibraryWriter::WriteInstanceLayout(GSLibraryBuffer& out, GSCClass& cls) {
    GSClassSymbol* symbol = cls.symbol;
    const uint32_t start = out.Position();
    out.Skip(4);
    out.WriteUInt32(kLayoutTag);
    out.WriteUInt32(static_cast<uint32_t>(symbol->ownMemberCount + symbol->dataBase + 3));
    out.WriteUInt32(2 * static_cast<uint32_t>(symbol->baseList.Count()) + 1);
    WordRows rows;
    rows.Reserve(6 * static_cast<std::size_t>(symbol->baseList.Count()));
    ForEachBase(symbol, [&](GSBaseEntry& base) {
        rows.Add(0);
        rows.Add(static_cast<uint32_t>(base.dataOffset));
        rows.Add(static_cast<uint32_t>(-base.dataOffset));
        rows.Add(1);
        rows.Add(static_cast<uint32_t>(base.dataOffset + 1));
        rows.Add(static_cast<uint32_t>(base.functionOffset));
    });
    rows.WriteTo(out);
    out.WriteUInt32(1);
    out.WriteUInt32(1);
    out.WriteUInt32(0);
    out.WriteUInt32(static_cast<uint32_t>(cls.referenceMemberCount));
    for (int32_t i = 0; i < cls.referenceMemberCount; ++i) out.WriteUInt32(static_cast<uint32_t>(cls.ReferenceMember(i)));
    PatchChunkLength(out, start);
}

bool GSLibraryWriter::BuildVirtualTable(GSClassSymbol* root, GSClassSymbol* cls, std::vector<VirtualEntry>& list,
                                        GSCompileLog* log) {
    VirtualIndex index;
    return BuildVirtualTable(root, cls, list, log, index);
}

bool GSLibraryWriter::BuildVirtualTable(GSClassSymbol* root, GSClassSymbol* cls, std::vector<VirtualEntry>& list,
                                        GSCompileLog* log, VirtualIndex& index) {
    list.clear();
    index.generation += 1;
    index.entries.clear();
    index.positions.clear();
    root->ResolveBases();
    // A base's view as FindBase names it: the first flattened entry of
    // that name.
    index.viewMark = GSClassSymbol::NewWalkMark();
    ForEachBase(root, [&](GSBaseEntry& base) {
        GSClassSymbol* baseClass = base.baseClass;
        if (!baseClass->name || baseClass->writerMark == index.viewMark) return;
        baseClass->writerMark = index.viewMark;
        baseClass->writerValue = base.dataOffset;
    });
    if (!CollectVirtualTable(root, cls, index, log)) return false;
    list.resize(index.positions.size());
    for (std::size_t i = 0; i < list.size(); ++i) list[i] = index.entries[index.positions[i]];
    return true;
}

bool GSLibraryWriter::CollectVirtualTable(GSClassSymbol* root, GSClassSymbol* cls, VirtualIndex& index,
                                          GSCompileLog* log) {
    // Depth first through the direct bases, each class after its own bases,
    // with a stack of its own: a chain of bases can be as long as the
    // source makes it.
    struct Visit {
        GSClassSymbol* cls;
        std::size_t nextBase;
    };
    std::vector<Visit> stack{{cls, 0}};
    while (!stack.empty()) {
        Visit& visit = stack.back();
        if (visit.nextBase < visit.cls->directBases.size()) {
            GSClassSymbol* base = visit.cls->directBases[visit.nextBase++];
            stack.push_back(Visit{base, 0});
            continue;
        }
        GSClassSymbol* done = visit.cls;
        stack.pop_back();
        if (!CollectOwnFunctions(root, done, index, log)) return false;
    }
    return true;
}

bool GSLibraryWriter::CollectOwnFunctions(GSClassSymbol* root, GSClassSymbol* cls, VirtualIndex& index,
                                          GSCompileLog* log) {
    int32_t viewOffset = 0;
    if (cls != root) {
        if (!cls->name || cls->writerMark != index.viewMark) return false;
        viewOffset = cls->writerValue;
    }
    // A function overrides every entry of its lookup name so far, then
    // takes a place of its own.
    for (const auto& [function, name] : index.OwnFunctions(cls)) {
        bool added = false;
        const uint32_t entry = index.EntryOf(name, added);
        if (!added && !SameResultPart(function->signature, index.entries[entry].function->signature)) {
            if (log) {
                const std::string line =
                    std::string("Wrong return type on function: ") + (function->signature ? function->signature : "") + "\n";
                log->Add(line.c_str());
            }
            return false;
        }
        index.entries[entry] = VirtualEntry{function, viewOffset};
        index.positions.push_back(entry);
    }
    return true;
}

uint32_t GSLibraryWriter::VirtualIndex::EntryOf(uint32_t name, bool& added) {
    added = generationOfName[name] != generation;
    if (added) {
        generationOfName[name] = generation;
        entryOfName[name] = static_cast<uint32_t>(entries.size());
        entries.push_back(VirtualEntry{nullptr, 0});
    }
    return entryOfName[name];
}

const std::vector<GSLibraryWriter::OwnFunction>& GSLibraryWriter::VirtualIndex::OwnFunctions(GSClassSymbol* cls) {
    const auto [at, added] = ownFunctions.try_emplace(cls);
    if (!added) return at->second;
    // Slot order; among equal slots a function walked later goes first
    // (each is placed before the first one whose slot is not less).
    std::vector<std::pair<int32_t, GSFunctionSymbol*>> walked;
    ForEachMember(cls, [&](GSSymbol* member) {
        if (member->kind == GSSymbol::kFunction)
            walked.emplace_back(OwnSlot(cls, member), static_cast<GSFunctionSymbol*>(member));
    });
    std::reverse(walked.begin(), walked.end());
    std::stable_sort(walked.begin(), walked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    at->second.reserve(walked.size());
    for (const auto& [slot, function] : walked) {
        const auto [number, fresh] = nameNumbers.try_emplace(function->name ? function->name : "",
                                                             static_cast<uint32_t>(nameNumbers.size()));
        if (fresh) {
            entryOfName.push_back(0);
            generationOfName.push_back(0);
        }
        at->second.push_back(OwnFunction{function, number->second});
    }
    return at->second;
}

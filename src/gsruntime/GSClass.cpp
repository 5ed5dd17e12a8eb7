#include "gsruntime/GSClass.h"

#include <cstring>
#include <vector>

#include "engine/PString.h"
#include "gsruntime/GSCodeVerifier.h"
#include "gsruntime/GSFlowVerifier.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSHeap.h"
#include "gsruntime/GSImageReader.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/interpreter/GSSuperInstructions.h"

namespace GSRuntime {

namespace {

// Chunk tags of a class.
constexpr uint32_t kClassTag = 7;
constexpr uint32_t kFunctionTableTag = 8;
constexpr uint32_t kFunctionTag = 9;
constexpr uint32_t kMembersTag = 10;
constexpr uint32_t kVirtualTableTag = 11;
constexpr uint32_t kLayoutTag = 12;

// Smallest function chunk: length and tag, then fourteen words up to and
// including the code length.
constexpr uint32_t kMinFunctionChunk = 8 + 14 * 4;

}  // namespace

void* GSClass::operator new(std::size_t size) noexcept { return GSMachineHeap().Alloc(size); }

void GSClass::operator delete(void* block) noexcept { GSMachineHeap().Free(block); }

GSClass::~GSClass() {
    if (m_functions) {
        for (uint32_t i = 0; i < m_functionCount; ++i) {
            if (m_machine && m_functions[i].tableIndex) m_machine->Functions().Remove(m_functions[i].tableIndex);
        }
    }
    GSHeapDeleteArray(GSMachineHeap(), m_functions, m_functionCount);
    GSHeapDeleteArray(GSMachineHeap(), m_virtualEntries, m_virtualCount);
}

int32_t GSClass::Load(GSImageReader& reader, GSMachine* machine, uint32_t classIndex, GSLibrary* library) {
    m_machine = machine;
    m_library = library;
    m_classIndex = classIndex;
    const uint8_t* image = reader.Data();

    GSImageReader::Chunk classChunk;
    if (!reader.EnterChunk(kClassTag, classChunk)) return kGSLoadMalformed;
    uint32_t nameIndex = 0;
    if (!reader.ReadUInt32(nameIndex) || !reader.ReadUInt32(m_flags) || !reader.ReadUInt32(m_baseCount))
        return kGSLoadMalformed;
    m_name = library->GetString(nameIndex);
    if (!m_name || !reader.Fits(m_baseCount, 12)) return kGSLoadMalformed;
    m_baseRows = m_baseCount ? image + reader.Position() : nullptr;
    for (uint32_t i = 0; i < m_baseCount; ++i) {
        if (GetBaseRow(i).classImport >= library->ClassImportCount()) return kGSLoadMalformed;
    }
    reader.Skip(uint64_t(m_baseCount) * 12);

    // Function table: at least the class-initialisation function.
    GSImageReader::Chunk table;
    uint32_t functionCount = 0;
    if (!reader.EnterChunk(kFunctionTableTag, table) || !reader.ReadUInt32(functionCount)) return kGSLoadMalformed;
    if (functionCount == 0 || !reader.Fits(functionCount, kMinFunctionChunk)) return kGSLoadMalformed;
    m_functions = GSHeapNewArray<GSFunction>(GSMachineHeap(), functionCount);
    if (!m_functions) return kGSLoadMalformed;
    m_functionCount = functionCount;
    for (uint32_t i = 0; i < m_functionCount; ++i) {
        if (LoadFunction(reader, m_functions[i]) != kGSLoadOk) return kGSLoadMalformed;
    }
    if (!reader.LeaveChunk(table)) return kGSLoadMalformed;

    // Member records: read in place.
    GSImageReader::Chunk members;
    if (!reader.EnterChunk(kMembersTag, members) || !reader.ReadUInt32(m_memberCount)) return kGSLoadMalformed;
    if (!reader.Fits(m_memberCount, 20)) return kGSLoadMalformed;
    m_members = m_memberCount ? image + reader.Position() : nullptr;
    if (!reader.LeaveChunk(members)) return kGSLoadMalformed;

    // Virtual table.
    GSImageReader::Chunk virtuals;
    uint32_t virtualCount = 0;
    if (!reader.EnterChunk(kVirtualTableTag, virtuals) || !reader.ReadUInt32(virtualCount)) return kGSLoadMalformed;
    if (!reader.Fits(virtualCount, 8)) return kGSLoadMalformed;
    if (virtualCount) {
        m_virtualEntries = GSHeapNewArray<VirtualEntry>(GSMachineHeap(), virtualCount);
        if (!m_virtualEntries) return kGSLoadMalformed;
        m_virtualCount = virtualCount;
        for (uint32_t i = 0; i < m_virtualCount; ++i) {
            reader.ReadUInt32(m_virtualEntries[i].functionIndex);
            reader.ReadUInt32(m_virtualEntries[i].dataOffset);
        }
    }
    if (!reader.LeaveChunk(virtuals)) return kGSLoadMalformed;

    // Instance layout. The next class starts where this sub-chunk ends.
    GSImageReader::Chunk layout;
    if (!reader.EnterChunk(kLayoutTag, layout) || !reader.ReadUInt32(m_instanceSlotCount) ||
        !reader.ReadUInt32(m_initRowCount))
        return kGSLoadMalformed;
    if (m_instanceSlotCount > kMaxInstanceSlots || !reader.Fits(m_initRowCount, 12)) return kGSLoadMalformed;
    m_initRows = m_initRowCount ? image + reader.Position() : nullptr;
    reader.Skip(uint64_t(m_initRowCount) * 12);
    if (!reader.ReadUInt32(m_referenceMemberCount) || !reader.Fits(m_referenceMemberCount, 4)) return kGSLoadMalformed;
    m_referenceMembers = m_referenceMemberCount ? image + reader.Position() : nullptr;
    if (!reader.LeaveChunk(layout) || !reader.LeaveChunkAt(classChunk, reader.Position())) return kGSLoadMalformed;

    return CheckLayout() ? kGSLoadOk : kGSLoadMalformed;
}

int32_t GSClass::LoadFunction(GSImageReader& reader, GSFunction& function) {
    const uint8_t* image = reader.Data();
    GSLibrary* library = m_library;
    GSImageReader::Chunk chunk;
    if (!reader.EnterChunk(kFunctionTag, chunk)) return kGSLoadMalformed;

    uint32_t signatureIndex = 0;
    uint32_t localCount = 0;
    uint32_t highestTemporary = 0;
    reader.ReadUInt32(signatureIndex);
    reader.ReadUInt32(function.resultType);
    reader.ReadInt32(function.resultClass);
    reader.ReadUInt32(function.flags);
    reader.ReadInt32(function.slot);
    reader.ReadUInt32(function.frameSize);
    reader.ReadInt32(function.argumentOffset);
    reader.ReadUInt32(function.headerOffset);
    reader.ReadUInt32(function.slotsNeeded);
    reader.ReadUInt32(function.argumentSlotCount);
    reader.ReadUInt32(localCount);
    reader.ReadUInt32(highestTemporary);
    reader.ReadUInt32(function.referenceSlotCount);
    if (reader.Failed()) return kGSLoadMalformed;
    function.owner = this;
    function.library = library;
    function.signature = library->GetString(signatureIndex);
    if (!function.signature) return kGSLoadMalformed;
    if (function.resultClass < -1 || (function.resultClass >= 0 &&
                                      static_cast<uint32_t>(function.resultClass) >= library->ClassImportCount()))
        return kGSLoadMalformed;

    // Frame words: frame size L + 4, header offset L + 1, argument offset
    // 1 - a with a >= 1; the frame, with `me` and the arguments below it,
    // must fit the stack.
    const uint64_t a = function.argumentSlotCount;
    if (a < 1 || function.frameSize < 4) return kGSLoadMalformed;
    const uint64_t locals = uint64_t(function.frameSize) - 4;
    if (function.headerOffset != locals + 1 || int64_t(function.argumentOffset) != 1 - int64_t(a) ||
        function.slotsNeeded < function.frameSize || a - 1 + function.slotsNeeded >= kGSStackSlots)
        return kGSLoadMalformed;
    const uint32_t localSlots = function.LocalSlotCount();

    // Reference slots: arguments and locals, never `me`, none twice.
    if (!reader.Fits(function.referenceSlotCount, 4)) return kGSLoadMalformed;
    function.referenceSlots = function.referenceSlotCount ? image + reader.Position() : nullptr;
    std::vector<bool> seen(localSlots, false);
    for (uint32_t i = 0; i < function.referenceSlotCount; ++i) {
        const int32_t slot = function.ReferenceSlot(i);
        if (slot < 1 || static_cast<uint32_t>(slot) >= localSlots || seen[static_cast<uint32_t>(slot)])
            return kGSLoadMalformed;
        seen[static_cast<uint32_t>(slot)] = true;
    }
    reader.Skip(uint64_t(function.referenceSlotCount) * 4);

    if (!reader.ReadUInt32(function.codeLength) || !reader.Fits(function.codeLength, 1)) return kGSLoadMalformed;
    function.code = function.codeLength ? image + reader.Position() : nullptr;
    reader.Skip(function.codeLength);

    // The line table follows the code's padding; a chunk that ends before
    // it (the class initialisation) has none.
    const uint64_t aligned = (uint64_t(reader.Position()) + 3) & ~uint64_t(3);
    if (aligned + 4 <= reader.Limit()) {
        uint32_t tag = 0;
        reader.SeekTo(aligned);
        reader.ReadUInt32(tag);
        if (tag == kGSLineTableTag) {
            if (!reader.ReadUInt32(function.linePairCount) || !reader.Fits(function.linePairCount, 8))
                return kGSLoadMalformed;
            function.linePairs = function.linePairCount ? image + reader.Position() : nullptr;
        }
    }
    if (!reader.LeaveChunk(chunk)) return kGSLoadMalformed;

    GSCodeLimits limits;
    limits.localSlots = localSlots;
    limits.stringCount = library->StringCount();
    limits.classCount = library->ClassImportCount();
    if (!GSVerifyCode(function.code, function.codeLength, limits)) return kGSLoadMalformed;
    // The kinds of what the code moves: references where it counts,
    // releases or calls through them, on every path.
    function.resultShape = GSResultShapeOf(function.resultType);
    if (function.codeLength > 0) {
        GSFlowInput flow;
        flow.code = function.code;
        flow.length = function.codeLength;
        flow.localSlots = localSlots;
        flow.argumentSlots = function.argumentSlotCount;
        flow.referenceLocals = std::move(seen);
        flow.referenceLocals[0] = true;
        flow.resultShape = function.resultShape;
        if (!GSVerifyFlow(flow, function.callContracts, nullptr, &function.maxStackDepth)) return kGSLoadMalformed;
        if (function.maxStackDepth >= 0) {
            function.runCode = GSWriteSuperInstructions(function.code, function.codeLength);
            function.keepsMe = !GSStoresLocalZero(function.code, function.codeLength);
        }
    }

    if (m_machine) {
        function.tableIndex = m_machine->Functions().Add(&function);
        if (!function.tableIndex) return kGSLoadMalformed;
    }
    return kGSLoadOk;
}

bool GSClass::CheckLayout() const {
    const uint64_t dataSlots = DataSlotCount();
    for (uint32_t i = 0; i < m_baseCount; ++i) {
        if (uint64_t(GetBaseRow(i).dataOffset) + 2 > dataSlots) return false;
    }
    for (uint32_t i = 0; i < m_memberCount; ++i) {
        const MemberRecord member = GetMember(i);
        if (member.name >= m_library->StringCount()) return false;
        if (member.classIndex < -1 ||
            (member.classIndex >= 0 && static_cast<uint32_t>(member.classIndex) >= m_library->ClassImportCount()))
            return false;
        if (member.slot < 0 || static_cast<uint64_t>(member.slot) >= dataSlots) return false;
    }
    for (uint32_t i = 0; i < m_virtualCount; ++i) {
        const VirtualEntry& entry = m_virtualEntries[i];
        if (entry.functionIndex >= m_library->FunctionImportCount()) return false;
        bool knownView = entry.dataOffset == 0;
        for (uint32_t b = 0; b < m_baseCount && !knownView; ++b) knownView = GetBaseRow(b).dataOffset == entry.dataOffset;
        if (!knownView) return false;
    }
    // Initialiser rows write the fixed slots of the views and nothing else:
    // kind 0 the first slot of a view (its own offset, negated), any other
    // kind the second (a virtual-table index). Every base view gets its
    // first slot written: a view whose first slot stayed 0 would pass for
    // the instance's own view.
    auto isViewAt = [&](uint64_t slot) {
        if (slot == 0) return true;
        for (uint32_t b = 0; b < m_baseCount; ++b)
            if (GetBaseRow(b).dataOffset == slot) return true;
        return false;
    };
    std::vector<bool> viewStarted(m_baseCount, false);
    for (uint32_t i = 0; i < m_initRowCount; ++i) {
        const InitRow row = GetInitRow(i);
        if (row.slot >= dataSlots) return false;
        if (row.kind == 0) {
            if (int64_t(row.value) != -int64_t(row.slot) || !isViewAt(row.slot)) return false;
            for (uint32_t b = 0; b < m_baseCount; ++b)
                if (GetBaseRow(b).dataOffset == row.slot) viewStarted[b] = true;
        } else if (row.value < 0 || static_cast<uint32_t>(row.value) > m_virtualCount || row.slot == 0 ||
                   !isViewAt(uint64_t(row.slot) - 1)) {
            return false;
        }
    }
    for (uint32_t b = 0; b < m_baseCount; ++b) {
        if (GetBaseRow(b).dataOffset != 0 && !viewStarted[b]) return false;
    }
    std::vector<bool> seen(static_cast<std::size_t>(dataSlots), false);
    for (uint32_t i = 0; i < m_referenceMemberCount; ++i) {
        const int32_t slot = ReferenceMember(i);
        if (slot < 2 || static_cast<uint64_t>(slot) >= dataSlots || seen[static_cast<std::size_t>(slot)]) return false;
        seen[static_cast<std::size_t>(slot)] = true;
    }
    return true;
}

bool GSClass::LinkNatives() {
    if (!m_machine) return false;
    // Every base's data must lie inside this class's data at its offset:
    // the base's members are released through that view.
    for (uint32_t i = 0; i < m_baseCount; ++i) {
        const GSClass* base = BaseClass(i);
        if (!base || uint64_t(GetBaseRow(i).dataOffset) + base->DataSlotCount() > DataSlotCount()) return false;
    }
    for (uint32_t i = 0; i < m_functionCount; ++i) {
        GSFunction& function = m_functions[i];
        if (function.IsNative()) {
            const Vek::PString className(m_name);
            const Vek::PString signature(function.signature);
            function.native = m_machine->FindNative(className, signature);
            if (!function.native) GSLog("Could not resolve native link %s", function.signature);
        } else {
            GSFunction* base = nullptr;
            uint32_t offset = 0;
            if (FindInheritedFunction(function.signature, base, offset)) {
                function.overridden = base;
                function.baseOffset = offset;
            }
        }
    }
    for (uint32_t i = 0; i < m_virtualCount; ++i)
        m_virtualEntries[i].import = m_library->GetFunctionImport(m_virtualEntries[i].functionIndex);
    return true;
}

int32_t GSClass::FindFunctionIndex(const char* signature) const {
    if (!signature) return -1;
    for (uint32_t i = 0; i < m_functionCount; ++i) {
        if (std::strcmp(m_functions[i].signature, signature) == 0) return static_cast<int32_t>(i);
    }
    return -1;
}

bool GSClass::SameMethod(const char* a, const char* b) {
    const char* methodA = a ? std::strstr(a, "::") : nullptr;
    const char* methodB = b ? std::strstr(b, "::") : nullptr;
    return std::strcmp(methodA ? methodA : "", methodB ? methodB : "") == 0;
}

bool GSClass::FindInheritedFunction(const char* signature, GSFunction*& function, uint32_t& dataOffset) const {
    for (uint32_t i = 0; i < m_baseCount; ++i) {
        const GSClass* base = BaseClass(i);
        if (!base) continue;
        for (uint32_t f = 0; f < base->m_functionCount; ++f) {
            if (SameMethod(base->m_functions[f].signature, signature)) {
                function = &base->m_functions[f];
                dataOffset = GetBaseRow(i).dataOffset;
                return true;
            }
        }
    }
    return false;
}

bool GSClass::IsA(const char* name) const {
    if (!name) return false;
    if (m_name && std::strcmp(m_name, name) == 0) return true;
    for (uint32_t i = m_baseCount; i-- > 0;) {
        const GSLibrary::ClassImport* import = m_library->GetClassImport(GetBaseRow(i).classImport);
        if (import && import->name && std::strcmp(import->name, name) == 0) return true;
    }
    return false;
}

int32_t GSClass::BaseIndex(const GSClass* other) const {
    for (uint32_t i = m_baseCount; i-- > 0;) {
        if (BaseClass(i) == other) return static_cast<int32_t>(i);
    }
    return -1;
}

GSClass* GSClass::FindFunction(const char* signature, uint32_t& dataOffset, int32_t& slot, int32_t& index) const {
    index = FindFunctionIndex(signature);
    if (index >= 0) {
        dataOffset = 0;
        slot = m_functions[index].slot;
        return const_cast<GSClass*>(this);
    }
    for (uint32_t i = 0; i < m_baseCount; ++i) {
        GSClass* base = BaseClass(i);
        if (!base) continue;
        index = base->FindFunctionIndex(signature);
        if (index >= 0) {
            dataOffset = GetBaseRow(i).dataOffset;
            slot = base->m_functions[index].slot;
            return base;
        }
    }
    index = -1;
    return nullptr;
}

GSClass::BaseRow GSClass::GetBaseRow(uint32_t index) const {
    const uint8_t* row = m_baseRows + 12 * uint64_t(index);
    return BaseRow{GSImageWord(row), GSImageWord(row + 4), GSImageWord(row + 8)};
}

GSClass* GSClass::BaseClass(uint32_t index) const {
    if (index >= m_baseCount) return nullptr;
    const GSLibrary::ClassImport* import = m_library->GetClassImport(GetBaseRow(index).classImport);
    return import ? import->cls : nullptr;
}

GSFunction* GSClass::GetFunction(uint32_t index) const {
    return index < m_functionCount ? &m_functions[index] : nullptr;
}

GSClass::MemberRecord GSClass::GetMember(uint32_t index) const {
    const uint8_t* record = m_members + 20 * uint64_t(index);
    return MemberRecord{GSImageWord(record), GSImageWord(record + 4), static_cast<int32_t>(GSImageWord(record + 8)),
                        GSImageWord(record + 12), static_cast<int32_t>(GSImageWord(record + 16))};
}

GSClass::InitRow GSClass::GetInitRow(uint32_t index) const {
    const uint8_t* row = m_initRows + 12 * uint64_t(index);
    return InitRow{GSImageWord(row), GSImageWord(row + 4), static_cast<int32_t>(GSImageWord(row + 8))};
}

int32_t GSClass::ReferenceMember(uint32_t index) const {
    return static_cast<int32_t>(GSImageWord(m_referenceMembers + 4 * uint64_t(index)));
}

}  // namespace GSRuntime

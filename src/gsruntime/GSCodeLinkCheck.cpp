#include "gsruntime/GSCodeLinkCheck.h"

#include <algorithm>

#include "gscompiler/bytecode/GSBytecode.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"

namespace GSRuntime {

namespace {

// What a data slot may hold in some class.
enum : uint8_t { kSlotValue = 1, kSlotReference = 2, kSlotFixed = 4 };
// What a method-table entry may name in some class.
enum : uint8_t { kMethodNative = 1, kMethodScript = 2 };

uint8_t SlotBit(uint8_t kind) {
    switch (kind) {
        case GSClass::kDataValue: return kSlotValue;
        case GSClass::kDataReference: return kSlotReference;
        default: return kSlotFixed;
    }
}

// The slot bit a member access needs.
uint8_t NeededSlot(uint8_t opcode) {
    switch (opcode) {
        case OP_LoadMemberRef: case OP_StoreMemberRef: case OP_StoreMemberRefKeep:
        case OP_LoadMyMemberRef: case OP_StoreMyMemberRef: case OP_StoreMyMemberRefKeep:
            return kSlotReference;
        default:
            return kSlotValue;
    }
}

bool IsMyMember(uint8_t opcode) { return opcode >= OP_LoadMyMember && opcode <= OP_StoreMyMemberRefKeep; }

}  // namespace

GSCodeLinkCheck::GSCodeLinkCheck(const GSLibrary& library) {
    std::vector<const GSLibrary*> seen;
    for (uint32_t d = 0; d < library.DependentCount(); ++d) {
        const GSLibrary* dependent = library.GetDependent(d).library;
        if (!dependent || std::find(seen.begin(), seen.end(), dependent) != seen.end()) continue;
        seen.push_back(dependent);
        for (uint32_t c = 0; c < dependent->ClassCount(); ++c)
            if (const GSClass* cls = dependent->GetClass(c)) AddClass(*cls);
    }
}

void GSCodeLinkCheck::AddClass(const GSClass& cls) {
    const uint32_t slots = cls.DataSlotCount();
    if (m_slots.size() < slots) m_slots.resize(slots, 0);
    // A class whose layout is not known yet (a library of an include cycle
    // that is still linking) may hold anything in its slots.
    const uint8_t* kinds = cls.DataSlotKinds();
    for (uint32_t i = 0; i < slots; ++i) m_slots[i] |= kinds ? SlotBit(kinds[i]) : uint8_t(kSlotValue | kSlotReference);

    const uint32_t entries = cls.VirtualCount();
    if (m_methods.size() < entries) m_methods.resize(entries, 0);
    for (uint32_t i = 0; i < entries; ++i) {
        const GSClass::VirtualEntry& entry = cls.GetVirtualEntry(i);
        const GSFunction* function = entry.import ? entry.import->function : nullptr;
        if (!function)
            m_methods[i] |= kMethodNative | kMethodScript;
        else
            m_methods[i] |= function->IsNative() ? kMethodNative : kMethodScript;
    }
}

bool GSCodeLinkCheck::CheckClass(const GSClass& cls) const {
    const uint8_t* ownKinds = cls.DataSlotKinds();
    for (uint32_t f = 0; f < cls.FunctionCount(); ++f) {
        if (!CheckFunction(cls, ownKinds, *cls.GetFunction(f))) return false;
    }
    return true;
}

namespace {

// Offsets that control can reach other than from the instruction before.
std::vector<bool> TargetsOf(const uint8_t* code, uint32_t length, const std::vector<GSInstruction>& instructions) {
    std::vector<bool> targets(length, false);
    auto mark = [&](int64_t target) {
        if (target >= 0 && target < int64_t(length)) targets[static_cast<std::size_t>(target)] = true;
    };
    for (const GSInstruction& in : instructions) {
        const GSOperands operands = GSInstructionInfoOf(in.opcode)->operands;
        if (operands == GSOperands::CodeOffset) {
            mark(in.first);
        } else if (operands == GSOperands::Switch) {
            for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i) mark(GSSwitchTarget(code, in, i));
            mark(GSSwitchDefault(code, in));
        } else if (operands == GSOperands::Wait) {
            for (uint32_t i = 0; i < static_cast<uint32_t>(in.first); ++i) mark(GSWaitHandler(code, in, i));
        }
    }
    return targets;
}

const GSClass* ImportedClass(const GSLibrary* library, int64_t index) {
    if (!library || index < 0) return nullptr;
    const GSLibrary::ClassImport* import = library->GetClassImport(static_cast<uint32_t>(index));
    return import ? import->cls : nullptr;
}

// The class whose view the instruction before a member access leaves on
// the stack, where the code says it: `me`, a new object, a static
// instance, a cast, or a member of `me` declared with a class. Null when
// the code does not say.
const GSClass* HolderClass(const GSClass& owner, const GSInstruction& before) {
    switch (before.opcode) {
        case OP_LoadLocalRef:
            return before.first == 0 ? &owner : nullptr;
        case OP_NewObject:
        case OP_PushStatic:
        case OP_Cast:
            return ImportedClass(owner.Library(), before.first);
        case OP_LoadMyMemberRef:
            for (uint32_t i = 0; i < owner.MemberCount(); ++i) {
                const GSClass::MemberRecord member = owner.GetMember(i);
                if (member.slot == before.first) return ImportedClass(owner.Library(), member.classIndex);
            }
            return nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

bool GSCodeLinkCheck::CheckFunction(const GSClass& owner, const uint8_t* ownKinds, const GSFunction& function) const {
    // The code was verified when it was read: it decodes to its end.
    std::vector<GSInstruction> instructions;
    for (uint32_t offset = 0; offset < function.codeLength;) {
        GSInstruction in;
        if (!GSDecodeInstruction(function.code, function.codeLength, offset, in)) return false;
        offset += in.length;
        instructions.push_back(in);
    }
    const std::vector<bool> targets = TargetsOf(function.code, function.codeLength, instructions);
    for (std::size_t n = 0; n < instructions.size(); ++n) {
        const GSInstruction& in = instructions[n];
        const GSOperands operands = GSInstructionInfoOf(in.opcode)->operands;
        if (operands == GSOperands::MemberSlot) {
            const uint32_t slot = static_cast<uint32_t>(in.first);
            const uint8_t needed = NeededSlot(in.opcode);
            // The holder of a load is the top slot: when the instruction
            // before it made the holder and nothing jumps in between, the
            // holder's class is known and its layout decides.
            const GSClass* holder = nullptr;
            if (IsMyMember(in.opcode))
                holder = &owner;
            else if ((in.opcode == OP_LoadMember || in.opcode == OP_LoadMemberRef) && n > 0 && !targets[in.offset])
                holder = HolderClass(owner, instructions[n - 1]);
            const uint8_t* kinds = holder == &owner ? ownKinds : holder ? holder->DataSlotKinds() : nullptr;
            if (holder && kinds) {
                if (slot >= holder->DataSlotCount() || SlotBit(kinds[slot]) != needed) return false;
            } else if (IsMyMember(in.opcode)) {
                return false;
            } else if (slot >= m_slots.size() || !(m_slots[slot] & needed)) {
                return false;
            }
        } else if (in.opcode == OP_Call || in.opcode == OP_CallNative || in.opcode == OP_CallThread) {
            const uint32_t method = static_cast<uint32_t>(in.second);
            const uint8_t needed = in.opcode == OP_CallNative ? kMethodNative : kMethodScript;
            if (method >= m_methods.size() || !(m_methods[method] & needed)) return false;
        }
    }
    return true;
}

}  // namespace GSRuntime

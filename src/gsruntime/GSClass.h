#pragma once
// GSClass: one class of a loaded script library: its flattened base list,
// its function records, member records, virtual table and instance layout.
// Base rows, member records, initialiser rows and reference-member slots are
// read in place from the image through the accessors below.
//
// Instance layout. An instance's data has DataSlotCount() 32-bit slots: the
// class's own view at data offset 0 and one view per base at the base's data
// offset. Slot 0 of a view holds minus its data offset; slot 1 holds the
// index, in the instance class's virtual table, of the view's first entry
// (0 for the own view, the base's function offset for a base view). The
// initialiser rows write both: kind 0 stores its value in its slot, any
// other kind stores its value as a virtual-table index.
//
// The loader has checked, and users may rely on:
//   - base rows: class import below the library's class-import count, the
//     view's two fixed slots inside the data;
//   - member records: name and class indices in range, slot inside the data;
//   - virtual-table rows: function import in range, data offset 0 or a base
//     row's data offset;
//   - initialiser rows: kind 0 rows write the first slot of a view (the
//     own view or a base row's) with minus the slot, other kinds the
//     second slot of a view with an index at most the virtual-table count;
//     every base view off offset 0 has its kind 0 row;
//   - reference members: slots 2 and up, inside the data, none twice;
//   - at least one function record (the class initialisation), each
//     checked as GSFunction.h says;
//   - after linking: each base class's data fits inside this class's data at
//     the base's offset.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSScriptInstance.h"

namespace GSRuntime {

class GSContext;
class GSFunction;
class GSImageReader;
class GSMachine;
class GSObject;
struct GSScriptInstance;

class GSClass {
public:
    struct BaseRow {
        uint32_t classImport;  // index into the library's class imports
        uint32_t dataOffset;   // first data slot of the base's view
        uint32_t direct;       // 1 for a direct base
    };
    struct MemberRecord {
        uint32_t name;  // string index
        uint32_t type;  // type code
        int32_t classIndex;
        uint32_t isPublic;
        int32_t slot;
    };
    struct VirtualEntry {
        GSLibrary::FunctionImport* import = nullptr;  // filled by LinkNatives
        uint32_t functionIndex = 0;
        uint32_t dataOffset = 0;
    };
    struct InitRow {
        uint32_t kind;
        uint32_t slot;
        int32_t value;
    };

    // Largest instance slot count a class may declare.
    static constexpr uint32_t kMaxInstanceSlots = 1u << 20;

    GSClass() = default;
    virtual ~GSClass();

    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;

    // Reads and checks the class chunk at the reader's position (see
    // GSLibrary::Load); on success the reader stands where the class's
    // instance-layout sub-chunk ends. 0, or -1 for a malformed chunk.
    int32_t Load(GSImageReader& reader, GSMachine* machine, uint32_t classIndex, GSLibrary* library);

    // Binds the native records to the machine's natives, finds the base
    // function each script function redefines, points every virtual-table
    // row at its function import, and checks that every base's data fits at
    // its offset. False without a machine or when a base does not fit.
    bool LinkNatives();

    // The first record whose signature is exactly `signature`; -1 when none.
    int32_t FindFunctionIndex(const char* signature) const;
    // True when the method parts (from the first "::" to the end; empty
    // without one) of two signatures are equal.
    static bool SameMethod(const char* a, const char* b);
    // The first record of the first base (base-list order, records in order)
    // with the same method part as `signature`, and that base's data offset.
    bool FindInheritedFunction(const char* signature, GSFunction*& function, uint32_t& dataOffset) const;

    // True when the class's name or one of its bases' names is `name`
    // (exact; bases searched from the last row to the first).
    bool IsA(const char* name) const;
    // Row of `other` in the base list (searched from the last row), or -1.
    int32_t BaseIndex(const GSClass* other) const;
    // The class (this one or a base, in that order) that declares a function
    // of that exact signature, with the data offset of its view, the
    // record's slot and its index; null (index -1) when none.
    GSClass* FindFunction(const char* signature, uint32_t& dataOffset, int32_t& slot, int32_t& index) const;

    // Instances (GSClassInstances.cpp).
    //
    // The view of an instance that belongs to `target`: the own view when
    // target is the instance's class, the base's view when it is a base;
    // null for a mismatch, a header without class, and an instance without
    // owner cast to a class that is (or derives from) "GameObject".
    static GSDataRef CastInstance(const GSClass* target, const GSScriptInstance* header);
    // Virtual dispatch of method slot `slot` on the view `view`: the
    // function of the virtual-table entry at the view's first entry plus the
    // slot, and in `me` the view of the instance that the function expects.
    // Null for a view without class or an entry outside the table.
    // (Inline: every script call dispatches.)
    static GSFunction* Dispatch(GSDataRef view, int32_t slot, GSDataRef& me) {
        me = 0;
        GSScriptInstance* header = GSScriptInstance::FromReference(view);
        if (!header || !header->cls || slot < 0) return nullptr;
        const uint64_t entryIndex = uint64_t(GSSlots(view)[1]) + uint64_t(slot);
        if (entryIndex >= header->cls->VirtualCount()) return nullptr;
        const VirtualEntry& entry = header->cls->GetVirtualEntry(static_cast<uint32_t>(entryIndex));
        if (!entry.import || !entry.import->function) return nullptr;
        // The data start is slot 0's (negative) count of slots from the view.
        me = GSOffsetReference(view, int64_t(static_cast<int32_t>(GSSlots(view)[0])) + entry.dataOffset);
        return entry.import->function;
    }
    // Creates the instance of this class for `owner` in `context` (null:
    // untracked): a zeroed block with count 1 for the owner, the initialiser
    // rows, then the class-initialisation functions of the bases (last base
    // first) and of the class itself, each run on the machine's static
    // thread. False, with the owner unbound, when the owner has an instance
    // already or a class-initialisation function does not finish; what the
    // finished ones stored is released again.
    bool CreateInstance(GSObject* owner, GSContext* context);
    // Releases, and zeroes, the reference members of every base view (last
    // base first) and then of the own view. False when the header is not an
    // instance of this class.
    bool ReleaseMembers(GSScriptInstance* header);
    // The same for the members whose values are tracked by `registry` only.
    void ReleaseMembersInto(GSScriptInstance* header, const GSTrackedObjectRegistry& registry);
    // ReleaseMembers, then unregisters the header and frees its block.
    bool DestroyInstance(GSScriptInstance* header);

    const char* Name() const { return m_name; }
    uint32_t Flags() const { return m_flags; }
    uint32_t ClassIndex() const { return m_classIndex; }
    GSLibrary* Library() const { return m_library; }
    GSMachine* Machine() const { return m_machine; }

    uint32_t BaseCount() const { return m_baseCount; }
    BaseRow GetBaseRow(uint32_t index) const;
    // The linked class of base row i, or null.
    GSClass* BaseClass(uint32_t index) const;

    uint32_t FunctionCount() const { return m_functionCount; }
    GSFunction* GetFunction(uint32_t index) const;
    // The class-initialisation function (the last record).
    GSFunction* InitFunction() const { return GetFunction(m_functionCount - 1); }

    uint32_t MemberCount() const { return m_memberCount; }
    MemberRecord GetMember(uint32_t index) const;

    uint32_t VirtualCount() const { return m_virtualCount; }
    const VirtualEntry& GetVirtualEntry(uint32_t index) const { return m_virtualEntries[index]; }

    uint32_t InstanceSlotCount() const { return m_instanceSlotCount; }
    // Data slots of an instance: the instance slot count + 3.
    uint32_t DataSlotCount() const { return m_instanceSlotCount + 3; }
    uint32_t InitRowCount() const { return m_initRowCount; }
    InitRow GetInitRow(uint32_t index) const;
    uint32_t ReferenceMemberCount() const { return m_referenceMemberCount; }
    int32_t ReferenceMember(uint32_t index) const;

    // What each data slot of an instance of this class holds: a value, a
    // reference member (own or a base's), or one of the two fixed slots of
    // a view. Worked out on first use, once the bases are linked; null
    // while a base is missing.
    enum DataSlotKind : uint8_t { kDataValue = 0, kDataReference = 1, kDataViewStart = 2, kDataViewTable = 3 };
    const uint8_t* DataSlotKinds() const;

private:
    bool RunInitFunction(GSFunction* function, GSDataRef view);
    int32_t LoadFunction(GSImageReader& reader, GSFunction& function);
    bool CheckLayout() const;

    GSMachine* m_machine = nullptr;
    GSLibrary* m_library = nullptr;
    const char* m_name = nullptr;
    uint32_t m_flags = 0;
    uint32_t m_classIndex = 0;
    uint32_t m_baseCount = 0;
    const uint8_t* m_baseRows = nullptr;
    uint32_t m_functionCount = 0;
    GSFunction* m_functions = nullptr;
    uint32_t m_memberCount = 0;
    const uint8_t* m_members = nullptr;
    uint32_t m_virtualCount = 0;
    VirtualEntry* m_virtualEntries = nullptr;
    uint32_t m_instanceSlotCount = 0;
    uint32_t m_initRowCount = 0;
    const uint8_t* m_initRows = nullptr;
    uint32_t m_referenceMemberCount = 0;
    const uint8_t* m_referenceMembers = nullptr;
    mutable std::vector<uint8_t> m_dataSlotKinds;
};

}  // namespace GSRuntime

#pragma once
// GSCompiler::GSCClass: the generated form of one class of the unit: its
// functions in generation order, the code that stores the members' initial
// values, and the member slots that hold references. GSCClassList holds
// the classes of a unit in declaration order and owns them.
#include <cstdint>

#include "foundation/containers/GSLibraryBuffer.h"
#include "foundation/containers/IDoubleLinkList.h"
#include "gscompiler/codegen/GSCodeEmitter.h"

class GSCompileContext;

namespace GSCompiler {

class GSCFunction;
class GSClassSymbol;
class GSFunctionSymbol;

class GSCClass : public Utils::IDoubleLinkListNode {
public:
    static constexpr uint32_t kReferenceGrowthStep = 64;

    GSCClass(GSClassSymbol* symbol, GSCompileContext* context);
    // Deletes the function records.
    ~GSCClass() override;
    GSCClass(const GSCClass&) = delete;
    GSCClass& operator=(const GSCClass&) = delete;

    // A new function record appended to the function list; null when out
    // of memory.
    GSCFunction* AddFunction(GSFunctionSymbol* function);
    // Records a member slot that holds a reference (false when out of memory).
    bool AddReferenceMember(int16_t slot);
    int32_t ReferenceMember(int32_t i) const;

    // Slots of the class-initialisation frame's local area: the highest
    // temporary index and, when temporaries are used, one more.
    uint32_t InitLocalAreaSize() const;

    GSClassSymbol* symbol;
    Utils::IDoubleLinkList functions;  // of GSCFunction
    GSCodeEmitter initEmitter;
    int32_t highestTemporary = 0;
    bool temporariesUsed = false;
    int32_t referenceMemberCount = 0;
    GSLibraryBuffer referenceMembers;
    GSCompileContext* context;
};

// The classes of a unit; deleting the list (or Clear) deletes them.
class GSCClassList : public Utils::IDoubleLinkList {
public:
    GSCClassList() = default;
    ~GSCClassList() override { Clear(); }
    void Clear();
};

}  // namespace GSCompiler

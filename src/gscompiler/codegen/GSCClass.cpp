#include "gscompiler/codegen/GSCClass.h"

#include <cstring>
#include <new>

#include "gscompiler/codegen/GSCFunction.h"

namespace GSCompiler {

GSCClass::GSCClass(GSClassSymbol* symbol, GSCompileContext* context) : symbol(symbol), context(context) {
    referenceMembers.Init(kReferenceGrowthStep);
}

GSCClass::~GSCClass() {
    while (!functions.IsEmpty()) {
        auto* function = static_cast<GSCFunction*>(functions.Begin());
        functions.Remove(function);
        delete function;
    }
}

GSCFunction* GSCClass::AddFunction(GSFunctionSymbol* function) {
    auto* record = new (std::nothrow) GSCFunction(function);
    if (record) functions.AddTail(record);
    return record;
}

bool GSCClass::AddReferenceMember(int16_t slot) {
    referenceMembers.WriteUInt32(static_cast<uint32_t>(static_cast<int32_t>(slot)));
    if (referenceMembers.HasFailed()) return false;
    referenceMemberCount += 1;
    return true;
}

int32_t GSCClass::ReferenceMember(int32_t i) const {
    int32_t value;
    std::memcpy(&value, referenceMembers.Data() + 4 * i, sizeof value);
    return value;
}

uint32_t GSCClass::InitLocalAreaSize() const {
    return static_cast<uint32_t>(highestTemporary) + (temporariesUsed ? 1u : 0u);
}

void GSCClassList::Clear() {
    while (!IsEmpty()) {
        auto* cls = static_cast<GSCClass*>(Begin());
        Remove(cls);
        delete cls;
    }
}

}  // namespace GSCompiler

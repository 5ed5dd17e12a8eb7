#include "gscompiler/library/GSLibraryFormat.h"

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSClassSymbol.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSSymbol.h"

namespace GSLibraryFormat {

void PadTo4(GSLibraryBuffer& out, uint8_t fill) {
    while (out.Position() % 4 != 0 && !out.HasFailed()) out.WriteUInt8(fill);
}

void PatchChunkLength(GSLibraryBuffer& out, uint32_t start) {
    const uint32_t end = out.Position();
    out.SetPosition(start);
    out.WriteUInt32(end - start);
    out.SetPosition(end);
}

GSCompiler::GSClassSymbol* FindClassSymbol(GSCompileContext& unit, const char* name) {
    if (!name) return nullptr;
    GSCompiler::GSSymbol probe(GSCompiler::GSSymbol::kProbe, name);
    probe.level = -1;
    Utils::IHashTable::Iterator it;
    if (!unit.symbols.globalTable.Find(probe, it)) return nullptr;
    auto* symbol = static_cast<GSCompiler::GSSymbol*>(it.Node());
    return symbol->kind == GSCompiler::GSSymbol::kClass ? static_cast<GSCompiler::GSClassSymbol*>(symbol) : nullptr;
}

int32_t ClassIndexOf(GSCompileContext& unit, const char* className) {
    const GSCompiler::GSClassSymbol* cls = FindClassSymbol(unit, className);
    return cls && cls->index >= 0 ? cls->index : -1;
}

int32_t FunctionSlotOf(const GSCompiler::GSFunctionSymbol* function) {
    if (!function || !function->owner || function->owner->kind != GSCompiler::GSSymbol::kClass) return -1;
    const auto* owner = static_cast<const GSCompiler::GSClassSymbol*>(function->owner);
    return static_cast<int16_t>(static_cast<int16_t>(owner->functionBase) + static_cast<int16_t>(function->ownIndex));
}

}  // namespace GSLibraryFormat

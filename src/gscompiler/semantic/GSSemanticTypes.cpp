// The semantic pass's type relations: assignability (for '=' and
// initialisers) and type matching (for casts and call arguments), with the
// class hierarchy taken into account.
#include <cstring>

#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/semantic/GSOperatorTables.h"
#include "gscompiler/semantic/GSSemanticPass.h"
#include "gscompiler/semantic/GSTreeNavigation.h"

using GSCompiler::GSBaseEntry;
using GSCompiler::GSClassSymbol;

bool GSSemanticPass::CheckAssignable(int32_t targetType, const char* targetClass, const GSCNode* source,
                                     int32_t line) {
    if (!GSAssignAllowed(targetType, source->typeCode)) {
        ReportCastError(source->typeCode, source->className, targetType, targetClass, line);
        return false;
    }
    if (!targetClass || !source->className) return true;
    GSClassSymbol* sourceClass = FindClass(source->className);
    if (!sourceClass) {
        Error(line, "class %s not defined, line %d.", source->className, line);
        return false;
    }
    // The target must be the source's class or one of its bases.
    GSBaseEntry entry{};
    if (!sourceClass->FindBase(targetClass, entry)) {
        Error(line, "cannot cast from object<%s> to object<%s>, line %d.", source->className, targetClass, line);
        return false;
    }
    return true;
}

bool GSSemanticPass::MatchType(int32_t targetType, const char* targetClass, int32_t sourceType,
                               const char* sourceClass, bool& needsConversion) {
    // The plain object type names no class.
    if (targetClass && std::strcmp(targetClass, "object") == 0) targetClass = nullptr;
    if (sourceClass && std::strcmp(sourceClass, "object") == 0) sourceClass = nullptr;
    needsConversion = false;
    if (!GSAssignAllowed(targetType, sourceType)) return false;
    if (targetClass && sourceClass) {
        GSClassSymbol* target = FindClass(targetClass);
        GSClassSymbol* source = FindClass(sourceClass);
        if (!target || !source) return false;
        // Either way round: casts go down the hierarchy as well as up.
        GSBaseEntry entry{};
        if (!source->FindBase(targetClass, entry) && !target->FindBase(sourceClass, entry)) return false;
    }
    needsConversion = targetType != sourceType || !GSSameClassName(targetClass, sourceClass);
    return true;
}

void GSSemanticPass::ReportCastError(int32_t sourceType, const char* sourceClass, int32_t targetType,
                                     const char* targetClass, int32_t line) {
    if (sourceClass && targetClass)
        Error(line, "cannot cast from %s to %s, line %d.", sourceClass, targetClass, line);
    else
        Error(line, "cannot cast from %s to %s, line %d.", GSTypeName(sourceType), GSTypeName(targetType), line);
}

// The semantic pass's call resolution: candidates by name and argument
// count, overload choice by the number of conversions, argument casts, and
// calls of the base implementation through `inherited`.
#include <cstring>
#include <string>

#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/semantic/GSSemanticPass.h"
#include "gscompiler/semantic/GSTreeNavigation.h"

using GSCompiler::GSBaseEntry;
using GSCompiler::GSClassSymbol;
using GSCompiler::GSFunctionSymbol;

namespace {

constexpr uint32_t kSpecifierBits = 0x1FF;

int32_t CountArguments(const GSCNode* arguments) {
    int32_t count = 0;
    for (; arguments; arguments = arguments->next) ++count;
    return count;
}

}  // namespace

bool GSSemanticPass::ResolveCall(GSCNode* node) {
    GSCNode* callee = node->children[0];
    const char* name = GSCNode::CalleeName(node);
    node->typeCode = kGSTypeNone;
    if (!name) {
        // Only names and methods can be called.
        Error(node->line, "Error in expression, line %d.", node->line);
        return false;
    }
    const bool throughMember = callee->Is(kGSExpression, kGSExprOperator) && callee->subKind == kGSOpMember;
    if (throughMember) node->flags |= kGSNodeObjectCall;
    const int32_t argumentCount = CountArguments(node->children[1]);
    if (std::strcmp(name, "inherited") == 0) return ResolveInheritedCall(node, throughMember, argumentCount);

    GSClassSymbol* cls = m_class;
    if (throughMember) {
        // A failed member access has been reported already.
        const GSCNode* object = GSLastOf(callee->children[0]);
        cls = object ? FindClass(object->className) : nullptr;
        if (!cls) return false;
    }
    if (!cls) {
        InternalError("Internal compiler error.");
        return false;
    }
    ResolveBasesOf(cls);

    int32_t count = cls->FindFunctions(name, m_candidates.data(), kMaxCandidates, argumentCount, true);
    count = DropOverridden(count);

    int32_t best = -1;
    int32_t bestConversions = 0;
    int32_t exactMatches = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t conversions = 0;
        if (!MatchArguments(node, m_candidates[i]->name, conversions, false)) continue;
        if (conversions == 0) ++exactMatches;
        if (best < 0 || conversions < bestConversions) {
            best = i;
            bestConversions = conversions;
        }
    }
    if (best < 0) {
        if (throughMember)
            Error(node->line, "function %s not declared in class %s or derivative, line %d.", name, cls->name,
                  node->line);
        else
            Error(node->line, "function %s not declared, line %d.", name, node->line);
        return false;
    }

    bool ok = true;
    if (exactMatches > 1) {
        Error(node->line, "function call %s is ambiguous, line %d.", name, node->line);
        ok = false;
    }
    GSFunctionSymbol* function = m_candidates[best];
    int16_t slot = 0;
    if (m_symbols->SlotOf(function, cls, slot) != 0) return false;
    node->slot = slot;
    node->typeCode = function->typeCode;
    node->className = function->resultClassName;
    node->flags |= function->flags & kSpecifierBits;
    node->value = static_cast<uintptr_t>(function->argumentSlotCount);
    if (throughMember && !(function->flags & kGSPublic) && cls != m_class) {
        Error(node->line, "function %s not public in object %s, line %d.", name, cls->name, node->line);
        ok = false;
    }
    if (bestConversions > 0) {
        int32_t conversions = 0;
        if (!MatchArguments(node, function->name, conversions, true)) return false;
    }
    return ok;
}

bool GSSemanticPass::ResolveInheritedCall(GSCNode* node, bool throughMember, int32_t argumentCount) {
    if (throughMember) {
        Error(node->line, "'inherited' can only be used on current function, line %d.", node->line);
        return false;
    }
    if (!m_function) {
        Error(node->line, "internal compiler error while parsing 'inherited', line %d.", node->line);
        return false;
    }
    if (m_function->flags & (kGSNative | kGSThread)) {
        Error(node->line, "'inherited' can not be used on native or thread function, line %d.", node->line);
        return false;
    }
    int32_t conversions = 0;
    if (argumentCount + 1 != m_function->argumentSlotCount ||
        !MatchArguments(node, m_function->name, conversions, true)) {
        Error(node->line, "Error in expression, line %d.", node->line);
        return false;
    }
    node->typeCode = m_function->typeCode;
    node->className = m_function->resultClassName;
    node->value = static_cast<uintptr_t>(m_function->argumentSlotCount);
    return true;
}

// A function of a base that a class nearer the searched class overrides
// (same lookup name, in a class derived from the base's) is not a candidate
// of its own: the call reaches the override through the class's function
// table either way. Candidates of unrelated bases stay, so a real ambiguity
// is still reported.
int32_t GSSemanticPass::DropOverridden(int32_t count) {
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        GSFunctionSymbol* candidate = m_candidates[i];
        auto* owner = static_cast<GSClassSymbol*>(candidate->owner);
        bool overridden = false;
        for (int32_t j = 0; j < count && !overridden; ++j) {
            GSFunctionSymbol* other = m_candidates[j];
            if (j == i || other->owner == candidate->owner || std::strcmp(other->name, candidate->name) != 0)
                continue;
            auto* otherOwner = static_cast<GSClassSymbol*>(other->owner);
            GSBaseEntry entry{};
            overridden = owner && otherOwner && otherOwner->FindBase(owner->name, entry);
        }
        if (!overridden) m_candidates[kept++] = candidate;
    }
    return kept;
}

bool GSSemanticPass::MatchArguments(GSCNode* call, const char* lookupName, int32_t& conversions, bool insertCasts) {
    conversions = 0;
    int32_t position = -1;
    std::string typeName;
    bool more = GSSignatureFirstArgument(position, typeName, lookupName);
    GSCNode* previous = nullptr;
    GSCNode* argument = call->children[1];
    for (; argument && more; more = GSSignatureNextArgument(lookupName, position, typeName)) {
        std::string className;
        const int32_t type = GSTypeFromName(typeName.c_str(), &className);
        const bool hasClass = (type == kGSTypeObject || type == kGSTypeObjectArray) && className != "object";
        bool needsConversion = false;
        if (!MatchType(type, hasClass ? className.c_str() : nullptr, argument->typeCode, argument->className,
                       needsConversion))
            return false;
        GSCNode* next = argument->next;
        GSCNode* current = argument;
        if (needsConversion) {
            ++conversions;
            if (insertCasts) {
                current = InsertArgumentCast(call, argument, previous, type,
                                             hasClass ? KeepClassName(className.c_str()) : nullptr);
                if (!current) return false;
            }
        }
        previous = current;
        argument = next;
    }
    return !argument && !more;
}

GSCNode* GSSemanticPass::InsertArgumentCast(GSCNode* call, GSCNode* argument, GSCNode* previous, int32_t typeCode,
                                            const char* className) {
    const int32_t line = argument->line;
    GSCNode* cast = m_unit->NewNode(kGSExpression, kGSExprOperator, line, kGSOpCast);
    GSCNode* type = m_unit->NewNode(kGSDeclaration, kGSDeclType, line, typeCode);
    GSCNode* name = className ? m_unit->NewNode(kGSDeclaration, kGSDeclName, line, -1) : nullptr;
    if (!cast || !type || (className && !name)) {
        InternalError("Internal compiler error.");
        return nullptr;
    }
    type->typeCode = typeCode;
    type->className = className;
    if (name) {
        name->SetText(className);
        type->children[0] = name;
        name->backLink = type;
    }
    cast->typeCode = typeCode;
    cast->className = className;
    cast->children[0] = argument;
    cast->children[1] = type;
    type->backLink = cast;

    // The cast takes the argument's place in the list.
    cast->next = argument->next;
    if (cast->next) cast->next->backLink = cast;
    argument->next = nullptr;
    argument->backLink = cast;
    if (previous) {
        previous->next = cast;
        cast->backLink = previous;
    } else {
        call->children[1] = cast;
        cast->backLink = call;
    }
    return cast;
}

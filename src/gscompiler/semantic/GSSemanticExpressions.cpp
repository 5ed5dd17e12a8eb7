// The semantic pass over expressions: constants, me and null, identifiers,
// the table-typed operators with their folding, and the special operators
// (member access, index, range, cast, assignment, size, isclass, copy, new).
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/semantic/GSConstantFolding.h"
#include "gscompiler/semantic/GSOperatorTables.h"
#include "gscompiler/semantic/GSSemanticPass.h"
#include "gscompiler/semantic/GSTreeNavigation.h"

using GSCompiler::GSClassSymbol;
using GSCompiler::GSSymbol;
using GSCompiler::GSVariableSymbol;

namespace {

bool IsIncrementOrDecrement(int32_t op) {
    return op == kGSOpPostDecrement || op == kGSOpPostIncrement || op == kGSOpPreDecrement ||
           op == kGSOpPreIncrement;
}

// Types a define can be folded into a constant of.
bool IsConstantType(int32_t type) {
    return type == kGSTypeBool || type == kGSTypeInt || type == kGSTypeFloat || type == kGSTypeString;
}

int32_t TypeCode(const GSCNode* node) { return node ? node->typeCode : kGSTypeNone; }

void SetType(GSCNode* node, int32_t type, const char* className = nullptr) {
    node->typeCode = type;
    node->className = className;
}

}  // namespace

bool GSSemanticPass::CheckExpression(GSCNode* node) {
    switch (node->kind) {
        case kGSExprOperator: return CheckOperator(node);
        case kGSExprConstant:
            switch (node->subKind) {
                case kGSConstBool: SetType(node, kGSTypeBool); return true;
                case kGSConstInt: SetType(node, kGSTypeInt); return true;
                case kGSConstFloat: SetType(node, kGSTypeFloat); return true;
                case kGSConstString: SetType(node, kGSTypeString); return true;
                default: InternalError("Internal compiler error."); return false;
            }
        case kGSExprIdentifier: return ResolveIdentifier(node);
        case kGSExprCall: return ResolveCall(node);
        case kGSExprMemberName: return true;
        case kGSExprMe:
            if (!m_class) {
                Error(node->line, "me keyword invalid in static, line %d.", node->line);
                return false;
            }
            SetType(node, kGSTypeObject, m_class->name);
            return true;
        case kGSExprNull: SetType(node, kGSTypeNull); return true;
        default: InternalError("Internal compiler error."); return false;
    }
}

bool GSSemanticPass::ResolveIdentifier(GSCNode* node) {
    const char* name = node->Text();
    GSSymbol* symbol = name ? m_symbols->Find(name, m_class, true, false) : nullptr;

    if (symbol && symbol->kind == GSSymbol::kVariable) {
        auto* variable = static_cast<GSVariableSymbol*>(symbol);
        if ((variable->flags & kGSDefine) && IsConstantType(variable->typeCode)) {
            GSMakeConstant(node, variable->typeCode, variable->value);
            return true;
        }
        SetType(node, variable->typeCode, variable->className);
        node->flags |= variable->flags | kGSNodeLValue;
        int16_t slot = 0;
        if (!m_class || m_symbols->SlotOf(variable, m_class, slot) != 0) return false;
        node->slot = slot;
        return true;
    }
    if (symbol && symbol->kind == GSSymbol::kClass) {
        auto* cls = static_cast<GSClassSymbol*>(symbol);
        SetType(node, kGSTypeObject, cls->name);
        node->flags |= kGSNodeStaticClassRef;
        if (!(cls->flags & kGSStatic) && !GSIsChildOf(node, kGSExprOperator, kGSOpMember, 0)) {
            Error(node->line, "class %s is not static, line %d.", name, node->line);
            return false;
        }
        return true;
    }
    // The called name of a call is resolved by the call.
    if (GSIsChildOf(node, kGSExprCall, 0, 0)) return true;
    Error(node->line, "variable %s not declared, line %d.", name ? name : "", node->line);
    return false;
}

bool GSSemanticPass::CheckOperator(GSCNode* node) {
    switch (node->subKind) {
        case kGSOpMember: return CheckMemberAccess(node);
        case kGSOpRange: return CheckRangeIndex(node);
        case kGSOpIndex: return CheckIndex(node);
        case kGSOpCast: return CheckCast(node);
        case kGSOpAssign: return CheckAssignment(node);
        case kGSOpSize: return CheckSize(node);
        case kGSOpIsClass: return CheckIsClass(node);
        case kGSOpCopy: return CheckCopy(node);
        case kGSOpNew: return CheckNew(node);
        default: return CheckTypedOperator(node);
    }
}

bool GSSemanticPass::CheckTypedOperator(GSCNode* node) {
    const int32_t op = node->subKind;
    if (!GSOperatorHasTable(op)) {
        InternalError("Internal compiler error.");
        return false;
    }
    bool ok = true;
    if (GSOperatorIsUnary(op)) {
        const GSCNode* operand = GSLastOf(node->children[0]);
        SetType(node, GSUnaryResultType(op, TypeCode(operand)));
        if (node->typeCode == kGSTypeNone) {
            Error(node->line, "illegal types for unary operand %s, line %d", GSOperatorName(op), node->line);
            ok = false;
        }
        if (IsIncrementOrDecrement(op) && !(operand && (operand->flags & kGSNodeLValue))) {
            Error(node->line, "expression not an l-value for %s operator, line %d", GSOperatorName(op), node->line);
            ok = false;
        }
        if (ok && GSOperatorFolds(op)) GSFoldUnary(node);
        return ok;
    }
    const GSCNode* left = GSLastOf(node->children[0]);
    const GSCNode* right = GSLastOf(node->children[1]);
    SetType(node, GSBinaryResultType(op, TypeCode(left), TypeCode(right)));
    if (node->typeCode == kGSTypeNone) {
        Error(node->line, "illegal types for operand %s, line %d", GSOperatorName(op), node->line);
        return false;
    }
    if (GSOperatorFolds(op)) GSFoldBinary(node);
    return true;
}

bool GSSemanticPass::CheckMemberAccess(GSCNode* node) {
    const GSCNode* object = GSLastOf(node->children[0]);
    GSCNode* memberName = node->children[1];
    SetType(node, kGSTypeNone);
    if (!object || !memberName || !memberName->Text()) {
        InternalError("Internal compiler error.");
        return false;
    }
    switch (object->typeCode) {
        case kGSTypeVoid:
        case kGSTypeBool:
        case kGSTypeInt:
        case kGSTypeFloat:
        case kGSTypeNone:
            Error(node->line, ". operator cannot be used on a non-reference type, line %d.", node->line);
            return false;
        default: break;
    }
    if (!object->className) {
        Error(node->line, "unknown object class for '.' operator, line %d.", node->line);
        return false;
    }
    GSClassSymbol* cls = FindClass(object->className);
    if (!cls) {
        InternalError("Internal compiler error");
        return false;
    }
    ResolveBasesOf(cls);

    const char* name = memberName->Text();
    // Members only: the function's locals that live in the current class's
    // table above its members are not members of an object.
    GSSymbol* member = cls->FindMember(name, false, true);
    if (!member || member->kind != GSSymbol::kVariable) {
        if (GSIsChildOf(node, kGSExprCall, 0, 0)) {
            // A method call: the call resolves it against the object's class.
            node->flags |= kGSNodeObjectCall;
            SetType(node, kGSTypeObject, object->className);
            GSParentOf(node)->flags |= kGSNodeObjectCall;
            return true;
        }
        Error(node->line, "member %s does not exist in object %s, line %d.", name, cls->name, node->line);
        return false;
    }
    auto* variable = static_cast<GSVariableSymbol*>(member);
    bool ok = true;
    if (!(variable->flags & kGSPublic) && cls != m_class) {
        Error(node->line, "member %s not public in object %s, line %d.", name, cls->name, node->line);
        ok = false;
    }
    if ((variable->flags & kGSDefine) && IsConstantType(variable->typeCode)) {
        GSMakeConstant(node, variable->typeCode, variable->value);
        return ok;
    }
    if ((object->flags & kGSNodeStaticClassRef) && !(cls->flags & kGSStatic)) {
        Error(node->line, "%s is not a static class or variable within this class, line %d.", cls->name, node->line);
        return false;
    }
    int16_t slot = 0;
    if (m_symbols->SlotOf(variable, cls, slot) != 0) return false;
    SetType(node, variable->typeCode, variable->className);
    node->slot = slot;
    node->flags |= kGSNodeLValue;
    SetType(memberName, variable->typeCode, variable->className);
    memberName->slot = slot;
    return ok;
}

bool GSSemanticPass::CheckIndex(GSCNode* node) {
    const GSCNode* operand = GSLastOf(node->children[0]);
    const GSCNode* index = GSLastOf(node->children[1]);
    SetType(node, kGSTypeNone);
    bool ok = true;
    if (!operand || !GSIsSequenceType(operand->typeCode)) {
        Error(node->line, "%s not an array type for [] operator, line %d", GSTypeNameOf(operand), node->line);
        ok = false;
    } else {
        const int32_t element =
            operand->typeCode == kGSTypeString ? kGSTypeInt : operand->typeCode - kGSArrayOffset;
        SetType(node, element, operand->className);
        node->flags |= kGSNodeLValue;
    }
    if (TypeCode(index) != kGSTypeInt) {
        Error(node->line, "index not integral for [] operator, line %d", node->line);
        ok = false;
    }
    return ok;
}

bool GSSemanticPass::CheckRangeIndex(GSCNode* node) {
    const GSCNode* operand = GSLastOf(node->children[0]);
    const GSCNode* lower = GSLastOf(node->children[1]);
    const GSCNode* upper = GSLastOf(node->children[2]);
    SetType(node, kGSTypeNone);
    bool ok = true;
    if (!operand || !GSIsSequenceType(operand->typeCode)) {
        Error(node->line, "%s not an array type for [,] operator, line %d", GSTypeNameOf(operand), node->line);
        ok = false;
    } else {
        SetType(node, operand->typeCode, operand->className);
        node->flags |= kGSNodeLValue;
    }
    if (lower && lower->typeCode != kGSTypeInt) {
        Error(node->line, "left index not integral for [,] operator, line %d", node->line);
        ok = false;
    }
    if (upper && upper->typeCode != kGSTypeInt) {
        Error(node->line, "right index not integral for [,] operator, line %d", node->line);
        ok = false;
    }
    return ok;
}

bool GSSemanticPass::CheckCast(GSCNode* node) {
    const GSCNode* value = GSLastOf(node->children[0]);
    const GSCNode* type = node->children[1];
    if (!value || !type) {
        InternalError("Internal compiler error.");
        return false;
    }
    SetType(node, type->typeCode, type->className);
    bool needsConversion = false;
    if (MatchType(type->typeCode, type->className, value->typeCode, value->className, needsConversion)) return true;
    ReportCastError(value->typeCode, value->className, type->typeCode, type->className, node->line);
    return false;
}

bool GSSemanticPass::CheckAssignment(GSCNode* node) {
    const GSCNode* target = GSLastOf(node->children[0]);
    const GSCNode* value = GSLastOf(node->children[1]);
    if (!target || !value) {
        InternalError("Internal compiler error.");
        return false;
    }
    const bool ok = CheckAssignable(target->typeCode, target->className, value, node->line);
    if (!(target->flags & kGSNodeLValue)) {
        SetType(node, kGSTypeNone);
        Error(node->line, "illegal l-value for assignment, line %d.", node->line);
        return false;
    }
    SetType(node, target->typeCode, target->className);
    return ok;
}

bool GSSemanticPass::CheckSize(GSCNode* node) {
    const GSCNode* operand = GSLastOf(node->children[0]);
    SetType(node, kGSTypeInt);
    if (operand && GSIsSequenceType(operand->typeCode)) return true;
    Error(node->line, ".size operator requires an array type, line %d.", node->line);
    return false;
}

bool GSSemanticPass::CheckIsClass(GSCNode* node) {
    const GSCNode* object = GSLastOf(node->children[0]);
    const GSCNode* nameNode = node->children[1];
    SetType(node, kGSTypeBool);
    bool ok = true;
    if (TypeCode(object) != kGSTypeObject) {
        Error(node->line, ".isclass operator requires an object type, line %d.", node->line);
        ok = false;
    }
    const char* name = nameNode ? nameNode->Text() : nullptr;
    if (!FindClass(name)) {
        Error(node->line, "class %s not declared for .isclass operator, line %d.", name ? name : "", node->line);
        ok = false;
    }
    return ok;
}

bool GSSemanticPass::CheckCopy(GSCNode* node) {
    const GSCNode* target = GSLastOf(node->children[0]);
    const GSCNode* source = GSLastOf(node->children[1]);
    SetType(node, kGSTypeVoid);
    bool ok = true;
    if (!target || !GSIsSequenceType(target->typeCode)) {
        Error(node->line, ".copy operator requires an array type, line %d.", node->line);
        ok = false;
    }
    if (!source || !GSIsSequenceType(source->typeCode)) {
        Error(node->line, ".copy expression must be an array type, line %d.", node->line);
        ok = false;
    }
    if (ok && (target->typeCode != source->typeCode || !GSSameClassName(target->className, source->className))) {
        Error(node->line, "left and right types incompatible for .copy operator, line %d.", node->line);
        ok = false;
    }
    return ok;
}

bool GSSemanticPass::CheckNew(GSCNode* node) {
    const GSCNode* type = node->children[0];
    if (!type) {
        InternalError("Internal compiler error.");
        return false;
    }
    const int32_t code = type->subKind;
    const GSCNode* nameNode = type->children[0];
    const char* name = nameNode ? nameNode->Text() : nullptr;
    SetType(node, code, type->className);
    bool ok = true;
    if ((code == kGSTypeObject || code == kGSTypeObjectArray) && !name) {
        Error(node->line, "cannot new unnamed object, line %d.", node->line);
        ok = false;
    }
    if (GSIsArrayType(code) && TypeCode(GSLastOf(node->children[1])) != kGSTypeInt) {
        Error(node->line, "non-integral expression for new[], line %d.", node->line);
        ok = false;
    }
    if (node->children[2]) {
        Error(node->line, "constructors not yet supported, line %d.", node->line);
        ok = false;
    }
    if (code == kGSTypeObject) {
        if (!name) return false;
        GSClassSymbol* cls = FindClass(name);
        if (!cls) {
            Error(node->line, "cannot find class %s in this translation unit, line %d.", name, node->line);
            return false;
        }
        node->className = cls->name;
        if (cls->flags & (kGSStatic | kGSGame)) {
            Error(node->line, "cannot new static or game class, line %d.", node->line);
            return false;
        }
        return ok;
    }
    const bool creatable = code == kGSTypeString || (code >= kGSTypeBoolArray && code <= kGSTypeObjectArray);
    if (!creatable) {
        Error(node->line, "cannot new type %s, line %d.", GSTypeName(code), node->line);
        return false;
    }
    return ok;
}

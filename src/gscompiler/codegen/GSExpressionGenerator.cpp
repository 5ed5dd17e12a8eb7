// Expression lowering of GSCodeGenerator: loads and stores of locals, own
// members, members of other objects, string and array elements and ranges;
// arithmetic, comparisons and logic; conversions and casts; object
// creation and calls.
#include <cstring>

#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSSymbol.h"
#include "gscompiler/bytecode/GSBytecode.h"
#include "gscompiler/codegen/GSCFunction.h"
#include "gscompiler/codegen/GSCodeEmitter.h"
#include "gscompiler/codegen/GSCodeGenerator.h"
#include "gscompiler/codegen/GSCodeTypes.h"

using namespace GSCodeTypes;

namespace {

bool IsLocal(const GSCNode* node) { return (node->flags & GSCompiler::GSSymbol::kLocal) != 0; }

// The slot of the member a '.' operator reads or writes.
uint16_t MemberSlot(const GSCNode* dot) {
    const GSCNode* member = dot->children[1];
    return static_cast<uint16_t>(member && member->slot ? member->slot : dot->slot);
}

int32_t PushesOf(int32_t resultType) { return resultType == kGSTypeVoid || resultType == kGSTypeNone ? 0 : 1; }

}  // namespace

bool GSCodeGenerator::GenerateExpression(GSCNode* node, GSCodeEmitter* e) {
    switch (node->kind) {
        case kGSExprConstant:
            return GenerateConstant(node, e);
        case kGSExprIdentifier:
            return GenerateIdentifier(node, e);
        case kGSExprCall:
            return GenerateCall(node, e);
        case kGSExprNull:
            return GenerateNull(node, e);
        case kGSExprMe:
            e->EmitUInt16(OP_LoadLocalRef, 0);
            return true;
        case kGSExprOperator:
            return GenerateOperator(node, e);
        default:
            return true;  // member names: no code of their own
    }
}

bool GSCodeGenerator::GenerateOperator(GSCNode* node, GSCodeEmitter* e) {
    switch (node->subKind) {
        case kGSOpPostDecrement:
        case kGSOpPostIncrement:
            return GeneratePostIncDec(node, e);
        case kGSOpMember:
            return GenerateMemberRead(node, e);
        case kGSOpUnaryPlus:
            return node->children[0] && Generate(node->children[0], e);
        case kGSOpNegate:
            return GenerateNegate(node, e);
        case kGSOpNot:
            return GenerateNot(node, e);
        case kGSOpComplement:
            return GenerateComplement(node, e);
        case kGSOpPreDecrement:
        case kGSOpPreIncrement:
            return GeneratePreIncDec(node, e);
        case kGSOpRange:
            return GenerateRangeRead(node, e);
        case kGSOpIndex:
            return GenerateIndexRead(node, e);
        case kGSOpCast: {
            const GSCNode* type = node->children[1];
            return GenerateConversion(TypeCodeOf(type), ClassNameOf(type), node->children[0], e);
        }
        case kGSOpMultiply:
        case kGSOpDivide:
        case kGSOpModulo:
        case kGSOpSubtract:
            return GenerateArithmetic(node, e);
        case kGSOpAdd:
            return GenerateAdd(node, e);
        case kGSOpShiftLeft:
            return GenerateShiftLeft(node, e);
        case kGSOpShiftRight:
            return GenerateShiftRight(node, e);
        case kGSOpLess:
        case kGSOpGreater:
        case kGSOpLessEqual:
        case kGSOpGreaterEqual:
        case kGSOpEqual:
        case kGSOpNotEqual:
            return GenerateComparison(node, e);
        case kGSOpBitAnd:
        case kGSOpBitXor:
        case kGSOpBitOr:
            return GenerateBitwise(node, e);
        case kGSOpAnd:
            return GenerateAnd(node, e);
        case kGSOpOr:
            return GenerateOr(node, e);
        case kGSOpAssign:
            return GenerateAssignment(node, e);
        case kGSOpSize:
            return GenerateSize(node, e);
        case kGSOpIsClass:
            return GenerateIsClass(node, e);
        case kGSOpCopy:
            return GenerateCopy(node, e);
        case kGSOpNew:
            return GenerateNew(node, e);
        default:
            return false;
    }
}

bool GSCodeGenerator::GenerateConstant(GSCNode* node, GSCodeEmitter* e) {
    switch (node->subKind) {
        case kGSConstBool:
        case kGSConstInt:
            // A folded `and` or `or` can leave a bool of another value than
            // 0 or 1, as the instructions do at run time; it is pushed as
            // it is.
            if (node->Int() == 0)
                e->Emit(OP_PushZero);
            else if (node->Int() == 1)
                e->Emit(OP_PushOne);
            else
                e->EmitInt32(OP_PushConst, node->Int());
            return true;
        case kGSConstFloat:
            e->EmitPushFloat(node->Float());
            return true;
        case kGSConstString: {
            uint16_t index = 0;
            if (!StringOperand(node->Text(), index)) return false;
            e->EmitUInt16(OP_PushString, index);
            return true;
        }
        default:
            return false;
    }
}

bool GSCodeGenerator::GenerateIdentifier(GSCNode* node, GSCodeEmitter* e) {
    const bool reference = IsReferenceType(node->typeCode);
    const uint16_t slot = static_cast<uint16_t>(node->slot);
    if (IsLocal(node)) {
        e->EmitUInt16(reference ? OP_LoadLocalRef : OP_LoadLocal, slot);
        return true;
    }
    if (node->flags & kGSNodeStaticClassRef) {
        uint16_t index = 0;
        if (!ClassOperand(node->className ? node->className : node->Text(), index)) return false;
        e->EmitUInt16(OP_PushStatic, index);
        return true;
    }
    e->EmitUInt16(reference ? OP_LoadMyMemberRef : OP_LoadMyMember, slot);
    return true;
}

bool GSCodeGenerator::GenerateNull(GSCNode*, GSCodeEmitter* e) {
    e->Emit(OP_PushZero);
    return true;
}

bool GSCodeGenerator::GenerateCall(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* callee = node->children[0];
    if (!callee) return false;
    const int32_t before = e->depth;
    if (IsOperator(callee, kGSOpMember)) {
        // The '.' callee pushes only its object; the call uses it.
        if (!callee->children[0] || !Generate(callee->children[0], e)) return false;
    } else {
        e->EmitUInt16(OP_LoadLocalRef, 0);
    }
    if (node->children[1] && !Generate(node->children[1], e)) return false;
    // The target and the arguments the call consumes.
    const int32_t consumed = e->depth - before;
    if (consumed < 1 || consumed > 0x8000) return false;
    // The semantic pass records how many entries the callee takes; code
    // that pushed another number would not match the callee's frame.
    if (node->value != 0 && node->value != static_cast<uintptr_t>(consumed)) return false;
    const uint16_t depth = static_cast<uint16_t>(static_cast<int16_t>(1 - consumed));

    const uint32_t offset = e->Position();
    const char* name = GSCNode::CalleeName(node);
    if (name && std::strcmp(name, "inherited") == 0) {
        e->EmitUInt16(OP_CallBase, depth);
    } else {
        uint8_t opcode = OP_Call;
        if (node->flags & kGSNative)
            opcode = OP_CallNative;
        else if (node->flags & kGSThread)
            opcode = OP_CallThread;
        e->EmitUInt16Pair(opcode, depth, static_cast<uint16_t>(node->slot));
    }
    const int32_t results = PushesOf(node->typeCode);
    e->AdjustDepth(results - consumed);
    e->callSites.push_back({offset, results});
    return true;
}

bool GSCodeGenerator::GenerateMemberRead(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !Generate(node->children[0], e)) return false;
    e->EmitUInt16(IsReferenceType(node->typeCode) ? OP_LoadMemberRef : OP_LoadMember, MemberSlot(node));
    return true;
}

bool GSCodeGenerator::GenerateIndexRead(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* container = node->children[0];
    if (!container || !node->children[1] || !Generate(container, e) || !Generate(node->children[1], e)) return false;
    if (ChainType(container) == kGSTypeString)
        e->Emit(OP_StringGet);
    else
        e->Emit(IsReferenceType(node->typeCode) ? OP_ArrayGetRef : OP_ArrayGet);
    return true;
}

bool GSCodeGenerator::GenerateRangeRead(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* container = node->children[0];
    if (!container || !GenerateLValuePrefix(node, e)) return false;
    e->Emit(ChainType(container) == kGSTypeString ? OP_StringSlice : OP_RefArraySlice);
    return true;
}

bool GSCodeGenerator::GenerateNegate(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !Generate(node->children[0], e)) return false;
    if (node->typeCode == kGSTypeInt) {
        e->Emit(OP_NegInt);
    } else if (node->typeCode == kGSTypeFloat) {
        e->Emit(OP_NegFloat);
    } else {
        m_unit->mainUnit.Log("Compiler error GEOUM");
        return false;
    }
    return true;
}

bool GSCodeGenerator::GenerateNot(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* operand = node->children[0];
    if (!operand || !Generate(operand, e)) return false;
    const int32_t type = ChainType(operand);
    if (type == kGSTypeBool || type == kGSTypeInt)
        e->Emit(OP_NotInt);
    else if (type == kGSTypeFloat)
        e->Emit(OP_NotFloat);
    else if (IsReferenceType(type))
        e->Emit(OP_IsNull);
    else
        return false;
    return true;
}

bool GSCodeGenerator::GenerateComplement(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !Generate(node->children[0], e)) return false;
    e->Emit(OP_ComplementInt);
    return true;
}

bool GSCodeGenerator::GeneratePostIncDec(GSCNode* node, GSCodeEmitter* e) { return GenerateIncDec(node, e, false); }

bool GSCodeGenerator::GeneratePreIncDec(GSCNode* node, GSCodeEmitter* e) { return GenerateIncDec(node, e, true); }

bool GSCodeGenerator::GenerateIncDec(GSCNode* node, GSCodeEmitter* e, bool prefix) {
    const bool increment = node->subKind == kGSOpPostIncrement || node->subKind == kGSOpPreIncrement;
    uint8_t step;
    if (node->typeCode == kGSTypeInt)
        step = increment ? OP_IncInt : OP_DecInt;
    else if (node->typeCode == kGSTypeFloat)
        step = increment ? OP_IncFloat : OP_DecFloat;
    else
        return false;
    GSCNode* target = node->children[0];
    if (!target) return false;

    if (target->Is(kGSExpression, kGSExprIdentifier) && !(target->flags & kGSNodeStaticClassRef)) {
        const bool local = IsLocal(target);
        const uint16_t slot = static_cast<uint16_t>(target->slot);
        e->EmitUInt16(local ? OP_LoadLocal : OP_LoadMyMember, slot);
        if (prefix) {
            e->Emit(step);
            if (GSCNode::TakeDiscard(node))
                e->EmitUInt16(local ? OP_StoreLocal : OP_StoreMyMember, slot);
            else
                e->EmitUInt16(local ? OP_StoreLocalKeep : OP_StoreMyMemberKeep, slot);
        } else {
            // The old value stays below as the result.
            e->Emit(OP_Dup);
            e->Emit(step);
            e->EmitUInt16(local ? OP_StoreLocal : OP_StoreMyMember, slot);
        }
        return true;
    }

    uint8_t get, set, setKeep;
    uint16_t slot = 0;
    bool hasSlot = false;
    if (IsOperator(target, kGSOpMember)) {
        if (!target->children[0] || !Generate(target->children[0], e)) return false;
        e->Emit(OP_DupRef);
        get = OP_LoadMember;
        set = OP_StoreMember;
        setKeep = OP_StoreMemberKeep;
        slot = MemberSlot(target);
        hasSlot = true;
    } else if (IsOperator(target, kGSOpIndex)) {
        if (!GenerateLValuePrefix(target, e)) return false;
        e->Emit(OP_DupPairRef);
        const bool string = ChainType(target->children[0]) == kGSTypeString;
        get = string ? OP_StringGet : OP_ArrayGet;
        set = string ? OP_StringSet : OP_ArraySet;
        setKeep = string ? OP_StringSetKeep : OP_ArraySetKeep;
    } else {
        return false;
    }
    auto emit = [&](uint8_t opcode) {
        if (hasSlot)
            e->EmitUInt16(opcode, slot);
        else
            e->Emit(opcode);
    };
    emit(get);
    if (prefix) {
        e->Emit(step);
        emit(GSCNode::TakeDiscard(node) ? set : setKeep);
        return true;
    }
    // Postfix: the old value is kept in a temporary while the new one is
    // stored, and reloaded as the result.
    const bool unused = GSCNode::TakeDiscard(node);
    int32_t temporary = -1;
    if (!unused) {
        temporary = AllocTemporary();
        if (temporary < 0) {
            ReportNoTemporary(node);
            return false;
        }
        e->EmitUInt16(OP_StoreLocalKeep, static_cast<uint16_t>(temporary));
    }
    e->Emit(step);
    emit(set);
    if (!unused) {
        e->EmitUInt16(OP_LoadLocal, static_cast<uint16_t>(temporary));
        FreeTemporary(temporary);
    }
    return true;
}

bool GSCodeGenerator::GenerateNumericOperands(GSCNode* node, GSCodeEmitter* e) {
    const bool floatResult = node->typeCode == kGSTypeFloat;
    for (int i = 0; i < 2; ++i) {
        GSCNode* operand = node->children[i];
        if (!operand || !Generate(operand, e)) return false;
        if (floatResult && ChainType(operand) == kGSTypeInt) e->Emit(OP_IntToFloat);
    }
    return true;
}

bool GSCodeGenerator::GenerateArithmetic(GSCNode* node, GSCodeEmitter* e) {
    if (!GenerateNumericOperands(node, e)) return false;
    const bool isFloat = node->typeCode == kGSTypeFloat;
    switch (node->subKind) {
        case kGSOpMultiply: e->Emit(isFloat ? OP_MulFloat : OP_MulInt); break;
        case kGSOpDivide: e->Emit(isFloat ? OP_DivFloat : OP_DivInt); break;
        case kGSOpModulo: e->Emit(isFloat ? OP_ModFloat : OP_ModInt); break;
        case kGSOpSubtract: e->Emit(isFloat ? OP_SubFloat : OP_SubInt); break;
        default: return false;
    }
    return true;
}

bool GSCodeGenerator::GenerateAdd(GSCNode* node, GSCodeEmitter* e) {
    const int32_t result = node->typeCode;
    for (int i = 0; i < 2; ++i) {
        GSCNode* operand = node->children[i];
        if (!operand || !Generate(operand, e)) return false;
        const int32_t type = ChainType(operand);
        if (result == kGSTypeString && type != kGSTypeString) {
            if (!EmitToString(type, e)) return false;
        } else if (result == kGSTypeFloat && type == kGSTypeInt) {
            e->Emit(OP_IntToFloat);
        }
    }
    if (result == kGSTypeString)
        e->Emit(OP_ConcatString);
    else if (result == kGSTypeFloat)
        e->Emit(OP_AddFloat);
    else
        e->Emit(OP_AddInt);
    return true;
}

bool GSCodeGenerator::EmitToString(int32_t sourceType, GSCodeEmitter* e) {
    switch (sourceType) {
        case kGSTypeBool: e->Emit(OP_BoolToString); return true;
        case kGSTypeInt: e->Emit(OP_IntToString); return true;
        case kGSTypeFloat: e->Emit(OP_FloatToString); return true;
        case kGSTypeString:
        case kGSTypeNull: return true;
        default:
            m_unit->mainUnit.Log("Compiler error GECTS");
            return false;
    }
}

bool GSCodeGenerator::GenerateShiftLeft(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !node->children[1] || !Generate(node->children[0], e) || !Generate(node->children[1], e))
        return false;
    e->Emit(OP_ShiftLeft);
    return true;
}

bool GSCodeGenerator::GenerateShiftRight(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !node->children[1] || !Generate(node->children[0], e) || !Generate(node->children[1], e))
        return false;
    e->Emit(OP_ShiftRight);
    return true;
}

bool GSCodeGenerator::GenerateBitwise(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !node->children[1] || !Generate(node->children[0], e) || !Generate(node->children[1], e))
        return false;
    switch (node->subKind) {
        case kGSOpBitAnd: e->Emit(OP_AndInt); break;
        case kGSOpBitXor: e->Emit(OP_XorInt); break;
        case kGSOpBitOr: e->Emit(OP_OrInt); break;
        default: return false;
    }
    return true;
}

bool GSCodeGenerator::GenerateCompare(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* left = node->children[0];
    GSCNode* right = node->children[1];
    if (!left || !right) return false;
    const int32_t leftType = ChainType(left);
    const int32_t rightType = ChainType(right);
    if (leftType == kGSTypeString || rightType == kGSTypeString) {
        if (!Generate(left, e)) return false;
        if (leftType != kGSTypeString && !EmitToString(leftType, e)) return false;
        if (!Generate(right, e)) return false;
        if (rightType != kGSTypeString && !EmitToString(rightType, e)) return false;
        e->Emit(OP_CompareString);
    } else if (leftType == kGSTypeFloat || rightType == kGSTypeFloat) {
        if (!Generate(left, e)) return false;
        if (leftType != kGSTypeFloat) e->Emit(OP_IntToFloat);
        if (!Generate(right, e)) return false;
        if (rightType != kGSTypeFloat) e->Emit(OP_IntToFloat);
        e->Emit(OP_CompareFloat);
    } else if (leftType == kGSTypeObject || IsArrayType(leftType) || leftType == kGSTypeNull) {
        if (!Generate(left, e) || !Generate(right, e)) return false;
        e->Emit(OP_RefNotEqual);
    } else {
        if (!Generate(left, e) || !Generate(right, e)) return false;
        e->Emit(OP_CompareInt);
    }
    return true;
}

bool GSCodeGenerator::GenerateComparison(GSCNode* node, GSCodeEmitter* e) {
    if (!GenerateCompare(node, e)) return false;
    switch (node->subKind) {
        case kGSOpLess: e->Emit(OP_IsLess); break;
        case kGSOpGreater: e->Emit(OP_IsGreater); break;
        case kGSOpLessEqual: e->Emit(OP_IsLessEqual); break;
        case kGSOpGreaterEqual: e->Emit(OP_IsGreaterEqual); break;
        case kGSOpEqual: e->Emit(OP_NotInt); break;
        case kGSOpNotEqual: e->Emit(OP_NotZero); break;
        default: return false;
    }
    return true;
}

bool GSCodeGenerator::GenerateLogic(GSCNode* node, GSCodeEmitter* e, uint8_t jump) {
    GSCNode* left = node->children[0];
    GSCNode* right = node->children[1];
    if (!left || !right) return false;
    if (!Generate(left, e)) return false;
    if (IsReferenceType(ChainType(left))) e->Emit(OP_IsNotNull);
    const uint32_t decide = e->Reserve(GSCodeEmitter::kJumpLength);
    e->Emit(OP_Pop);
    if (!Generate(right, e)) return false;
    if (IsReferenceType(ChainType(right))) e->Emit(OP_IsNotNull);
    e->FillJump(decide, jump, e->Position());
    return true;
}

bool GSCodeGenerator::GenerateAnd(GSCNode* node, GSCodeEmitter* e) { return GenerateLogic(node, e, OP_JumpIfZeroKeep); }

bool GSCodeGenerator::GenerateOr(GSCNode* node, GSCodeEmitter* e) { return GenerateLogic(node, e, OP_JumpIfNotZeroKeep); }

bool GSCodeGenerator::GenerateConversion(int32_t targetType, const char* targetClass, GSCNode* expression,
                                         GSCodeEmitter* e) {
    if (!expression || !Generate(expression, e)) return false;
    const GSCNode* value = LastOf(expression);
    const int32_t type = value->typeCode;
    targetClass = ClassNameOrNull(targetClass);
    if (GSSameType(targetType, targetClass, type, ClassNameOrNull(value->className))) return true;
    if (targetType == kGSTypeString) return EmitToString(type, e);
    if ((type == kGSTypeBool || type == kGSTypeInt) && targetType == kGSTypeFloat) {
        e->Emit(OP_IntToFloat);
    } else if (type == kGSTypeFloat && (targetType == kGSTypeInt || targetType == kGSTypeBool)) {
        e->Emit(OP_FloatToInt);
    } else if (type == kGSTypeObject && targetClass) {
        uint16_t index = 0;
        if (!ClassOperand(targetClass, index)) return false;
        e->EmitUInt16(OP_Cast, index);
    }
    return true;
}

bool GSCodeGenerator::GenerateLValuePrefix(GSCNode* lvalue, GSCodeEmitter* e) {
    if (lvalue->Is(kGSExpression, kGSExprIdentifier)) return true;
    if (IsOperator(lvalue, kGSOpMember)) return lvalue->children[0] && Generate(lvalue->children[0], e);
    if (IsOperator(lvalue, kGSOpIndex))
        return lvalue->children[0] && lvalue->children[1] && Generate(lvalue->children[0], e) &&
               Generate(lvalue->children[1], e);
    if (IsOperator(lvalue, kGSOpRange)) {
        if (!lvalue->children[0] || !Generate(lvalue->children[0], e)) return false;
        // The end, then the start; an absent bound is -1.
        for (int i : {2, 1}) {
            if (lvalue->children[i]) {
                if (!Generate(lvalue->children[i], e)) return false;
            } else {
                e->EmitInt32(OP_PushConst, -1);
            }
        }
        return true;
    }
    return false;
}

bool GSCodeGenerator::GenerateStore(GSCNode* lvalue, bool keep, GSCodeEmitter* e) {
    const bool reference = IsReferenceType(lvalue->typeCode);
    if (lvalue->Is(kGSExpression, kGSExprIdentifier)) {
        if (lvalue->flags & kGSNodeStaticClassRef) return false;
        const uint16_t slot = static_cast<uint16_t>(lvalue->slot);
        uint8_t opcode;
        if (IsLocal(lvalue))
            opcode = reference ? (keep ? OP_StoreLocalRefKeep : OP_StoreLocalRef) : (keep ? OP_StoreLocalKeep : OP_StoreLocal);
        else
            opcode = reference ? (keep ? OP_StoreMyMemberRefKeep : OP_StoreMyMemberRef)
                               : (keep ? OP_StoreMyMemberKeep : OP_StoreMyMember);
        e->EmitUInt16(opcode, slot);
        return true;
    }
    if (IsOperator(lvalue, kGSOpMember)) {
        const uint8_t opcode = reference ? (keep ? OP_StoreMemberRefKeep : OP_StoreMemberRef)
                                         : (keep ? OP_StoreMemberKeep : OP_StoreMember);
        e->EmitUInt16(opcode, MemberSlot(lvalue));
        return true;
    }
    const bool string = lvalue->children[0] && ChainType(lvalue->children[0]) == kGSTypeString;
    if (IsOperator(lvalue, kGSOpIndex)) {
        if (string)
            e->Emit(keep ? OP_StringSetKeep : OP_StringSet);
        else if (reference)
            e->Emit(keep ? OP_ArraySetRefKeep : OP_ArraySetRef);
        else
            e->Emit(keep ? OP_ArraySetKeep : OP_ArraySet);
        return true;
    }
    if (IsOperator(lvalue, kGSOpRange)) {
        if (string)
            e->Emit(keep ? OP_StringSetRangeKeep : OP_StringSetRange);
        else
            e->Emit(keep ? OP_RefArraySetRangeKeep : OP_RefArraySetRange);
        return true;
    }
    return false;
}

void GSCodeGenerator::EmitStringCopyFor(int32_t targetType, GSCNode* value, GSCodeEmitter* e) {
    // A string taken from a variable, a call or a cast is copied, so that
    // two string variables never share one string object.
    const GSCNode* last = LastOf(value);
    if (targetType == kGSTypeString && last->typeCode == kGSTypeString &&
        ((last->flags & kGSNodeLValue) || last->Is(kGSExpression, kGSExprCall) || IsOperator(last, kGSOpCast)))
        e->Emit(OP_StringCopy);
}

bool GSCodeGenerator::GenerateAssignment(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* target = node->children[0];
    GSCNode* value = node->children[1];
    if (!target || !value || !GenerateLValuePrefix(target, e)) return false;
    if (!GenerateConversion(target->typeCode, target->className, value, e)) return false;
    EmitStringCopyFor(target->typeCode, value, e);
    return GenerateStore(target, !GSCNode::TakeDiscard(node), e);
}

bool GSCodeGenerator::GenerateSize(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* operand = node->children[0];
    if (!operand || !Generate(operand, e)) return false;
    e->Emit(ChainType(operand) == kGSTypeString ? OP_StringSize : OP_ArraySize);
    return true;
}

bool GSCodeGenerator::GenerateIsClass(GSCNode* node, GSCodeEmitter* e) {
    if (!node->children[0] || !node->children[1] || !Generate(node->children[0], e)) return false;
    uint16_t index = 0;
    if (!ClassOperand(node->children[1]->Text(), index)) return false;
    e->EmitUInt16(OP_IsClass, index);
    return true;
}

bool GSCodeGenerator::GenerateCopy(GSCNode* node, GSCodeEmitter* e) {
    GSCNode* target = node->children[0];
    GSCNode* source = node->children[1];
    if (!target || !source || !GenerateLValuePrefix(target, e) || !Generate(source, e)) return false;
    e->Emit(ChainType(source) == kGSTypeString ? OP_StringCopy : OP_ArrayCopy);
    return GenerateStore(target, false, e);
}

bool GSCodeGenerator::GenerateNew(GSCNode* node, GSCodeEmitter* e) {
    const GSCNode* type = node->children[0];
    const int32_t code = TypeCodeOf(type);
    if (code >= kGSTypeBoolArray && code <= kGSTypeObjectArray) {
        if (!node->children[1] || !Generate(node->children[1], e)) return false;
        e->Emit(code == kGSTypeStringArray || code == kGSTypeObjectArray ? OP_NewRefArray : OP_NewArray);
        return true;
    }
    if (code == kGSTypeObject) {
        uint16_t index = 0;
        if (!ClassOperand(ClassNameOf(type), index)) return false;
        e->EmitUInt16(OP_NewObject, index);
        return true;
    }
    if (code == kGSTypeString) {
        e->Emit(OP_NewString);
        return true;
    }
    return false;
}

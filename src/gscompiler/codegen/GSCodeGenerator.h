#pragma once
// GSCodeGenerator: lowers the checked and annotated parse tree of a unit's
// main source file to bytecode: one GSCompiler::GSCClass per class, with
// the code that stores its members' initial values, and one
// GSCompiler::GSCFunction per defined or native function. The library
// writer stores the records.
//
// The generator reads what the semantic pass left on the tree: result types
// and class names, frame and member slots, the local-variable, l-value,
// static-class, native-call and thread-call flags, the unused-result flag,
// and the statements that break, continue, case, default and on are bound
// to. It runs only on a tree without errors.
//
// Statements and declarations are in GSCodeGenerator.cpp, expressions in
// GSExpressionGenerator.cpp.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "gscompiler/codegen/GSLabelTable.h"

class GSCodeEmitter;
class GSCompileContext;
struct GSCNode;

namespace GSCompiler {
class GSCClass;
class GSCClassList;
class GSCFunction;
class GSClassSymbol;
}  // namespace GSCompiler

class GSCodeGenerator {
public:
    static constexpr int32_t kTemporaryCount = 8;

    GSCodeGenerator() = default;
    GSCodeGenerator(const GSCodeGenerator&) = delete;
    GSCodeGenerator& operator=(const GSCodeGenerator&) = delete;

    // Generates one checked class declaration of the main unit of `unit`
    // into `classes` (one record per class; called in declaration order).
    // False when generation fails (the reason is logged or reported).
    bool GenerateClassDeclaration(GSCompileContext& unit, GSCompiler::GSCClassList& classes, GSCNode* declaration);

    // Generates a node and its following siblings into `emitter` (null at the
    // top level). After an expression whose result is unused and not dealt
    // with, the result is popped.
    bool Generate(GSCNode* list, GSCodeEmitter* emitter);

    // The frame slot of the lowest free temporary, or -1 when all eight are
    // taken. In a function temporary i is slot (argument slots + locals +
    // i); in class-initialisation code it is slot 1 + i (slot 0 is `me`).
    int32_t AllocTemporary();
    void FreeTemporary(int32_t slot);

private:
    // Labels a break or continue of a statement jumps to (-1: none).
    struct JumpLabels {
        int32_t continueLabel = -1;
        int32_t breakLabel = -1;
    };
    struct CaseEntry {
        uint32_t position;
        int32_t value;
        const GSCNode* node;
    };
    struct SwitchState {
        std::vector<CaseEntry> cases;  // ascending by value
        bool hasDefault = false;
        uint32_t defaultPosition = 0;
    };
    struct Handler {
        uint32_t position;
        const GSCNode* node;
    };
    struct WaitState {
        std::vector<Handler> handlers;  // in body order
    };

    // Declarations.
    bool GenerateDeclaration(GSCNode* node, GSCodeEmitter* emitter);
    bool GenerateClass(GSCNode* node);
    bool GenerateFunction(GSCNode* node);
    bool GenerateVariables(GSCNode* node, GSCodeEmitter* emitter);
    bool GenerateDeclarator(GSCNode* declarator, const GSCNode* type, GSCodeEmitter* emitter);

    // Statements.
    bool GenerateStatement(GSCNode* node, GSCodeEmitter* emitter);
    bool GenerateReturn(GSCNode* node, GSCodeEmitter* e);
    bool GenerateJump(GSCNode* node, GSCodeEmitter* e, bool isBreak);
    bool GenerateGoto(GSCNode* node, GSCodeEmitter* e);
    bool GenerateCondition(GSCNode* condition, GSCodeEmitter* e);
    bool GenerateIf(GSCNode* node, GSCodeEmitter* e);
    bool GenerateWhile(GSCNode* node, GSCodeEmitter* e);
    bool GenerateFor(GSCNode* node, GSCodeEmitter* e);
    bool GenerateSwitch(GSCNode* node, GSCodeEmitter* e);
    bool GenerateCase(GSCNode* node, GSCodeEmitter* e);
    bool GenerateWait(GSCNode* node, GSCodeEmitter* e);
    bool GenerateOn(GSCNode* node, GSCodeEmitter* e);
    // Emits a jump with a zero target and a fix-up to `label`.
    void EmitJumpTo(GSCodeEmitter* e, int32_t label, const char* message, int32_t line);

    // Expressions (GSExpressionGenerator.cpp).
    bool GenerateExpression(GSCNode* node, GSCodeEmitter* e);
    bool GenerateOperator(GSCNode* node, GSCodeEmitter* e);
    bool GenerateConstant(GSCNode* node, GSCodeEmitter* e);
    bool GenerateIdentifier(GSCNode* node, GSCodeEmitter* e);
    bool GenerateCall(GSCNode* node, GSCodeEmitter* e);
    bool GenerateNull(GSCNode* node, GSCodeEmitter* e);
    bool GenerateMemberRead(GSCNode* node, GSCodeEmitter* e);
    bool GenerateIndexRead(GSCNode* node, GSCodeEmitter* e);
    bool GenerateRangeRead(GSCNode* node, GSCodeEmitter* e);
    bool GenerateNegate(GSCNode* node, GSCodeEmitter* e);
    bool GenerateNot(GSCNode* node, GSCodeEmitter* e);
    bool GenerateComplement(GSCNode* node, GSCodeEmitter* e);
    bool GeneratePostIncDec(GSCNode* node, GSCodeEmitter* e);
    bool GeneratePreIncDec(GSCNode* node, GSCodeEmitter* e);
    bool GenerateIncDec(GSCNode* node, GSCodeEmitter* e, bool prefix);
    bool GenerateArithmetic(GSCNode* node, GSCodeEmitter* e);
    bool GenerateAdd(GSCNode* node, GSCodeEmitter* e);
    bool GenerateShiftLeft(GSCNode* node, GSCodeEmitter* e);
    bool GenerateShiftRight(GSCNode* node, GSCodeEmitter* e);
    bool GenerateComparison(GSCNode* node, GSCodeEmitter* e);
    bool GenerateCompare(GSCNode* node, GSCodeEmitter* e);
    bool GenerateBitwise(GSCNode* node, GSCodeEmitter* e);
    bool GenerateAnd(GSCNode* node, GSCodeEmitter* e);
    bool GenerateOr(GSCNode* node, GSCodeEmitter* e);
    bool GenerateLogic(GSCNode* node, GSCodeEmitter* e, uint8_t jump);
    bool GenerateAssignment(GSCNode* node, GSCodeEmitter* e);
    bool GenerateSize(GSCNode* node, GSCodeEmitter* e);
    bool GenerateIsClass(GSCNode* node, GSCodeEmitter* e);
    bool GenerateCopy(GSCNode* node, GSCodeEmitter* e);
    bool GenerateNew(GSCNode* node, GSCodeEmitter* e);
    // The expression converted to a type (code and class name).
    bool GenerateConversion(int32_t targetType, const char* targetClass, GSCNode* expression, GSCodeEmitter* e);
    // The operands of an arithmetic operator, each made float when the
    // result is float.
    bool GenerateNumericOperands(GSCNode* node, GSCodeEmitter* e);
    bool EmitToString(int32_t sourceType, GSCodeEmitter* e);
    // What a store into an l-value needs below the value.
    bool GenerateLValuePrefix(GSCNode* lvalue, GSCodeEmitter* e);
    // OP_StringCopy after a string value stored into a string variable
    // when the value comes from a variable, a call or a cast, so that two
    // string variables never share one string object.
    void EmitStringCopyFor(int32_t targetType, GSCNode* value, GSCodeEmitter* e);
    // The store into an l-value; `keep` leaves the value as the result.
    bool GenerateStore(GSCNode* lvalue, bool keep, GSCodeEmitter* e);

    // The class index of a named class (numbering it on first use) as a
    // uint16 operand; false when the name is no class.
    bool ClassOperand(const char* className, uint16_t& operand);
    // The string-table index of a text as a uint16 operand.
    bool StringOperand(const char* text, uint16_t& operand);
    // Reports a failure to find a free temporary.
    void ReportNoTemporary(const GSCNode* node);
    // False, with an error reported, when a slot of the function's frame
    // (arguments, locals, temporaries and the frame header) or of the
    // class's members and functions has no 16-bit slot number.
    bool FrameFits(const GSCompiler::GSCFunction* function, const char* name, const GSCNode* node);
    bool ClassFits(const GSCompiler::GSClassSymbol* cls, const GSCNode* node);

    GSCompileContext* m_unit = nullptr;
    GSCompiler::GSCClassList* m_classes = nullptr;
    GSCompiler::GSCClass* m_class = nullptr;
    GSCompiler::GSCFunction* m_function = nullptr;
    GSLabelTable m_labels;
    bool m_temporaries[kTemporaryCount] = {};
    std::unordered_map<const GSCNode*, JumpLabels> m_jumpLabels;
    std::unordered_map<const GSCNode*, SwitchState> m_switches;
    std::unordered_map<const GSCNode*, WaitState> m_waits;
};

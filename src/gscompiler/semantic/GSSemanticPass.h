#pragma once
// GSSemanticPass: the checks between parsing and code generation. One walk
// over a file's parse tree enters its classes, functions, arguments and
// variables into the symbol table, types every expression, binds break,
// continue, case, default and on to their statements, resolves names,
// member accesses and calls (choosing among overloads and inserting
// argument casts), folds constant sub-expressions and reports every rule
// violation as a compile error of the unit ("%s(%d) : %s"). It never warns.
//
// The main source file is walked in full mode; an included file in
// declarations-only mode, which enters its classes, members, function
// signatures and define values but never visits function bodies.
//
// What the walk leaves in the tree for the code generator:
//   - every expression: its type code and, for objects and object arrays of
//     a known class, its class name; l-values carry 0x40000000;
//   - identifiers of variables: the symbol's flags (0x80000000 for a local)
//     and the frame or member slot; a static class named by an identifier:
//     type object, its class name and 0x4;
//   - '.' on a member: the member's type, class and slot, also on the
//     member-name child; '.' as the callee of a method call: 0x20000000,
//     type object and the object's class;
//   - calls: the called function's slot, result type and class, its
//     specifier bits (0x2 native, 0x10 thread), 0x20000000 for a call
//     through '.', and in `value` the number of stack entries the call
//     consumes (argument count + 1); arguments needing a conversion are
//     wrapped in cast nodes;
//   - break, continue, case, default and on: `value` is the statement they
//     belong to (GSCNode::Bound); a switch's `chain` lists its cases and
//     default, each linked to the next through its own `chain`, and a
//     switch with a default carries 0x400000; a wait's `chain` lists its on
//     statements the same way;
//   - declarators and parameters: the variable's type, class and slot; type
//     nodes: their type code and class;
//   - the body of a void function that does not end with a return gets one.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "gscompiler/GSCNode.h"

class GSCompileContext;
class GSCompileUnit;
namespace GSCompiler {
class GSClassSymbol;
class GSFunctionSymbol;
class GSSymbol;
class GSSymbolTable;
}  // namespace GSCompiler

class GSSemanticPass {
public:
    // The walk stack's size; entry 0 is never used. Null children take no
    // place on it.
    static constexpr int32_t kStackEntries = 128;
    // Overload candidates considered per call.
    static constexpr int32_t kMaxCandidates = 1024;
    // Symbol flag of a function declared but not defined yet.
    static constexpr uint32_t kPrototypeFlag = 0x2000000;

    explicit GSSemanticPass(bool declarationsOnly = false);
    GSSemanticPass(const GSSemanticPass&) = delete;
    GSSemanticPass& operator=(const GSSemanticPass&) = delete;

    // Walks the tree of `unit` (its top-level list starting at `root`) with
    // the context's symbol table; the table's current library must be the
    // unit's dependent. Errors are reported through the unit and counted in
    // its error count. True when no handler failed; the unit's error count
    // is what decides the compile.
    bool Walk(GSCNode* root, GSCompileContext& context, GSCompileUnit& unit);

    // True when the last walk stopped short (nesting too deep): nothing
    // after it is checked.
    bool Aborted() const { return m_abort; }

    // The two handlers of the walk.
    bool Enter(GSCNode* node);
    bool Leave(GSCNode* node);

private:
    // The explicit-stack walk of a node list (also the nested walk of a
    // declaration's declarators).
    bool WalkList(GSCNode* root);
    bool StackOverflow();

    // Declarations.
    bool CheckClassDeclaration(GSCNode* node);
    bool CheckFunctionDeclaration(GSCNode* node);
    bool CheckVariableDeclaration(GSCNode* node);
    bool CheckInitialiser(GSCNode* declarator);
    bool ResolveTypeClass(GSCNode* type, bool checkClass);

    // Statements.
    bool CheckStatement(GSCNode* node);
    bool CheckReturn(GSCNode* node);
    bool CheckBlockEnd(GSCNode* node);
    bool CheckCondition(GSCNode* node, const GSCNode* condition, bool required, const char* format);
    bool CheckSwitch(GSCNode* node);
    bool BindCase(GSCNode* node);
    bool BindDefault(GSCNode* node);
    bool BindJump(GSCNode* node, std::initializer_list<int32_t> targets, const char* format);
    bool BindOn(GSCNode* node);

    // Expressions.
    bool CheckExpression(GSCNode* node);
    bool ResolveIdentifier(GSCNode* node);
    bool CheckOperator(GSCNode* node);
    bool CheckTypedOperator(GSCNode* node);
    bool CheckMemberAccess(GSCNode* node);
    bool CheckIndex(GSCNode* node);
    bool CheckRangeIndex(GSCNode* node);
    bool CheckCast(GSCNode* node);
    bool CheckAssignment(GSCNode* node);
    bool CheckSize(GSCNode* node);
    bool CheckIsClass(GSCNode* node);
    bool CheckCopy(GSCNode* node);
    bool CheckNew(GSCNode* node);

    // Calls.
    bool ResolveCall(GSCNode* node);
    bool ResolveInheritedCall(GSCNode* node, bool throughMember, int32_t argumentCount);
    int32_t DropOverridden(int32_t count);
    // Matches the arguments against the argument types of a lookup name;
    // false when one does not match or the counts differ. With `insertCasts`
    // the arguments that need a conversion are wrapped in casts.
    bool MatchArguments(GSCNode* call, const char* lookupName, int32_t& conversions, bool insertCasts);
    // Wraps an argument in a cast to the given type; returns the cast node
    // (null when out of memory).
    GSCNode* InsertArgumentCast(GSCNode* call, GSCNode* argument, GSCNode* previous, int32_t typeCode,
                                const char* className);

    // Types.
    bool CheckAssignable(int32_t targetType, const char* targetClass, const GSCNode* source, int32_t line);
    bool MatchType(int32_t targetType, const char* targetClass, int32_t sourceType, const char* sourceClass,
                   bool& needsConversion);
    void ReportCastError(int32_t sourceType, const char* sourceClass, int32_t targetType, const char* targetClass,
                         int32_t line);

    // Helpers.
    GSCompiler::GSClassSymbol* FindClass(const char* name);
    void ResolveBasesOf(GSCompiler::GSClassSymbol* cls);
    // A copy of a class name that lives as long as the symbol table: the
    // class symbol's own name when there is one.
    const char* KeepClassName(const char* name);
    void Error(int32_t line, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void InternalError(const char* text);

    GSCompileUnit* m_unit = nullptr;
    GSCompiler::GSSymbolTable* m_symbols = nullptr;
    bool m_abort = false;
    bool m_declarationsOnly;
    bool m_skipChildren = false;
    GSCompiler::GSFunctionSymbol* m_function = nullptr;
    GSCompiler::GSClassSymbol* m_class = nullptr;
    // Blocks nested beyond the deepest scope level open no scope; they are
    // always the innermost ones, so a count says which blocks to pass over
    // when they end.
    int32_t m_unopenedScopes = 0;
    std::vector<GSCompiler::GSFunctionSymbol*> m_candidates;
};

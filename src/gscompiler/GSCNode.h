#pragma once
// GSCNode: one node of a GameScript parse tree. The parser builds the
// nodes (from the compile unit's node pool), the semantic pass annotates
// them and the code generator reads them.
#include <cstdint>
#include <cstring>

#include "gscompiler/GSTypes.h"

enum GSNodeCategory : int32_t {
    kGSDeclaration = 0,
    kGSStatement = 1,
    kGSExpression = 2,
};

enum GSDeclarationKind : int32_t {
    kGSDeclFunction = 0,
    kGSDeclPrototype = 1,
    kGSDeclInclude = 2,
    kGSDeclClass = 3,
    kGSDeclVariables = 4,
    kGSDeclDeclarator = 5,
    kGSDeclType = 6,
    kGSDeclParameter = 7,
    kGSDeclName = 8,
};

enum GSStatementKind : int32_t {
    kGSStmtReturn = 0,
    kGSStmtBreak = 1,
    kGSStmtContinue = 2,
    kGSStmtGoto = 3,
    kGSStmtFor = 4,
    kGSStmtWhile = 5,
    kGSStmtSwitch = 6,
    kGSStmtIf = 7,
    kGSStmtDefault = 8,
    kGSStmtCase = 9,
    kGSStmtLabel = 10,
    kGSStmtBlock = 11,
    kGSStmtWait = 12,
    kGSStmtOn = 13,
};

enum GSExpressionKind : int32_t {
    kGSExprOperator = 0,
    kGSExprConstant = 1,
    kGSExprIdentifier = 2,
    kGSExprCall = 3,
    kGSExprMemberName = 4,
    kGSExprMe = 5,
    kGSExprNull = 6,
};

// Sub-kinds of constant expressions.
enum GSConstantKind : int32_t {
    kGSConstBool = 0,
    kGSConstInt = 1,
    kGSConstFloat = 2,
    kGSConstString = 3,
};

// Node flag bits beside the specifier bits of GSTypes.h.
enum GSNodeFlag : uint32_t {
    kGSNodeStaticClassRef = 0x4,       // a static class named by an identifier
    kGSNodeHandled = 0x800000,         // an unused result already dealt with
    kGSNodeHasDefault = 0x400000,      // the switch has its default
    kGSNodeMember = 0x4000000,         // a declaration written directly in a class
    kGSNodeFunctionBody = 0x8000000,   // the block that is a function's body
    kGSNodeUnused = 0x10000000,        // the expression's result is not used
    kGSNodeObjectCall = 0x20000000,    // a call through '.' on an object
    kGSNodeLValue = 0x40000000,
};

struct GSCNode {
    GSCNode* children[4];
    GSCNode* next;      // the next element of the list the node belongs to
    GSCNode* backLink;  // set by the semantic pass
    int32_t category;
    // Name or string text (a pointer into the unit's text arena), int value,
    // float bits or bool; for bound statements the statement they belong
    // to. Pointer-wide.
    uintptr_t value;
    int32_t kind;
    int32_t subKind;    // operator code, constant kind or type code; -1 when unused
    int32_t line;       // the scanner's line when the node was built
    uint32_t flags;
    int16_t slot;
    int32_t typeCode;
    const char* className;
    GSCNode* chain;     // the case list of a switch, the on list of a wait
    uintptr_t list;     // used by code generation
    // While parsing, on the first node of a list: a node of that list at or
    // before its end, from where appending walks on (so that appending to a
    // long list does not walk it from the start every time).
    GSCNode* tail;

    bool Is(int32_t cat, int32_t k) const { return category == cat && kind == k; }

    const char* Text() const { return reinterpret_cast<const char*>(value); }
    void SetText(const char* text) { value = reinterpret_cast<uintptr_t>(text); }
    int32_t Int() const { return static_cast<int32_t>(static_cast<uint32_t>(value)); }
    void SetInt(int32_t v) { value = static_cast<uint32_t>(v); }
    float Float() const {
        const uint32_t bits = static_cast<uint32_t>(value);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    void SetFloat(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        value = bits;
    }
    GSCNode* Bound() const { return reinterpret_cast<GSCNode*>(value); }
    void SetBound(GSCNode* node) { value = reinterpret_cast<uintptr_t>(node); }

    // When the node's result is unused (kGSNodeUnused), marks it dealt with
    // (kGSNodeHandled) and returns true: the code generator then leaves no
    // value for it on the stack. False for a used result.
    static bool TakeDiscard(GSCNode* node) {
        if (!(node->flags & kGSNodeUnused)) return false;
        node->flags |= kGSNodeHandled;
        return true;
    }

    // The name a call or call-like operator calls: for an expression of kind
    // 0 or 3 whose child 0 is an expression, that child's name when it is an
    // identifier, the member name when it is a '.' operator; else null.
    static const char* CalleeName(const GSCNode* node);
};

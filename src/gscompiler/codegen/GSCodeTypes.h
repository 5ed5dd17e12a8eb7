#pragma once
// What the code generator reads off annotated parse-tree nodes: value and
// reference types, the type named by a type node, the last element of an
// expression chain (whose value is the chain's value) and operator tests.
#include <cstdint>
#include <cstring>

#include "gscompiler/GSCNode.h"
#include "gscompiler/GSTypes.h"

namespace GSCodeTypes {

// Types whose values are references, for which the reference-counting
// variants of instructions are chosen: string, object, the arrays and null.
inline bool IsReferenceType(int32_t type) {
    return type == kGSTypeString || type == kGSTypeObject || (type >= kGSTypeVoidArray && type <= kGSTypeObjectArray) ||
           type == kGSTypeNull;
}

inline bool IsArrayType(int32_t type) { return type >= kGSTypeVoidArray && type <= kGSTypeObjectArray; }

// A class name as the generator uses it: "object" (the class-less object
// type named as a class) counts as no class.
inline const char* ClassNameOrNull(const char* name) {
    return name && *name && std::strcmp(name, "object") != 0 ? name : nullptr;
}

// The type code of a type node: its result type once typed, else its
// sub-kind.
inline int32_t TypeCodeOf(const GSCNode* type) {
    if (!type) return kGSTypeNone;
    return type->typeCode != kGSTypeNone ? type->typeCode : type->subKind;
}

// The class a type node names: its class name once typed, else the name
// node under it.
inline const char* ClassNameOf(const GSCNode* type) {
    if (!type) return nullptr;
    if (type->className) return ClassNameOrNull(type->className);
    const GSCNode* name = type->children[0];
    return name ? ClassNameOrNull(name->Text()) : nullptr;
}

// The last element of a chain.
inline GSCNode* LastOf(GSCNode* list) {
    if (!list) return nullptr;
    while (list->next) list = list->next;
    return list;
}

inline int32_t ChainType(GSCNode* list) {
    const GSCNode* last = LastOf(list);
    return last ? last->typeCode : kGSTypeNone;
}

inline bool IsOperator(const GSCNode* node, int32_t op) {
    return node && node->Is(kGSExpression, kGSExprOperator) && node->subKind == op;
}

}  // namespace GSCodeTypes

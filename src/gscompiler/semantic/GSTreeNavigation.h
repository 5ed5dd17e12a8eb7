#pragma once
// Small helpers of the semantic pass over parse-tree links and type codes.
#include <cstring>

#include "gscompiler/GSCNode.h"

// The last node of a list; for a comma expression that is the element
// whose value the expression has.
inline GSCNode* GSLastOf(GSCNode* list) {
    while (list && list->next) list = list->next;
    return list;
}
inline const GSCNode* GSLastOf(const GSCNode* list) {
    while (list && list->next) list = list->next;
    return list;
}

// The parent of a walked node: back links lead to the previous sibling or,
// from a first child, to the parent, so siblings are passed over.
inline GSCNode* GSParentOf(const GSCNode* node) {
    while (node && node->backLink) {
        GSCNode* back = node->backLink;
        if (back->next != node) return back;
        node = back;
    }
    return nullptr;
}

// True when `node` is child `index` of an expression of the given kind (and
// operator code, for operators).
inline bool GSIsChildOf(const GSCNode* node, int32_t kind, int32_t op, int index) {
    const GSCNode* parent = GSParentOf(node);
    return parent && parent->Is(kGSExpression, kind) && (kind != kGSExprOperator || parent->subKind == op) &&
           parent->children[index] == node;
}

inline bool GSIsArrayType(int32_t type) { return type >= kGSTypeVoidArray && type <= kGSTypeObjectArray; }

// Strings and arrays: what index, range, size and copy work on.
inline bool GSIsSequenceType(int32_t type) { return type == kGSTypeString || GSIsArrayType(type); }

// Types that cannot be tested as a condition.
inline bool GSIsVoidLike(int32_t type) {
    return type == kGSTypeVoid || type == kGSTypeVoidArray || type == kGSTypeNone;
}

// Two optional class names are the same: both absent or equal byte for byte.
inline bool GSSameClassName(const char* a, const char* b) {
    if (!a || !b) return !a && !b;
    return std::strcmp(a, b) == 0;
}

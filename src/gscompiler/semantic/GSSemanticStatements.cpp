// The semantic pass over statements: conditions, switches with their cases,
// jumps bound to the statements they leave or repeat, returns, the end of a
// block, and waits with their on handlers.
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/semantic/GSSemanticPass.h"
#include "gscompiler/semantic/GSTreeNavigation.h"

namespace {

// The nearest statement of one of the given kinds among the ancestors of
// `node` (reached through parents, never through previous siblings).
GSCNode* EnclosingStatement(const GSCNode* node, std::initializer_list<int32_t> kinds) {
    for (GSCNode* parent = GSParentOf(node); parent; parent = GSParentOf(parent)) {
        if (parent->category != kGSStatement) continue;
        for (int32_t kind : kinds)
            if (parent->kind == kind) return parent;
    }
    return nullptr;
}

// Binds `node` to `owner` and appends it to the owner's chain.
void BindAndChain(GSCNode* node, GSCNode* owner) {
    node->SetBound(owner);
    GSCNode** link = &owner->chain;
    while (*link) link = &(*link)->chain;
    *link = node;
}

}  // namespace

bool GSSemanticPass::CheckStatement(GSCNode* node) {
    switch (node->kind) {
        case kGSStmtReturn: return CheckReturn(node);
        case kGSStmtBreak:
            return BindJump(node, {kGSStmtFor, kGSStmtWhile, kGSStmtSwitch, kGSStmtWait}, "illegal break, line %d.");
        case kGSStmtContinue:
            return BindJump(node, {kGSStmtFor, kGSStmtWhile, kGSStmtWait}, "illegal continue, line %d.");
        case kGSStmtFor: return CheckCondition(node, node->children[1], false, "invalid for expression, line %d.");
        case kGSStmtWhile:
            return CheckCondition(node, node->children[0], true, "invalid while expression, line %d.");
        case kGSStmtIf: return CheckCondition(node, node->children[0], true, "invalid if expression, line %d.");
        case kGSStmtSwitch: return CheckSwitch(node);
        case kGSStmtDefault: return BindDefault(node);
        case kGSStmtCase: return BindCase(node);
        case kGSStmtBlock: return CheckBlockEnd(node);
        case kGSStmtWait:
            if (node->chain) return true;
            Error(node->line, "wait statement must have at least 1 on statement, line %d.", node->line);
            return false;
        case kGSStmtOn: return BindOn(node);
        default: return true;  // goto, label
    }
}

bool GSSemanticPass::CheckCondition(GSCNode* node, const GSCNode* condition, bool required, const char* format) {
    const GSCNode* value = GSLastOf(condition);
    if (value ? !GSIsVoidLike(value->typeCode) : !required) return true;
    m_unit->Report(true, false, node->line, format, node->line);
    return false;
}

bool GSSemanticPass::CheckReturn(GSCNode* node) {
    if (!m_function) {
        InternalError("Internal compiler error.");
        return false;
    }
    const GSCNode* value = GSLastOf(node->children[0]);
    const bool matches = value ? GSSameType(m_function->typeCode, m_function->resultClassName, value->typeCode,
                                            value->className)
                               : m_function->typeCode == kGSTypeVoid;
    if (matches) return true;
    Error(node->line, "return type mismatch, expecting %s, line %d.",
          GSTypeNameOf(m_function->typeCode, m_function->resultClassName), node->line);
    return false;
}

bool GSSemanticPass::CheckBlockEnd(GSCNode* node) {
    if (m_unopenedScopes > 0)
        m_unopenedScopes -= 1;
    else
        m_symbols->CloseScope();
    if (!(node->flags & kGSNodeFunctionBody) || !m_function) return true;

    GSCNode* last = GSLastOf(node->children[0]);
    if (last && last->Is(kGSStatement, kGSStmtReturn)) return true;
    if (m_function->typeCode != kGSTypeVoid) {
        Error(node->line, "expecting return type of %s, line %d.",
              GSTypeNameOf(m_function->typeCode, m_function->resultClassName), node->line);
        return false;
    }
    GSCNode* added = m_unit->NewNode(kGSStatement, kGSStmtReturn, node->line, -1);
    if (!added) {
        InternalError("Internal compiler error.");
        return false;
    }
    added->backLink = last ? last : node;
    if (last)
        last->next = added;
    else
        node->children[0] = added;
    return true;
}

bool GSSemanticPass::CheckSwitch(GSCNode* node) {
    bool hasCase = false;
    bool hasDefault = false;
    if (const GSCNode* body = node->children[1])
        for (const GSCNode* statement = body->children[0]; statement; statement = statement->next) {
            if (statement->Is(kGSStatement, kGSStmtCase)) hasCase = true;
            if (statement->Is(kGSStatement, kGSStmtDefault)) hasDefault = true;
        }
    bool ok = true;
    if (!hasCase) {
        Error(node->line, "switch statement without case, line %d.", node->line);
        ok = false;
    } else if (!hasDefault) {
        Error(node->line, "switch statement without default, line %d.", node->line);
        ok = false;
    }
    const GSCNode* value = GSLastOf(node->children[0]);
    if (!value || value->typeCode != kGSTypeInt) {
        Error(node->line, "switch expression not integral, line %d.", node->line);
        ok = false;
    }
    return ok;
}

bool GSSemanticPass::BindCase(GSCNode* node) {
    bool ok = true;
    if (GSCNode* owner = EnclosingStatement(node, {kGSStmtSwitch})) {
        BindAndChain(node, owner);
    } else {
        Error(node->line, "illegal case, line %d.", node->line);
        ok = false;
    }
    const GSCNode* value = node->children[0];
    if (!value || !value->Is(kGSExpression, kGSExprConstant) || value->subKind != kGSConstInt || value->next) {
        Error(node->line, "case expression not constant or integral, line %d.", node->line);
        ok = false;
    }
    return ok;
}

bool GSSemanticPass::BindDefault(GSCNode* node) {
    GSCNode* owner = EnclosingStatement(node, {kGSStmtSwitch});
    if (!owner) {
        Error(node->line, "illegal default, line %d.", node->line);
        return false;
    }
    if (owner->flags & kGSNodeHasDefault) {
        node->SetBound(owner);
        Error(node->line, "switch already has default, line %d.", node->line);
        return false;
    }
    owner->flags |= kGSNodeHasDefault;
    BindAndChain(node, owner);
    return true;
}

bool GSSemanticPass::BindJump(GSCNode* node, std::initializer_list<int32_t> targets, const char* format) {
    if (GSCNode* owner = EnclosingStatement(node, targets)) {
        node->SetBound(owner);
        return true;
    }
    m_unit->Report(true, false, node->line, format, node->line);
    return false;
}

bool GSSemanticPass::BindOn(GSCNode* node) {
    // Outside any wait an on statement stays unbound: it waits on its own.
    if (GSCNode* owner = EnclosingStatement(node, {kGSStmtWait})) BindAndChain(node, owner);

    bool ok = true;
    for (int i = 0; i < 2; ++i) {
        const GSCNode* type = node->children[i];
        if (!type || !type->Is(kGSExpression, kGSExprConstant) || type->subKind != kGSConstString) {
            Error(node->line, "on statement requires string constant for major and minor message types, line %d",
                  node->line);
            ok = false;
            break;
        }
    }
    const GSCNode* variable = node->children[2];
    if (variable && (variable->typeCode != kGSTypeObject || !(variable->flags & kGSNodeLValue))) {
        Error(node->line, "on statement requires object type for third parameter, line %d", node->line);
        ok = false;
    }
    return ok;
}

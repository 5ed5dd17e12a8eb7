#include "gscompiler/semantic/GSSemanticPass.h"

#include <cstdarg>

#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/semantic/GSTreeNavigation.h"

using GSCompiler::GSClassSymbol;
using GSCompiler::GSSymbol;

GSSemanticPass::GSSemanticPass(bool declarationsOnly)
    : m_declarationsOnly(declarationsOnly), m_candidates(kMaxCandidates, nullptr) {}

bool GSSemanticPass::Walk(GSCNode* root, GSCompileContext& context, GSCompileUnit& unit) {
    m_unit = &unit;
    m_symbols = &context.symbols;
    m_symbols->unit = &unit;  // base-resolution errors are reported there too
    m_abort = false;
    m_skipChildren = false;
    m_function = nullptr;
    m_class = nullptr;
    m_unopenedScopes = 0;

    const int32_t level = m_symbols->currentLevel;
    const bool result = WalkList(root);
    // A walk that stopped inside a function leaves its scopes open.
    while (m_symbols->currentLevel > level) m_symbols->CloseScope();
    m_function = nullptr;
    m_class = nullptr;
    return result;
}

bool GSSemanticPass::WalkList(GSCNode* root) {
    struct Entry {
        GSCNode* node;
        bool leave;
    };
    Entry stack[kStackEntries];
    int32_t top = 0;  // entry 0 is never used
    bool failed = false;

    // Null nodes take no place: only real nodes are pushed.
    auto push = [&](GSCNode* node, bool leave) {
        if (!node) return true;
        if (top + 1 >= kStackEntries) return false;
        stack[++top] = Entry{node, leave};
        return true;
    };
    auto pushNext = [&](GSCNode* node) {
        if (node->next) node->next->backLink = node;
        return push(node->next, false);
    };

    push(root, false);
    while (top > 0) {
        const Entry entry = stack[top--];
        GSCNode* node = entry.node;
        if (!entry.leave) {
            if ((!m_function || !m_declarationsOnly) && !Enter(node)) failed = true;
            if (m_abort) return false;
            if (m_skipChildren) {
                m_skipChildren = false;
                if (!pushNext(node)) return StackOverflow();
                continue;
            }
            if (!push(node, true)) return StackOverflow();
            for (int i = 3; i >= 0; --i) {
                GSCNode* child = node->children[i];
                if (child) child->backLink = node;
                if (!push(child, false)) return StackOverflow();
            }
        } else {
            if (!m_declarationsOnly && !Leave(node)) failed = true;
            if (m_abort) return false;
            if (!pushNext(node)) return StackOverflow();
        }
    }
    return !failed;
}

bool GSSemanticPass::StackOverflow() {
    m_unit->Log("Stack overflow; code nested too deep.");
    m_unit->errorCount += 1;
    m_abort = true;
    return false;
}

bool GSSemanticPass::Enter(GSCNode* node) {
    switch (node->category) {
        case kGSDeclaration:
            switch (node->kind) {
                case kGSDeclClass: return CheckClassDeclaration(node);
                case kGSDeclFunction:
                case kGSDeclPrototype: return CheckFunctionDeclaration(node);
                case kGSDeclVariables: return CheckVariableDeclaration(node);
                default: return true;
            }
        case kGSStatement:
            // A function's body shares the scope its function opened.
            if (node->kind == kGSStmtBlock && !(node->flags & kGSNodeFunctionBody) && !m_symbols->OpenScope())
                m_unopenedScopes += 1;
            return true;
        case kGSExpression: return true;
        default: InternalError("Internal compiler error."); return false;
    }
}

bool GSSemanticPass::Leave(GSCNode* node) {
    switch (node->category) {
        case kGSDeclaration:
            switch (node->kind) {
                case kGSDeclFunction: m_function = nullptr; return true;
                case kGSDeclClass: m_class = nullptr; return true;
                case kGSDeclDeclarator: return CheckInitialiser(node);
                case kGSDeclType: {
                    // The class of `new` is checked, and reported, by the
                    // new expression itself.
                    const bool created =
                        node->subKind == kGSTypeObject && GSIsChildOf(node, kGSExprOperator, kGSOpNew, 0);
                    return ResolveTypeClass(node, !created);
                }
                default: return true;
            }
        case kGSStatement: return CheckStatement(node);
        case kGSExpression: return CheckExpression(node);
        default: InternalError("Internal compiler error."); return false;
    }
}

GSClassSymbol* GSSemanticPass::FindClass(const char* name) {
    if (!name) return nullptr;
    GSSymbol* symbol = m_symbols->Find(name, nullptr, false, false);
    return symbol && symbol->kind == GSSymbol::kClass ? static_cast<GSClassSymbol*>(symbol) : nullptr;
}

void GSSemanticPass::ResolveBasesOf(GSClassSymbol* cls) {
    if (cls && !m_declarationsOnly && cls->HasDeclaredBases()) cls->ResolveBases();
}

const char* GSSemanticPass::KeepClassName(const char* name) {
    if (!name) return nullptr;
    if (GSSymbol* symbol = m_symbols->Find(name, nullptr, false, false))
        if (symbol->kind == GSSymbol::kClass) return symbol->name;
    const char* copy = m_symbols->StrDup(name);
    return copy ? copy : "";
}

void GSSemanticPass::Error(int32_t line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_unit->ReportAtV(true, false, m_unit->fileName, line, format, args);
    va_end(args);
}

void GSSemanticPass::InternalError(const char* text) { m_unit->Log("%s", text); }

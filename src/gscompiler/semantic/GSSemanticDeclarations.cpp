// The semantic pass over declarations: classes, functions with their
// arguments, variables with their initial values, and type nodes.
#include <cstring>
#include <string>

#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTypes.h"
#include "gscompiler/semantic/GSConstantFolding.h"
#include "gscompiler/semantic/GSSemanticPass.h"
#include "gscompiler/semantic/GSTreeNavigation.h"

using GSCompiler::GSClassSymbol;
using GSCompiler::GSFunctionSymbol;
using GSCompiler::GSSymbol;
using GSCompiler::GSVariableSymbol;

namespace {

constexpr uint32_t kSpecifierBits = 0x1FF;
// Specifiers a class may not carry: public, native, thread, define.
constexpr uint32_t kIllegalClassSpecifiers = kGSPublic | kGSNative | kGSThread | kGSDefine;
// Specifiers a function may not carry: static, game, define, secured.
constexpr uint32_t kIllegalFunctionSpecifiers = kGSStatic | kGSGame | kGSDefine | kGSSecured;
// Specifiers a member variable may not carry: all but public and define.
constexpr uint32_t kIllegalMemberSpecifiers = kGSNative | kGSStatic | kGSFinal | kGSThread | kGSGame | kGSSecured;
// A local variable carries none (the constructor bit has no keyword).
constexpr uint32_t kIllegalLocalSpecifiers = kSpecifierBits & ~uint32_t(kGSConstructor);

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The value of a numeric define: the constant converted to the define's
// type as an assignment converts it at run time (int to float rounds, float
// to int truncates), a bool normalised to 0 or 1.
uint32_t NumericDefineValue(int32_t type, const GSCNode* constant) {
    const uint32_t bits = static_cast<uint32_t>(constant->value);
    const bool isFloat = constant->subKind == kGSConstFloat;
    if (constant->subKind == kGSConstString) return 0;
    switch (type) {
        case kGSTypeFloat: return isFloat ? bits : FloatBits(static_cast<float>(static_cast<int32_t>(bits)));
        case kGSTypeInt: return isFloat ? static_cast<uint32_t>(GSFloatToInt(constant->Float())) : bits;
        case kGSTypeBool: return (isFloat ? GSFloatToInt(constant->Float()) != 0 : bits != 0) ? 1u : 0u;
        default: return bits;
    }
}

}  // namespace

bool GSSemanticPass::CheckClassDeclaration(GSCNode* node) {
    const GSCNode* nameNode = node->children[0];
    const char* name = nameNode ? nameNode->Text() : nullptr;
    if (!name) {
        InternalError("Internal compiler error.");
        return false;
    }
    if (node->flags & kIllegalClassSpecifiers) {
        Error(node->line, "Class has illegal declaration specifiers, line %d.", node->line);
        m_abort = true;
        return false;
    }
    if (m_symbols->Find(name, nullptr, false, false)) {
        Error(node->line, "Class %s has already been declared, line %d.", name, node->line);
        m_abort = true;
        return false;
    }
    GSClassSymbol* cls = m_symbols->NewClass(name);
    if (!cls) {
        InternalError("Internal compiler error.");
        m_abort = true;
        return false;
    }
    cls->flags = node->flags & kSpecifierBits;
    if (!m_symbols->Insert(nullptr, false, cls)) {
        InternalError("Internal compiler error.");
        m_abort = true;
        return false;
    }
    m_class = cls;
    for (const GSCNode* base = node->children[1]; base; base = base->next)
        if (!cls->AddDeclaredBase(base->Text(), base->line)) {
            InternalError("Internal compiler error.");
            return false;
        }
    if (!m_declarationsOnly && !cls->ResolveBases()) return false;
    return true;
}

bool GSSemanticPass::CheckFunctionDeclaration(GSCNode* node) {
    GSCNode* resultType = node->children[0];
    const GSCNode* nameNode = node->children[1];
    if (!m_class || !resultType || !nameNode || !nameNode->Text()) {
        InternalError("Internal compiler error.");
        return false;
    }
    const char* name = nameNode->Text();
    const bool prototype = node->kind == kGSDeclPrototype;
    const uint32_t specifiers = node->flags & kSpecifierBits;
    bool ok = true;

    if ((specifiers & kIllegalFunctionSpecifiers) || ((specifiers & kGSNative) && (specifiers & kGSThread))) {
        Error(node->line, "Function has illegal declaration specifiers, line %d.", node->line);
        ok = false;
    }

    // Types: in declarations-only mode class names are taken as they are.
    const bool checkClasses = !m_declarationsOnly;
    if (!ResolveTypeClass(resultType, checkClasses)) ok = false;
    for (GSCNode* parameter = node->children[2]; parameter; parameter = parameter->next)
        if (!ResolveTypeClass(parameter->children[0], checkClasses)) ok = false;

    std::string lookupName;
    GSBuildSignature(nullptr, node, lookupName, false);

    GSSymbol* inherited = m_class->FindMember(lookupName.c_str(), false, false);
    if (inherited && inherited->kind == GSSymbol::kFunction && inherited->owner != m_class &&
        (inherited->flags & kGSFinal)) {
        Error(node->line, "Cannot override final function, line %d.", node->line);
        ok = false;
    }

    GSFunctionSymbol* function = m_symbols->NewFunction(lookupName.c_str());
    if (!function) {
        InternalError("Internal compiler error.");
        m_abort = true;
        return false;
    }
    if (!m_symbols->Insert(m_class, true, function)) {
        GSSymbol* existing = m_class->FindLocal(lookupName.c_str(), true);
        if (!existing || existing->kind != GSSymbol::kFunction) {
            InternalError("Internal compiler error.");
            m_abort = true;
            return false;
        }
        function = static_cast<GSFunctionSymbol*>(existing);
        if (!(function->flags & kPrototypeFlag)) {
            Error(node->line, "Function %s already declared, line %d.", name, node->line);
            m_abort = true;
            return false;
        }
        // The definition (or a repeated declaration) completes the prototype.
        function->flags &= ~kPrototypeFlag;
        function->argumentSlotCount = 1;
        if (function->typeCode != resultType->typeCode ||
            !GSSameClassName(function->resultClassName, resultType->className)) {
            Error(node->line, "Function differs only by return type, line %d.", node->line);
            m_abort = true;
            return false;
        }
        if ((function->flags & kSpecifierBits) != specifiers) {
            Error(node->line, "Function specifiers differ from prototype, line %d.", node->line);
            ok = false;
        }
        m_symbols->currentFunction = function;
    }

    function->typeCode = resultType->typeCode;
    function->flags = specifiers | (prototype ? kPrototypeFlag : 0);
    if (specifiers & kGSThread) {
        m_class->flags |= kGSGame;
        if (resultType->typeCode != kGSTypeVoid) {
            Error(node->line, "thread function must return void, line %d.", node->line);
            ok = false;
        }
    }
    function->resultClassName = KeepClassName(resultType->className);
    std::string signature;
    GSBuildSignature(m_class->name, node, signature, true);
    function->signature = m_symbols->StrDup(signature.c_str());

    const bool enterArguments = !prototype && !m_declarationsOnly;
    if (m_declarationsOnly) {
        m_skipChildren = true;
    } else if (!prototype) {
        m_function = function;
        m_symbols->OpenScope();
    }

    // Slot 0 is `me`; the arguments follow from slot 1.
    for (GSCNode* parameter = node->children[2]; parameter; parameter = parameter->next) {
        const GSCNode* type = parameter->children[0];
        const GSCNode* parameterName = parameter->children[1];
        const int32_t slot = function->argumentSlotCount++;
        parameter->typeCode = type ? type->typeCode : kGSTypeNone;
        parameter->className = type ? type->className : nullptr;
        parameter->slot = static_cast<int16_t>(slot);
        if (!enterArguments || !parameterName) continue;
        GSVariableSymbol* argument = m_symbols->NewVariable(parameterName->Text());
        if (!argument) {
            InternalError("Internal compiler error.");
            return false;
        }
        argument->typeCode = parameter->typeCode;
        argument->className = KeepClassName(parameter->className);
        argument->ownIndex = slot;
        if (!m_symbols->Insert(m_class, false, argument)) {
            Error(parameter->line, "Variable %s already declared in this scope, line %d.", parameterName->Text(),
                  parameter->line);
            ok = false;
        }
    }
    return ok;
}

bool GSSemanticPass::CheckVariableDeclaration(GSCNode* node) {
    GSCNode* type = node->children[0];
    if (!m_class || !type) {
        InternalError("Internal compiler error.");
        return false;
    }
    const bool member = (node->flags & kGSNodeMember) != 0;
    const uint32_t specifiers = node->flags & kSpecifierBits;
    bool ok = true;
    if (member && (specifiers & kIllegalMemberSpecifiers)) {
        Error(node->line, "member declaration has invalid specifiers, line %d.", node->line);
        ok = false;
    }
    if (!member && (specifiers & kIllegalLocalSpecifiers)) {
        Error(node->line, "variable declaration has illegal specifiers, line %d.", node->line);
        ok = false;
    }
    if (!ResolveTypeClass(type, !m_declarationsOnly)) ok = false;
    const char* className = KeepClassName(type->className);

    for (GSCNode* declarator = node->children[1]; declarator; declarator = declarator->next) {
        const GSCNode* nameNode = declarator->children[0];
        const char* name = nameNode ? nameNode->Text() : nullptr;
        GSVariableSymbol* variable = name ? m_symbols->NewVariable(name) : nullptr;
        if (!variable) {
            InternalError("Internal compiler error.");
            return false;
        }
        variable->typeCode = type->typeCode;
        variable->className = className;
        variable->flags = specifiers;
        declarator->typeCode = type->typeCode;
        declarator->className = className;
        if (m_function) {
            variable->ownIndex = m_function->argumentSlotCount + m_function->localCount;
            if (m_symbols->Insert(m_class, false, variable)) {
                m_function->localCount += 1;
                declarator->slot = static_cast<int16_t>(variable->ownIndex);
                continue;
            }
        } else if (m_symbols->Insert(m_class, true, variable)) {
            declarator->slot = static_cast<int16_t>(m_class->dataBase + variable->ownIndex);
            continue;
        }
        Error(declarator->line, "Variable %s already declared in this scope, line %d.", name, declarator->line);
        ok = false;
    }

    // The declarators and their initial values get a walk of their own; a
    // define's is a full one even in declarations-only mode, so that its
    // value is recorded.
    GSCNode* declarators = node->children[1];
    if (declarators) declarators->backLink = node;
    const bool savedMode = m_declarationsOnly;
    if (specifiers & kGSDefine) m_declarationsOnly = false;
    if (!WalkList(declarators)) ok = false;
    m_declarationsOnly = savedMode;
    m_skipChildren = true;
    return ok;
}

bool GSSemanticPass::CheckInitialiser(GSCNode* declarator) {
    const GSCNode* nameNode = declarator->children[0];
    GSCNode* value = declarator->children[1];
    GSSymbol* symbol = m_class && nameNode ? m_class->FindLocal(nameNode->Text(), false) : nullptr;
    GSVariableSymbol* variable =
        symbol && symbol->kind == GSSymbol::kVariable ? static_cast<GSVariableSymbol*>(symbol) : nullptr;

    bool ok = true;
    if (value && !CheckAssignable(declarator->typeCode, declarator->className, value, declarator->line)) ok = false;
    if (!variable || !(variable->flags & kGSDefine)) return ok;

    if (!GSIsSingleConstant(value)) {
        Error(declarator->line, "define variable must have a const assignment, line %d.", declarator->line);
        return false;
    }
    if (variable->typeCode == kGSTypeString) {
        const char* text = value->subKind == kGSConstString && value->Text() ? value->Text() : "";
        const char* kept = m_symbols->StrDup(text);
        variable->value = reinterpret_cast<uintptr_t>(kept ? kept : "");
    } else {
        variable->value = NumericDefineValue(variable->typeCode, value);
    }
    return ok;
}

bool GSSemanticPass::ResolveTypeClass(GSCNode* type, bool checkClass) {
    if (!type || type->typeCode != kGSTypeNone) return true;  // resolved before
    type->typeCode = type->subKind;
    const GSCNode* nameNode = type->children[0];
    if ((type->subKind != kGSTypeObject && type->subKind != kGSTypeObjectArray) || !nameNode || !nameNode->Text())
        return true;
    const char* name = nameNode->Text();
    if (!checkClass) {
        type->className = name;
        return true;
    }
    if (GSClassSymbol* cls = FindClass(name)) {
        type->className = cls->name;
        return true;
    }
    type->className = name;
    Error(type->line, "object<%s> not declared, line %d.", name, type->line);
    return false;
}

#include "gscompiler/GSTypes.h"

#include <cstring>

#include "gscompiler/GSCNode.h"

namespace {

const char* const kTypeNames[] = {"void",   "bool",   "int",    "float",    "string",   "object",   "void[]",
                                  "bool[]", "int[]",  "float[]", "string[]", "object[]", "",        "null"};

const char* const kOperatorNames[] = {"--", "++",  ".", "+", "-", "!",  "~",  "--", "++", "[,]", "[]", "()",
                                      "*",  "/",   "%", "+", "-", "<<", ">>", "<",  ">",  "<=",  ">=", "==",
                                      "!=", "&",   "^", "|", "and", "or", "=", "size", "isclass", "copy", "new"};

// The type and class name of a node, a type node being named by its
// sub-kind until it is typed.
void NodeType(const GSCNode* node, int32_t& code, const char*& className) {
    code = node->typeCode;
    if (node->Is(kGSDeclaration, kGSDeclType) && code == kGSTypeNone) code = node->subKind;
    className = node->className;
}

}  // namespace

const char* GSTypeName(int32_t code) {
    if (code < 0 || code > kGSTypeNull) return "illegal type";
    return kTypeNames[code];
}

const char* GSTypeNameOf(int32_t code, const char* className) {
    static std::string buffer;
    if (!className) return GSTypeName(code);
    buffer = className;
    if (code == kGSTypeObjectArray) buffer += "[]";
    return buffer.c_str();
}

const char* GSTypeNameOf(const GSCNode* node) {
    if (!node) return "illegal type";
    int32_t code;
    const char* className;
    NodeType(node, code, className);
    return GSTypeNameOf(code, className);
}

const char* GSOperatorName(int32_t code) {
    if (code < 0 || code > kGSOpNew) return "";
    return kOperatorNames[code];
}

const char* GSSpecifierText(uint32_t flags) {
    static std::string buffer;
    static const struct {
        uint32_t bit;
        const char* text;
    } kOrder[] = {{kGSPublic, "public "}, {kGSNative, "native "},           {kGSStatic, "static "},
                  {kGSFinal, "final "},   {kGSThread, "thread "},           {kGSConstructor, "constructor "},
                  {kGSGame, "game "},     {kGSSecured, "secured "},         {kGSDefine, "define "}};
    buffer.clear();
    for (const auto& entry : kOrder)
        if (flags & entry.bit) buffer += entry.text;
    return buffer.c_str();
}

int32_t GSTypeFromName(const char* name, std::string* className) {
    if (!name) name = "";
    const std::size_t length = std::strlen(name);
    if (className) {
        className->assign(name);
        if (length >= 2 && std::strcmp(name + length - 2, "[]") == 0) className->resize(length - 2);
    }
    for (int32_t code = kGSTypeVoid; code <= kGSTypeObjectArray; ++code)
        if (std::strcmp(name, kTypeNames[code]) == 0) return code;
    if (std::strcmp(name, "null") == 0) return kGSTypeNull;
    if (std::strstr(name, "[]")) return kGSTypeObjectArray;
    return className ? kGSTypeObject : kGSTypeNone;
}

bool GSSameType(int32_t codeA, const char* classA, int32_t codeB, const char* classB) {
    if ((codeA == kGSTypeNull && codeB == kGSTypeObject) || (codeA == kGSTypeObject && codeB == kGSTypeNull))
        return true;
    if (codeA != codeB) return false;
    if (codeA != kGSTypeObject) return true;
    if (!classA || !classB) return !classA && !classB;
    return std::strcmp(classA, classB) == 0;
}

bool GSSameType(const GSCNode* a, const GSCNode* b) {
    if (!a || !b) return false;
    return GSSameType(a->typeCode, a->className, b->typeCode, b->className);
}

bool GSSameTypeAs(const char* className, int32_t code, const GSCNode* item) {
    if (!item) return false;
    return GSSameType(code, className, item->typeCode, item->className);
}

bool GSBuildSignature(const char* className, const GSCNode* function, std::string& out, bool withResult) {
    out.clear();
    if (!function || function->category != kGSDeclaration ||
        (function->kind != kGSDeclFunction && function->kind != kGSDeclPrototype))
        return false;
    if (withResult && function->children[0]) {
        out += "$";
        out += GSTypeNameOf(function->children[0]);
    }
    if (className) {
        out += "@";
        out += className;
    }
    if (function->children[1]) {
        out += "::";
        if (const char* name = function->children[1]->Text()) out += name;
        out += "(";
    }
    bool first = true;
    for (const GSCNode* parameter = function->children[2]; parameter; parameter = parameter->next) {
        if (!first) out += ",";
        first = false;
        out += GSTypeNameOf(parameter->children[0]);
    }
    out += ")";
    return true;
}

bool GSSignatureFirstArgument(int32_t& position, std::string& argument, const char* signature) {
    const char* open = signature ? std::strchr(signature, '(') : nullptr;
    if (!open) {
        position = -1;
        return false;
    }
    position = static_cast<int32_t>(open - signature) + 1;
    return GSSignatureNextArgument(signature, position, argument);
}

bool GSSignatureNextArgument(const char* signature, int32_t& position, std::string& argument) {
    argument.clear();
    if (!signature || position < 0) return false;
    const std::size_t length = std::strlen(signature);
    if (static_cast<std::size_t>(position) > length) {
        position = -1;
        return false;
    }
    const char* start = signature + position;
    const std::size_t span = std::strcspn(start, ",)");
    if (span == 0) {
        position = -1;
        return false;
    }
    argument.assign(start, span);
    position += static_cast<int32_t>(span);
    if (start[span] != '\0') position += 1;
    return true;
}

const char* GSCNode::CalleeName(const GSCNode* node) {
    if (!node || node->category != kGSExpression) return nullptr;
    if (node->kind != kGSExprOperator && node->kind != kGSExprCall) return nullptr;
    const GSCNode* callee = node->children[0];
    if (!callee || callee->category != kGSExpression) return nullptr;
    if (callee->kind == kGSExprIdentifier) return callee->Text();
    if (callee->kind == kGSExprOperator && callee->subKind == kGSOpMember && callee->children[1])
        return callee->children[1]->Text();
    return nullptr;
}

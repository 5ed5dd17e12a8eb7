#include "gscompiler/GSTreePrinter.h"

#include <cstdio>

#include "gscompiler/GSCNode.h"

namespace {

const char* const kDeclarationLabels[] = {"func", "proto", "include", "class", "vars", "decl", "type", "param", "name"};
const char* const kStatementLabels[] = {"return", "break", "continue", "goto",  "for",   "while", "switch",
                                        "if",     "default", "case",   "label", "block", "wait",  "on"};

std::string Label(const GSCNode* node) {
    char buffer[64];
    switch (node->category) {
        case kGSDeclaration:
            if (node->kind == kGSDeclName) return node->Text() ? node->Text() : "";
            if (node->kind == kGSDeclType) return std::string("type:") + GSTypeName(node->subKind);
            if (node->kind >= 0 && node->kind <= kGSDeclName) return kDeclarationLabels[node->kind];
            break;
        case kGSStatement:
            if (node->kind >= 0 && node->kind <= kGSStmtOn) return kStatementLabels[node->kind];
            break;
        case kGSExpression:
            switch (node->kind) {
                case kGSExprOperator:
                    switch (node->subKind) {
                        case kGSOpPostIncrement: return "x++";
                        case kGSOpPostDecrement: return "x--";
                        case kGSOpPreIncrement: return "++x";
                        case kGSOpPreDecrement: return "--x";
                        case kGSOpUnaryPlus: return "+x";
                        case kGSOpNegate: return "-x";
                        default: return GSOperatorName(node->subKind);
                    }
                case kGSExprConstant:
                    switch (node->subKind) {
                        case kGSConstBool: return node->Int() ? "true" : "false";
                        case kGSConstInt: return std::to_string(node->Int());
                        case kGSConstFloat:
                            std::snprintf(buffer, sizeof buffer, "%gf", static_cast<double>(node->Float()));
                            return buffer;
                        case kGSConstString: return std::string("\"") + (node->Text() ? node->Text() : "") + "\"";
                        default: break;
                    }
                    break;
                case kGSExprIdentifier: return node->Text() ? node->Text() : "";
                case kGSExprCall: return "call";
                case kGSExprMemberName: return std::string(".") + (node->Text() ? node->Text() : "");
                case kGSExprMe: return "me";
                case kGSExprNull: return "null";
                default: break;
            }
            break;
        default: break;
    }
    std::snprintf(buffer, sizeof buffer, "?%d.%d", node->category, node->kind);
    return buffer;
}

std::string PrintList(const GSCNode* list, const GSTreePrintOptions& options);

std::string PrintNode(const GSCNode* node, const GSTreePrintOptions& options) {
    if (!node) return "_";
    std::string label = Label(node);
    if (options.lines) label += "@" + std::to_string(node->line);
    if (options.flags && node->flags) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "#%x", node->flags);
        label += buffer;
    }
    int last = 3;
    while (last >= 0 && !node->children[last]) --last;
    if (last < 0) return label;
    std::string out = "(" + label;
    for (int i = 0; i <= last; ++i) out += " " + PrintList(node->children[i], options);
    return out + ")";
}

std::string PrintList(const GSCNode* list, const GSTreePrintOptions& options) {
    if (!list || !list->next) return PrintNode(list, options);
    std::string out = "[";
    for (const GSCNode* node = list; node; node = node->next) {
        if (node != list) out += " ";
        out += PrintNode(node, options);
    }
    return out + "]";
}

}  // namespace

std::string GSPrintTree(const GSCNode* list, const GSTreePrintOptions& options) { return PrintList(list, options); }

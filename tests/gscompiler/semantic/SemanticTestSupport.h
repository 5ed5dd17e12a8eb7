#pragma once
// Runs the semantic pass over sources held in memory, the way the compile
// driver does: each file is parsed into a unit of its own and registered as
// a library; the included files are checked first in declarations-only
// mode, the numbering is reset, then the main file is checked in full mode.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gscompiler/GSCNode.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSSymbolTable.h"
#include "gscompiler/GSTreePrinter.h"
#include "gscompiler/semantic/GSSemanticPass.h"

namespace GSSemanticTest {

struct SourceFile {
    std::string name;
    std::string text;
};

class Program {
public:
    // Edits a parsed tree before it is walked.
    using TreeEdit = std::function<void(GSCNode* tree)>;

    // `includes` are checked in order in declarations-only mode, then
    // `main` in full mode.
    explicit Program(const std::string& main, const std::vector<SourceFile>& includes = {},
                     const TreeEdit& edit = nullptr) {
        context.symbols.Init();
        for (const auto& include : includes) Check(include, false, nullptr);
        context.symbols.ResetNumbering();
        m_main = Check({"test.gs", main}, true, edit);
    }

    // Every message of the log, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (int i = 0; i < log.Count(); ++i) out.push_back(log.At(i));
        return out;
    }
    int Errors() const { return m_main->errorCount; }
    bool Walked() const { return m_walked; }
    GSCompileUnit& Unit() { return *m_main; }
    GSCompiler::GSSymbolTable& Symbols() { return context.symbols; }

    // The n-th class declaration of the main file.
    GSCNode* Class(int n = 0) {
        GSCNode* node = m_main->tree;
        for (; node; node = node->next)
            if (node->Is(kGSDeclaration, kGSDeclClass) && n-- == 0) return node;
        return nullptr;
    }
    // The n-th member declaration (function or variables) of a class.
    static GSCNode* Member(GSCNode* cls, int n) {
        GSCNode* node = cls ? cls->children[2] : nullptr;
        while (node && n-- > 0) node = node->next;
        return node;
    }
    // The statement list of a function definition's body.
    static GSCNode* Body(GSCNode* function) {
        return function && function->children[3] ? function->children[3]->children[0] : nullptr;
    }

    GSCompileLog log;
    GSCompileContext context;

private:
    GSCompileUnit* Check(const SourceFile& file, bool fullMode, const TreeEdit& edit) {
        auto unit = std::make_unique<GSCompileUnit>();
        unit->Init(&context.symbols, &log);
        unit->fileName = m_names.emplace_back(std::make_unique<std::string>(file.name))->c_str();
        const int parsed = unit->Parse(file.text.data(), static_cast<uint32_t>(file.text.size()));
        EXPECT_EQ(parsed, 0) << file.name << " does not parse:\n" << file.text;
        GSCompiler::GSDependentSymbol* dependent = context.symbols.NewDependent(file.name.c_str());
        EXPECT_TRUE(dependent && context.symbols.Insert(nullptr, false, dependent));
        context.symbols.currentLibrary = dependent;
        context.symbols.unit = unit.get();
        unit->errorCount = 0;
        if (parsed == 0) {
            if (edit) edit(unit->tree);
            GSSemanticPass pass(!fullMode);
            m_walked = pass.Walk(unit->tree, context, *unit);
        }
        m_units.push_back(std::move(unit));
        return m_units.back().get();
    }

    std::vector<std::unique_ptr<std::string>> m_names;
    std::vector<std::unique_ptr<GSCompileUnit>> m_units;
    GSCompileUnit* m_main = nullptr;
    bool m_walked = false;
};

// A class C holding one function "void f()" whose body is `body`, which
// starts on line 4; `members` go before f, on line 2.
inline std::string InFunction(const std::string& body, const std::string& members = "") {
    return "class C {\n" + members + "\nvoid f() {\n" + body + "\n}\n};\n";
}

// The tree of one node, without the nodes chained after it.
inline std::string PrintNode(GSCNode* node) {
    GSCNode* next = node->next;
    node->next = nullptr;
    std::string text = GSPrintTree(node);
    node->next = next;
    return text;
}

}  // namespace GSSemanticTest

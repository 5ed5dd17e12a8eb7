// The runtime's own script library "gs.gs": it parses, it compiles, and its
// native declarations are exactly the natives the machine registers when it
// is set up; the compiled classes have the layout the runtime relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/containers/DoubleLinkList.h"
#include "gscompiler/GSCNode.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompileUnit.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/GSTypes.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSCoreClasses.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/natives/GSBuiltinNatives.h"
#include "gsruntime/support/GSMachineFixture.h"
#include "support/TempDir.h"
#include "support/SourceTree.h"

namespace {

using GSRuntime::kGSBuiltinNativeCount;
using GSRuntime::kGSBuiltinNatives;

std::string SourcePath() {
    return std::filesystem::path(SourceTreePath("src/gsruntime/scripts/gs.gs"))
        .lexically_normal()
        .string();
}

std::string ReadSource() {
    std::ifstream in(SourcePath(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// "Class::Signature" for every row of the machine's table.
std::vector<std::string> RuntimeTable() {
    std::vector<std::string> rows;
    for (uint32_t i = 0; i < kGSBuiltinNativeCount; ++i)
        rows.push_back(std::string(kGSBuiltinNatives[i].className) + " " + kGSBuiltinNatives[i].signature);
    return rows;
}

// Gives the class-typed nodes below `node` their class name, as the
// semantic pass does, so that signatures name classes.
void NameClassTypes(GSCNode* node) {
    for (; node; node = node->next) {
        if (node->Is(kGSDeclaration, kGSDeclType) &&
            (node->subKind == kGSTypeObject || node->subKind == kGSTypeObjectArray) && node->children[0])
            node->className = node->children[0]->Text();
        for (GSCNode* child : node->children) NameClassTypes(child);
    }
}

TEST(GSCoreScript, ParsesAndDeclaresTheRuntimesNatives) {
    const std::string text = ReadSource();
    ASSERT_FALSE(text.empty()) << SourcePath();
    GSCompileLog log;
    GSCompileUnit unit;
    unit.Init(nullptr, &log);
    unit.fileName = "gs.gs";
    ASSERT_EQ(unit.Parse(text.data(), static_cast<uint32_t>(text.size())), 0);
    NameClassTypes(unit.tree);

    std::vector<std::string> classes;
    std::vector<std::string> natives;
    for (const GSCNode* cls = unit.tree; cls; cls = cls->next) {
        if (!cls->Is(kGSDeclaration, kGSDeclClass)) continue;
        const char* name = cls->children[0]->Text();
        classes.push_back(std::string(GSSpecifierText(cls->flags)) + name);
        for (const GSCNode* member = cls->children[2]; member; member = member->next) {
            if (!member->Is(kGSDeclaration, kGSDeclPrototype) || !(member->flags & kGSNative)) continue;
            std::string signature;
            ASSERT_TRUE(GSBuildSignature(name, member, signature, true));
            natives.push_back(std::string(name) + " " + signature);
        }
    }
    EXPECT_EQ(classes, (std::vector<std::string>{"GSObject", "GameObject", "Message", "static Router"}));
    EXPECT_EQ(natives, RuntimeTable());
}

class GSCoreScriptCompiled : public GSTest::MachineTest {};

// Compiled by the compiler, loaded by the runtime: the layout of Message,
// the bases of GameObject, and every native declaration as the machine's
// table gives it.
TEST_F(GSCoreScriptCompiled, CompilerAndRuntimeAgree) {
    VorlexTest::TempDir out;
    GSCompileLog compileLog;
    Utils::DoubleLinkList includes;
    ASSERT_EQ(CompileScriptToFolder(SourcePath().c_str(), (out.Path() + "/").c_str(), includes, &compileLog), 0);
    ASSERT_TRUE(std::filesystem::exists(out / "gs.gsl"));
    std::ifstream in(out / "gs.gsl", std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(Register("gs.gsl", image));

    GSRuntime::GSClass* message = GSRuntime::GetMessageClass();
    GSRuntime::GSClass* gameObject = GSRuntime::GetGameObjectClass();
    ASSERT_NE(message, nullptr);
    ASSERT_NE(gameObject, nullptr);
    EXPECT_EQ(message->BaseCount(), 0u);
    std::vector<int32_t> references;
    for (uint32_t i = 0; i < message->ReferenceMemberCount(); ++i) references.push_back(message->ReferenceMember(i));
    EXPECT_EQ(references, (std::vector<int32_t>{2, 3, 4, 5, 6}));
    EXPECT_TRUE(gameObject->IsA("GSObject"));
    GSRuntime::GSLibrary* library = message->Library();
    ASSERT_NE(library->FindClass("Router"), nullptr);
    EXPECT_TRUE(library->FindClass("Router")->Flags() & kGSStatic);

    std::vector<std::string> natives;
    for (const char* name : {"GSObject", "GameObject", "Router"}) {
        const GSRuntime::GSClass* cls = library->FindClass(name);
        ASSERT_NE(cls, nullptr) << name;
        for (uint32_t i = 0; i < cls->FunctionCount(); ++i) {
            const GSRuntime::GSFunction* function = cls->GetFunction(i);
            if (function->IsNative()) natives.push_back(std::string(name) + " " + function->signature);
        }
    }
    EXPECT_EQ(natives, RuntimeTable());
    // The machine's own native is bound at link.
    const GSRuntime::GSFunction* className = library->FindClass("GSObject")->GetFunction(0);
    EXPECT_NE(className->native, nullptr);
}

}  // namespace

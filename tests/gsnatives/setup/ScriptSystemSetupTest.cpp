// The one-time script-system set-up against a "libraries" folder of the
// shipped libraries: what it binds, what it registers, and that its first
// result is the one every later call gets. Each test runs in a process of
// its own, so each sees the set-up's first call.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/support/GSTestSupport.h"

namespace {

using GSNatives::ScriptClass;

int32_t NativeCount() { return GSRuntime::GSMachine::Instance()->Natives().Count(); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ScriptSystemSetup, WithEveryLibraryEveryClassIsBoundAndASecondCallRegistersNothing) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll(), "");
    GSTest::LogCapture log;

    EXPECT_TRUE(GSNatives::InitializeScriptSystem());
    ASSERT_NE(GSNatives::GetGameObjectClass(), nullptr);
    EXPECT_TRUE(GSNatives::GetGameObjectClass()->IsA("GSObject"));
    for (uint32_t i = 0; i < GSNatives::kScriptClassCount; ++i) {
        const auto which = static_cast<ScriptClass>(i);
        GSRuntime::GSClass* cls = GSNatives::GetScriptClass(which);
        ASSERT_NE(cls, nullptr) << GSNatives::GetScriptClassSource(which).className;
        EXPECT_TRUE(cls->IsA(GSNatives::GetScriptClassSource(which).className));
    }
    EXPECT_TRUE(GSNatives::GetScriptClass(ScriptClass::Library)->IsA("VorlexGameObject"));
    EXPECT_TRUE(GSNatives::GetScriptClass(ScriptClass::VorlexGameObject)->IsA("PropertyObject"));

    const int32_t natives = NativeCount();
    EXPECT_TRUE(GSNatives::InitializeScriptSystem());
    EXPECT_EQ(NativeCount(), natives);
}

// Every native a shipped library declares is registered by the set-up (a
// declaration without one is reported when its library links), and every
// native the set-up registers is declared by a shipped library with the
// same signature text.
TEST(ScriptSystemSetup, DeclaredAndRegisteredNativesMatch) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll(), "");
    GSTest::LogCapture log;
    ASSERT_TRUE(GSNatives::InitializeScriptSystem());

    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    std::string images;
    for (const std::string& source : libraries.Sources()) {
        const std::string library = source.substr(0, source.size() - 3) + ".gsl";
        EXPECT_NE(machine->GetLibraryByName(library.c_str()), nullptr) << library;
        images += ReadFile(libraries.LibrariesFolder() + "/" + library);
    }
    for (const std::string& line : GSTest::LogCapture::Lines())
        EXPECT_EQ(line.find("Could not resolve native link"), std::string::npos) << line;

    Utils::IDoubleLinkList& natives = machine->Natives();
    ASSERT_GT(natives.Count(), 0);
    std::map<std::string, int> perClass;
    for (Utils::IDoubleLinkListNode* node = natives.Begin(); node != natives.End(); node = node->Next()) {
        const auto* native = static_cast<const GSRuntime::GSNativeFunction*>(node);
        const std::string signature = native->Signature().c_str();
        EXPECT_NE(images.find(signature), std::string::npos) << signature;
        // A wrapper links only under the class its signature names.
        const std::string className = native->ClassName().c_str();
        EXPECT_NE(signature.find("@" + className + "::"), std::string::npos) << signature;
        ++perClass[className];
    }
    // The groups of the product context (with the five asset searches), its
    // game objects and its tokens.
    EXPECT_EQ(perClass["VorlexScriptBase"], 20);
    EXPECT_EQ(perClass["VorlexGameObject"], 5);
    EXPECT_EQ(perClass["SecurityToken"], 1);
}

// Each native class registers exactly the natives its shipped library
// declares: as many under its class name as the source has native
// declarations (the test above makes sure their texts match).
TEST(ScriptSystemSetup, EachObjectClassRegistersEveryNativeItsLibraryDeclares) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll(), "");
    GSTest::LogCapture log;
    ASSERT_TRUE(GSNatives::InitializeScriptSystem());

    struct Case {
        const char* source;
        std::set<std::string> classNames;
    };
    const Case cases[] = {
        {"kuid.gs", {"KUID"}},
        {"Soup.gs", {"Soup"}},
        {"HTMLBuffer.gs", {"HTMLBuffer", "HTMLBufferStatic"}},
        {"KUIDList.gs", {"KUIDList"}},
        {"StringTable.gs", {"StringTable"}},
        {"Constructors.gs", {"ConstructorsBase"}},
        {"asset.gs", {"Asset"}},
        {"Library.gs", {"Library"}},
        {"OnlineAccess.gs", {"OnlineAccess"}},
        {"OnlineGroup.gs", {"OnlineGroup"}},
    };
    Utils::IDoubleLinkList& natives = GSRuntime::GSMachine::Instance()->Natives();
    for (const Case& c : cases) {
        const std::string text = ReadFile(libraries.ScriptsFolder() + "/" + c.source);
        int declared = 0;
        for (std::size_t at = text.find("public native "); at != std::string::npos;
             at = text.find("public native ", at + 1))
            ++declared;
        int registered = 0;
        for (Utils::IDoubleLinkListNode* node = natives.Begin(); node != natives.End(); node = node->Next())
            registered += c.classNames.count(static_cast<const GSRuntime::GSNativeFunction*>(node)->ClassName().c_str());
        EXPECT_GT(declared, 0) << c.source;
        EXPECT_EQ(registered, declared) << c.source;
    }
}

TEST(ScriptSystemSetup, AMissingClassLibraryFailsTheSetUpForGoodAndLeavesLaterClassesUnbound) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll({"kuid.gs"}), "");
    GSTest::LogCapture log;

    EXPECT_FALSE(GSNatives::InitializeScriptSystem());
    EXPECT_NE(GSNatives::GetGameObjectClass(), nullptr);
    for (uint32_t i = 0; i < GSNatives::kScriptClassCount; ++i)
        EXPECT_EQ(GSNatives::GetScriptClass(static_cast<ScriptClass>(i)), nullptr)
            << GSNatives::GetScriptClassSource(static_cast<ScriptClass>(i)).className;

    // Supplying the library afterwards changes nothing: the first result
    // stands and nothing is registered a second time.
    ASSERT_EQ(libraries.Compile("kuid.gs"), "");
    const int32_t natives = NativeCount();
    EXPECT_FALSE(GSNatives::InitializeScriptSystem());
    EXPECT_EQ(NativeCount(), natives);
    EXPECT_EQ(GSNatives::GetScriptClass(ScriptClass::KUID), nullptr);
}

TEST(ScriptSystemSetup, WithoutTheCoreLibraryNothingIsRegisteredOrBound) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll({"gs.gs"}), "");
    GSTest::LogCapture log;

    EXPECT_FALSE(GSNatives::InitializeScriptSystem());
    EXPECT_EQ(GSNatives::GetGameObjectClass(), nullptr);
    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    EXPECT_EQ(machine->FindNative(Vek::PString("LinkedList"),
                                  Vek::PString("$void@LinkedList::SortInternal(LinkedData[])")),
              nullptr);
}

TEST(ScriptSystemSetup, FindGSClassInLibraryAnswersOnlyForAClassOfThatLibrary) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll(), "");
    GSTest::LogCapture log;
    ASSERT_TRUE(GSNatives::InitializeScriptSystem());
    GSRuntime::GSClass* cls = reinterpret_cast<GSRuntime::GSClass*>(&log);
    EXPECT_TRUE(GSNatives::FindGSClassInLibrary("Vehicle.gsl", "Vehicle", cls));
    ASSERT_NE(cls, nullptr);
    EXPECT_TRUE(cls->IsA("Trackside"));
    EXPECT_FALSE(GSNatives::FindGSClassInLibrary("Vehicle.gsl", "vehicle", cls));
    EXPECT_EQ(cls, nullptr);
    EXPECT_FALSE(GSNatives::FindGSClassInLibrary("Vehicle.gsl", "Signal", cls));
    EXPECT_FALSE(GSNatives::FindGSClassInLibrary("nowhere.gsl", "Vehicle", cls));
    EXPECT_EQ(cls, nullptr);
}

}  // namespace

// These tests need a process in which the machine has not been made yet:
// run each on its own (as ctest does).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gsruntime/GSHeap.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/support/GSImageBuilder.h"
#include "gsruntime/support/GSTestSupport.h"

namespace {

using GSRuntime::GSMachine;
using GSRuntime::GSNativeGroup;

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

class Named : public GSRuntime::GSNativeFunction {
public:
    Named(const char* cls, const char* signature) : GSNativeFunction(Vek::PString(cls), Vek::PString(signature)) {}
    bool Call(GSRuntime::GSObject*, GSRuntime::GSStack*) override { return true; }
};

void RegisterStr(GSMachine& machine) {
    Calls().push_back("Str");
    machine.AddNative(new Named("Str", "$string@Str::Trim(string)"));
}
void RegisterGSObject(GSMachine& machine) {
    Calls().push_back("GSObject");
    // Registration through Instance while Init runs gets the same machine.
    EXPECT_EQ(GSMachine::Instance(), &machine);
    machine.AddNative(new Named("GSObject", "$string@GSObject::GetGSClassName()"));
}
void RegisterRouter(GSMachine&) { Calls().push_back("Router"); }
void RegisterMath(GSMachine&) { Calls().push_back("Math"); }
void RegisterGameObject(GSMachine&) { Calls().push_back("GameObject"); }

int g_threads = 0;
GSRuntime::GSThread* CreateThread() {
    ++g_threads;
    return reinterpret_cast<GSRuntime::GSThread*>(&g_threads);
}
void DestroyThread(GSRuntime::GSThread* thread) {
    EXPECT_EQ(thread, reinterpret_cast<GSRuntime::GSThread*>(&g_threads));
    --g_threads;
}

TEST(GSMachineLifecycle, InitMakesTheStaticThreadAndRunsRegistrarsInOrder) {
    GSMachine::SetNativeRegistrar(GSNativeGroup::Str, &RegisterStr);
    GSMachine::SetNativeRegistrar(GSNativeGroup::GSObject, &RegisterGSObject);
    GSMachine::SetNativeRegistrar(GSNativeGroup::Router, &RegisterRouter);
    GSMachine::SetNativeRegistrar(GSNativeGroup::Math, &RegisterMath);
    GSMachine::SetStaticThreadFactory({&CreateThread, &DestroyThread});

    GSMachine* machine = GSMachine::Instance();
    EXPECT_EQ(GSMachine::Instance(), machine);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"GSObject", "Router", "Math", "Str"}));
    EXPECT_EQ(g_threads, 1);
    EXPECT_NE(machine->GetStaticThread(), nullptr);
    EXPECT_NE(machine->FindNative(Vek::PString("Str"), Vek::PString("$string@Str::Trim(string)")), nullptr);
    EXPECT_EQ(machine->Natives().Count(), 2);

    // Installed after Init: runs at once.
    GSMachine::SetNativeRegistrar(GSNativeGroup::GameObject, &RegisterGameObject);
    EXPECT_EQ(Calls().back(), "GameObject");
}

TEST(GSMachineLifecycle, ShutdownReleasesEverythingOnce) {
    GSMachine* machine = GSMachine::Instance();
    GSTest::TempRoot root;
    GSTest::ImageBuilder image("life.gs", 0x11111111, 0x22222222);
    image.ClassImport(0, "Life");
    image.Class("Life");
    root.Write("life.gsl", image.Build());
    ASSERT_TRUE(machine->AddLibrary(root.Root(), "", "life.gsl", nullptr));
    ASSERT_NE(machine->GetLibraryByName("life.gsl"), nullptr);
    machine->AddNative(new Named("Life", "$void@Life::Go()"));
    EXPECT_GT(GSRuntime::GSMachineHeap().LiveBlocks(), 0);

    machine->Shutdown();
    EXPECT_EQ(GSRuntime::GSMachineHeap().LiveBlocks(), 0);
    EXPECT_EQ(machine->Functions().LiveCount(), 0u);
    EXPECT_EQ(machine->LoadedLibraries().Count(), 0);
    EXPECT_EQ(machine->Natives().Count(), 0);
    EXPECT_EQ(machine->GetStaticThread(), nullptr);
    machine->Shutdown();  // the exit-time call finds nothing left
}

}  // namespace

#include "gsnatives/InitializeScriptSystem.h"

#include "engine/PString.h"
#include "gsnatives/ConstructorsNatives.h"
#include "gsnatives/GSOAsset.h"
#include "gsnatives/GSOHTMLBuffer.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/GSOLibrary.h"
#include "gsnatives/GSOOnlineAccess.h"
#include "gsnatives/GSOOnlineGroup.h"
#include "gsnatives/GSOSecurityToken.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/GSOStringTable.h"
#include "gsnatives/LinkedListNatives.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/ScriptableObject.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsnatives/image/GSOImage.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/interpreter/GSInterpreterSetup.h"
#include "gsruntime/natives/strmath/GSMathNatives.h"
#include "gsruntime/natives/strmath/GSStrNatives.h"
#include "gsruntime/router/GSRouterSetup.h"

namespace GSNatives {

namespace {

constexpr NativeRegistrationStep kSteps[kNativeRegistrationStepCount] = {
    {"KUID", &RegisterKUIDNatives},
    {"Soup", &RegisterSoupNatives},
    {"HTMLBuffer", &RegisterHTMLBufferNatives},
    {"KUIDList", &RegisterKUIDListNatives},
    {"StringTable", &RegisterStringTableNatives},
    {"Asset", &RegisterAssetNatives},
    {"LinkedList", &RegisterLinkedListNatives},
    {"VorlexGameObject", &RegisterVorlexGameObjectNatives},
    {"OnlineAccess", &RegisterOnlineAccessNatives},
    {"OnlineGroup", &RegisterOnlineGroupNatives},
    {"Library", &RegisterLibraryNatives},
    {"Image", &RegisterImageNatives},
    {"VorlexScriptBase", &RegisterVorlexScriptBaseNatives},
    {"SecurityToken", &RegisterSecurityTokenNatives},
    {"ConstructorsBase", &RegisterConstructorsNatives},
};

bool g_done = false;
bool g_result = false;

bool RunSetUp() {
    GSRuntime::GSInstallInterpreter();
    GSRuntime::GSInstallRouter();
    GSRuntime::GSInstallMathNatives();
    GSRuntime::GSInstallStrNatives();
    GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
    machine->AddLibraryDirectory(Vek::PString("libraries"));

    if (!ResolveGameObjectClass()) return false;
    for (const NativeRegistrationStep& step : kSteps)
        if (step.registrar) step.registrar();
    for (uint32_t i = 0; i < kScriptClassCount; ++i)
        if (!ResolveScriptClass(static_cast<ScriptClass>(i))) return false;
    return true;
}

}  // namespace

const NativeRegistrationStep* GetNativeRegistrationSteps() { return kSteps; }

bool InitializeScriptSystem() {
    if (g_done) return g_result;
    g_done = true;
    g_result = RunSetUp();
    return g_result;
}

}  // namespace GSNatives

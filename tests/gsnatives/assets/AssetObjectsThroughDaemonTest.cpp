// Asset objects of a script context against the built stand-in daemon: a
// KUID the daemon does not know gives no asset, and a favourite set from a
// script reads back as one. Skipped when the stand-in is not built.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/client/StandInDaemonLinkTest.h"
#include "assetdb/requests/VADInstallRequests.h"
#include "engine/File.h"
#include "foundation/results/ResultsLog.h"
#include "gsnatives/GSOAsset.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"

namespace {

using namespace GSRuntime;
using GSNatives::GSOAsset;

const char* const kProbe = R"(include "Vorlex.gs"

class Probe isclass VorlexScriptBase
{
	public Asset Find(KUID kuid) { return FindAsset(kuid); }
	public bool Favourite(Asset asset) { return asset.GetIsFavorite(); }
	public void SetFavourite(Asset asset, bool favourite) { asset.SetIsFavorite(favourite); }
};
)";

const KUID kLoco(3, 100, 0);

class AssetObjectsThroughDaemon : public VorlexTest::StandInDaemonLinkTest {
protected:
    void SetUp() override {
        StandInDaemonLinkTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(Open());
        libraries.AddSource("probe.gs", kProbe);
        ASSERT_EQ(libraries.CompileAll(), "");
        ASSERT_TRUE(GSNatives::InitializeScriptSystem());
        probeClass = GSMachine::Instance()->GetLibraryByName("probe.gsl")->FindClass("Probe");
        ASSERT_NE(probeClass, nullptr);
        context = new GSNatives::VorlexScriptContext();
        probe = new GSObject();
        ASSERT_TRUE(probe->BindClass(probeClass, context));
    }
    void TearDown() override {
        delete probe;
        delete context;
        StandInDaemonLinkTest::TearDown();
    }

    // Installs an asset folder holding `config` through the daemon.
    void InstallAsset(const std::string& name, const std::string& config) {
        const std::string folder = m_install / ("incoming/" + name);
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/config.txt") << config;
        Vek::File::Path path(folder.c_str());
        path.Normalise();
        ResultsLog log;
        uint8_t out = 0;
        ASSERT_FALSE(VADInstallFromFolder(path, &log, 0, out, nullptr).IsNull());
    }
    bool Call(const char* signature, std::initializer_list<uint32_t> arguments, uint32_t* result = nullptr) {
        return CallScriptFunction(context, probeClass, GSScriptInstance::FromReference(probe->GetReference()),
                                  signature, result, arguments);
    }
    uint32_t KuidArgument(const KUID& kuid) { return GSNatives::GSOKUID::GetOrCreate(kuid, context)->GetReference(); }
    // The asset a script finds; 0 for null. The caller releases it.
    uint32_t Find(const KUID& kuid) {
        uint32_t result = 0;
        EXPECT_TRUE(Call("$Asset@Probe::Find(KUID)", {KuidArgument(kuid)}, &result));
        return result;
    }
    bool Favourite(uint32_t asset) {
        GSScriptInstance::AddRef(asset);
        uint32_t result = 0;
        EXPECT_TRUE(Call("$bool@Probe::Favourite(Asset)", {asset}, &result));
        return result != 0;
    }

    GSNativesTest::ShippedLibraries libraries;
    GSClass* probeClass = nullptr;
    GSNatives::VorlexScriptContext* context = nullptr;
    GSObject* probe = nullptr;
};

TEST_F(AssetObjectsThroughDaemon, AnUnknownKuidFindsNoAssetAndAFavouriteReadsBack) {
    EXPECT_EQ(Find(KUID(7, 7, 0)), 0u) << "a KUID nobody installed";
    ASSERT_NO_FATAL_FAILURE(InstallAsset("loco", "kuid <kuid:3:100>\nusername \"Loco\"\n"));
    const uint32_t loco = Find(kLoco);
    ASSERT_NE(loco, 0u);
    EXPECT_EQ(dynamic_cast<GSOAsset*>(GSScriptInstance::OwnerOf(loco))->GetKUID(), kLoco);
    EXPECT_FALSE(Favourite(loco));
    for (const bool favourite : {true, false}) {
        SCOPED_TRACE(favourite);
        GSScriptInstance::AddRef(loco);
        ASSERT_TRUE(Call("$void@Probe::SetFavourite(Asset,bool)", {loco, favourite ? 1u : 0u}));
        EXPECT_EQ(Favourite(loco), favourite);
    }
    GSScriptInstance::ReleaseReference(loco);
}

}  // namespace

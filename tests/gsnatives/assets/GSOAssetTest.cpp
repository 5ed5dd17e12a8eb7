// Asset objects and the asset searches as scripts reach them: the shipped
// libraries, a probe class that calls the natives, and an in-process fake
// of the asset-database requests that records what was asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <cstring>

#include "engine/Log.h"
#include "foundation/files/InstallFolders.h"
#include "gsnatives/GSOAsset.h"
#include "gsnatives/GSOKUID.h"
#include "gsnatives/GSOKUIDList.h"
#include "gsnatives/GSOSoup.h"
#include "gsnatives/image/GSOImage.h"
#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsnatives/support/FakeAssetRequests.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSArray.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/support/GSTestSupport.h"
#include "support/TempDir.h"

namespace {

using namespace GSRuntime;
using GSNatives::GSOAsset;

const char* const kProbe = R"(include "Vorlex.gs"

class Probe isclass VorlexScriptBase
{
	public Asset Find(KUID kuid) { return FindAsset(kuid); }
	public KUID[] Search(string category, bool localOnly) { return SearchAssets(category, localOnly); }
	public Asset[] List(string kind) { return GetAssetList(kind); }
	public Asset[] ListOfType(string kind, string type) { return GetAssetList(kind, type); }
	public Asset[] Updated(void) { return FindUpdatedAssets(); }
	public string Name(Asset asset) { return asset.GetLocalisedName(); }
	public bool Supports(Asset asset, float build) { return asset.SupportsVorlexBuildVersion(build); }
	public bool Favourite(Asset asset) { return asset.GetIsFavorite(); }
	public void SetFavourite(Asset asset, bool favourite) { asset.SetIsFavorite(favourite); }
	public Asset Table(Asset asset, string name) { return asset.FindAsset(name); }
	public KUID TableKUID(Asset asset, string name) { return asset.LookupKUIDTable(name); }
	public Soup Config(Asset asset) { return asset.GetConfigSoup(); }
	public Soup RuleData(Asset asset, string name) { return asset.GetSessionRuleData(name); }
	public Image Image(Asset asset, string name) { return asset.LoadImage(name); }
	public string Kuid(Asset asset) { return asset.GetKUID().GetLogString(); }
	public StringTable Strings(Asset asset) { return asset.GetStringTable(); }
	public KUIDList Dependencies(Asset asset) { return asset.GetDependencyList(); }
};
)";

const KUID kLoco(10, 100, 0);
const KUID kOldWagon(10, 200, 0);
const KUID kNewWagon(10, 200, 3);
const KUID kGone(10, 300, 0);

// A context that admits every asset but one.
class RefusingContext : public GSNatives::VorlexScriptContext {
public:
    bool Query(const KUID& asset) override { return asset != kLoco; }
};

class AssetObjects : public ::testing::Test {
protected:
    void SetUp() override {
        libraries.AddSource("probe.gs", kProbe);
        ASSERT_EQ(libraries.CompileAll(), "");
        ASSERT_TRUE(GSNatives::InitializeScriptSystem());
        probeClass = GSMachine::Instance()->GetLibraryByName("probe.gsl")->FindClass("Probe");
        ASSERT_NE(probeClass, nullptr);
        requests.AddAsset(kLoco, "Loco");
        requests.AddAsset(kNewWagon, "Wagon");
        requests.resolutions[kOldWagon] = kNewWagon;
        requests.resolutions[kGone] = KUID();
        UseContext(new GSNatives::VorlexScriptContext());
    }
    void TearDown() override { EndContext(); }

    void UseContext(GSNatives::VorlexScriptContext* made) {
        context = made;
        probe = new GSObject();
        ASSERT_TRUE(probe->BindClass(probeClass, context));
    }
    void EndContext() {
        delete probe;
        probe = nullptr;
        delete context;
        context = nullptr;
    }

    // Runs a probe method; false when it fails (a script exception).
    bool Call(const char* signature, std::initializer_list<uint32_t> arguments, uint32_t* result = nullptr) {
        return CallScriptFunction(context, probeClass, GSScriptInstance::FromReference(probe->GetReference()),
                                  signature, result, arguments);
    }
    // A reference argument with a count for the call.
    static uint32_t Pass(GSObject* object) {
        GSScriptInstance::AddRef(object->GetReference());
        return object->GetReference();
    }
    uint32_t Text(const char* text) { return (new GSString(context, text))->GetReference(); }
    uint32_t KuidArgument(const KUID& kuid) { return GSNatives::GSOKUID::GetOrCreate(kuid, context)->GetReference(); }
    GSOAsset* Asset(const KUID& kuid) {
        GSOAsset* asset = GSOAsset::GetOrCreate(context, kuid);
        if (asset) GSScriptInstance::ReleaseReference(asset->GetReference());  // the cache keeps it
        return asset;
    }
    // The KUIDs of a returned array of KUID or Asset objects, released.
    static std::string Kuids(uint32_t array) {
        const GSArray* list = GSArray::FromReference(array);
        if (!list) return "null";
        std::string text;
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            GSDataRef element = 0;
            list->GetElementReference(i, element, false);
            GSObjectReference* owner = element ? GSScriptInstance::OwnerOf(element) : nullptr;
            if (!text.empty()) text += ",";
            if (auto* asset = dynamic_cast<GSOAsset*>(owner))
                text += asset->GetKUID().ToTagString().c_str();
            else if (auto* kuid = dynamic_cast<GSNatives::GSOKUID*>(owner))
                text += kuid->GetKUID().ToTagString().c_str();
            else
                text += "hole";
        }
        GSScriptInstance::ReleaseReference(array);
        return text;
    }
    static std::string TextOf(uint32_t reference) {
        const GSString* text = GSString::FromReference(reference);
        std::string result = text ? text->c_str() : "null";
        GSScriptInstance::ReleaseReference(reference);
        return result;
    }

    GSNativesTest::ShippedLibraries libraries;
    GSNativesTest::FakeAssetRequests requests;
    GSTest::LogCapture log;
    GSClass* probeClass = nullptr;
    GSNatives::VorlexScriptContext* context = nullptr;
    GSObject* probe = nullptr;
};

TEST_F(AssetObjects, OneObjectPerInstalledKUIDAndResolutionsAreRemembered) {
    GSOAsset* loco = Asset(kLoco);
    ASSERT_NE(loco, nullptr);
    EXPECT_EQ(Asset(kLoco), loco);
    // An older version reaches the installed one, cached under that KUID.
    GSOAsset* wagon = Asset(kOldWagon);
    ASSERT_NE(wagon, nullptr);
    EXPECT_EQ(wagon->GetKUID(), kNewWagon);
    EXPECT_EQ(Asset(kNewWagon), wagon);
    requests.resolved.clear();
    EXPECT_EQ(Asset(kOldWagon), wagon);
    EXPECT_TRUE(requests.resolved.empty()) << "reached again without asking the daemon";
    EXPECT_EQ(GSOAsset::CachedCount(context), 2u);
    EXPECT_EQ(GSOAsset::GetOrCreate(context, KUID()), nullptr);
}

TEST_F(AssetObjects, AKUIDThatIsNotInstalledStaysNullUntilAContextEnds) {
    EXPECT_EQ(Asset(kGone), nullptr);
    requests.resolved.clear();
    EXPECT_EQ(Asset(kGone), nullptr);
    EXPECT_TRUE(requests.resolved.empty());
    // The asset is installed now; the end of another context forgets the
    // old answer.
    requests.resolutions.erase(kGone);
    requests.AddAsset(kGone, "Back");
    EXPECT_EQ(Asset(kGone), nullptr);
    delete new GSNatives::VorlexScriptContext();
    ASSERT_NE(Asset(kGone), nullptr);
    EXPECT_EQ(requests.resolved.size(), 1u);
}

TEST_F(AssetObjects, AnAssetTheContextRefusesIsNeverMadeAndEndingAContextDropsItsObjects) {
    EndContext();
    UseContext(new RefusingContext());
    EXPECT_EQ(Asset(kLoco), nullptr);
    EXPECT_NE(Asset(kNewWagon), nullptr);
    EXPECT_EQ(GSOAsset::CachedCount(context), 1u);
    ASSERT_NE(GSNatives::GSOKUID::GetOrCreate(kLoco, context), nullptr);
    const std::size_t kuids = GSNatives::GSOKUID::CacheSize();
    GSRuntime::GSContext* ended = context;
    EndContext();
    EXPECT_EQ(GSOAsset::CachedCount(ended), 0u);
    EXPECT_EQ(GSNatives::GSOKUID::CacheSize(), kuids - 1) << "the KUID objects go with the context";
    UseContext(new GSNatives::VorlexScriptContext());
}

// A context that is no product context has no asset cache to purge: its
// objects end with its instances, and the cache forgets them then instead of
// handing them out again to a later context at the same address.
TEST_F(AssetObjects, ObjectsOfAPlainContextLeaveTheCacheWhenTheContextEnds) {
    GSRuntime::GSContext* plain = new GSRuntime::GSContext(false, false);
    for (const KUID& kuid : {kLoco, kNewWagon}) {
        GSOAsset* asset = GSOAsset::GetOrCreate(plain, kuid);
        ASSERT_NE(asset, nullptr);
        GSScriptInstance::ReleaseReference(asset->GetReference());
    }
    EXPECT_EQ(GSOAsset::CachedCount(plain), 2u);
    delete plain;
    EXPECT_EQ(GSOAsset::CachedCount(plain), 0u);
    // The product context's own objects stay.
    ASSERT_NE(Asset(kLoco), nullptr);
    EXPECT_EQ(GSOAsset::CachedCount(context), 1u);
}

TEST_F(AssetObjects, InformationIsAskedOnceUntilTheFavouriteChanges) {
    GSOAsset* loco = Asset(kLoco);
    uint32_t result = 0;
    ASSERT_TRUE(Call("$string@Probe::Name(Asset)", {Pass(loco)}, &result));
    EXPECT_EQ(TextOf(result), "Loco");
    ASSERT_TRUE(Call("$bool@Probe::Favourite(Asset)", {Pass(loco)}, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(requests.infoCalls, 1);
    EXPECT_EQ(requests.lastDetail, -1);
    ASSERT_TRUE(Call("$void@Probe::SetFavourite(Asset,bool)", {Pass(loco), 1}));
    ASSERT_TRUE(Call("$bool@Probe::Favourite(Asset)", {Pass(loco)}, &result));
    EXPECT_EQ(result, 1u) << "the daemon's new record";
    EXPECT_EQ(requests.infoCalls, 2);
}

TEST_F(AssetObjects, BuildSupportAndFavouriteTables) {
    const struct {
        float build;
        uint8_t found;
        float asked;
        bool supported;
    } builds[] = {
        {3.5f, 1, 3.5f, true}, {3.49f, 1, 3.5f, false}, {3.6f, 1, 3.5f, true},
        {3.5f, 0, 1.0f, false},  // the daemon did not find the asset
        {3.5f, 1, 1e20f, false},  // far beyond the integer range
        {3.5f, 1, -1e20f, true},
    };
    for (const auto& c : builds) {
        SCOPED_TRACE(std::to_string(c.build) + " asked " + std::to_string(c.asked));
        requests.infos[kLoco].build = c.build;
        requests.infos[kLoco].found = c.found;
        GSOAsset* loco = Asset(kLoco);
        loco->EnsureInfo() = requests.infos[kLoco];
        uint32_t result = 7;
        uint32_t bits;
        std::memcpy(&bits, &c.asked, sizeof bits);
        ASSERT_TRUE(Call("$bool@Probe::Supports(Asset,float)", {Pass(loco), bits}, &result));
        EXPECT_EQ(result != 0, c.supported);
    }
    for (int rating : {0, 1, 2, 3, 4, 5, 255}) {
        SCOPED_TRACE(rating);
        GSOAsset* loco = Asset(kLoco);
        loco->EnsureInfo().localRating = static_cast<uint8_t>(rating);
        uint32_t result = 7;
        ASSERT_TRUE(Call("$bool@Probe::Favourite(Asset)", {Pass(loco)}, &result));
        EXPECT_EQ(result != 0, rating == 4 || rating == 5);
    }
}

TEST_F(AssetObjects, KUIDTablesAndTheLockedConfiguration) {
    SoupHandle config;
    SoupHandle table;
    table.SetKUID(Vek::PString("wagon"), kOldWagon);
    SoupHandle optional;
    optional.SetKUID(Vek::PString("spare"), kNewWagon);
    SoupHandle rules;
    SoupHandle session;
    session.SetInt(Vek::PString("speed"), 3);
    rules.SetContainer(Vek::PString("session"), session);
    config.SetContainer(Vek::PString("kuid-table"), table);
    config.SetContainer(Vek::PString("optional-kuid-table"), optional);
    config.SetContainer(Vek::PString("rule-data"), rules);
    requests.configs[kLoco] = config;
    GSOAsset* loco = Asset(kLoco);

    uint32_t result = 0;
    ASSERT_TRUE(Call("$Asset@Probe::Table(Asset,string)", {Pass(loco), Text("WAGON")}, &result));
    EXPECT_EQ(GSScriptInstance::OwnerOf(result), Asset(kNewWagon));
    GSScriptInstance::ReleaseReference(result);
    ASSERT_TRUE(Call("$Asset@Probe::Table(Asset,string)", {Pass(loco), Text("spare")}, &result));
    EXPECT_EQ(GSScriptInstance::OwnerOf(result), Asset(kNewWagon)) << "found in optional-kuid-table";
    GSScriptInstance::ReleaseReference(result);

    for (const char* signature : {"$Asset@Probe::Table(Asset,string)", "$KUID@Probe::TableKUID(Asset,string)"}) {
        SCOPED_TRACE(signature);
        GSTest::LogCapture::Clear();
        EXPECT_FALSE(Call(signature, {Pass(loco), Text("Missing")}, &result));
        bool raised = false;
        for (const std::string& line : GSTest::LogCapture::Lines())
            raised |= line.find("Asset.LookupKUIDTable> unable to find 'missing' in kuid-table") != std::string::npos;
        EXPECT_TRUE(raised);
    }

    ASSERT_TRUE(Call("$Soup@Probe::Config(Asset)", {Pass(loco)}, &result));
    auto* soup = dynamic_cast<GSNatives::GSOSoup*>(GSScriptInstance::OwnerOf(result));
    ASSERT_NE(soup, nullptr);
    EXPECT_TRUE(soup->IsLocked());
    EXPECT_TRUE(soup->GetSoup() == config);
    GSScriptInstance::ReleaseReference(result);

    ASSERT_TRUE(Call("$Soup@Probe::RuleData(Asset,string)", {Pass(loco), Text("Session")}, &result));
    soup = dynamic_cast<GSNatives::GSOSoup*>(GSScriptInstance::OwnerOf(result));
    ASSERT_NE(soup, nullptr);
    EXPECT_TRUE(soup->IsLocked());
    EXPECT_EQ(soup->GetSoup().GetInt(Vek::PString("speed"), 0), 3);
    GSScriptInstance::ReleaseReference(result);
    ASSERT_TRUE(Call("$Soup@Probe::RuleData(Asset,string)", {Pass(loco), Text("other")}, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(requests.configCalls, 1) << "the configuration is kept";
}

TEST_F(AssetObjects, ImageNamesThatLeaveTheAssetFolderAreRefused) {
    GSOAsset* loco = Asset(kLoco);
    for (const char* name : {"../../x.tga", "..\\x.tga", "/etc/x.tga", "art/../../x.tga"}) {
        SCOPED_TRACE(name);
        uint32_t result = 7;
        ASSERT_TRUE(Call("$Image@Probe::Image(Asset,string)", {Pass(loco), Text(name)}, &result));
        EXPECT_EQ(result, 0u);
    }
    EXPECT_EQ(requests.locationCalls, 0) << "refused before the daemon is asked";
    VorlexTest::TempDir install;
    SetInstallationFolders(install.Path().c_str());
    // A 3 x 2 picture in the asset's folder loads under its name in any
    // letter case; a name that is not there gives null.
    const std::string art = install.Path() + "/UserData/local/" + kLoco.ToFolderName().c_str() + "/art";
    std::filesystem::create_directories(art);
    {
        std::ofstream tga(art + "/icon.tga", std::ios::binary);
        const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0x28};
        tga.write(reinterpret_cast<const char*>(header), sizeof header);
        const uint32_t pixel = 0xFF204060u;
        for (int i = 0; i < 6; ++i) tga.write(reinterpret_cast<const char*>(&pixel), 4);
    }
    uint32_t result = 0;
    ASSERT_TRUE(Call("$Image@Probe::Image(Asset,string)", {Pass(loco), Text("art/Icon.TGA")}, &result));
    ASSERT_NE(result, 0u);
    auto* image = dynamic_cast<GSNatives::GSOImage*>(GSScriptInstance::OwnerOf(result));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->GetBitmap(), nullptr);
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 3);
    EXPECT_EQ(image->GetBitmap()->GetHeight(), 2);
    GSScriptInstance::ReleaseReference(result);
    result = 7;
    ASSERT_TRUE(Call("$Image@Probe::Image(Asset,string)", {Pass(loco), Text("art/none.tga")}, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(requests.locationCalls, 2);

    Vek::File::Path path;
    const Vek::PString local("local");
    const Vek::File::Path folder("kuid 10 100");
    EXPECT_TRUE(GSNatives::BuildAssetImagePath(local, folder, "art/icon.tga", path));
    EXPECT_EQ(path.Str(), install.Path() + "/UserData/local/kuid 10 100/art/icon.tga");
    EXPECT_FALSE(GSNatives::BuildAssetImagePath(local, folder, "../x.tga", path));
    EXPECT_TRUE(path.IsEmpty());
    SetInstallationFolders("");
}

TEST_F(AssetObjects, SearchesSendTheirFilterAndAnswerArraysWithoutHoles) {
    requests.searchAnswer.Add(kLoco);
    requests.searchAnswer.Add(kGone);  // not installed: no asset object
    requests.searchAnswer.Add(kOldWagon);
    uint32_t result = 0;
    ASSERT_TRUE(Call("$KUID[]@Probe::Search(string,bool)", {Text("trains"), 0}, &result));
    EXPECT_EQ(Kuids(result), "<kuid:10:100>,<kuid:10:300>,<kuid:10:200>") << "KUID objects need no installed asset";
    ASSERT_TRUE(Call("$Asset[]@Probe::List(string)", {Text("Bridge")}, &result));
    EXPECT_EQ(Kuids(result), "<kuid:10:100>,<kuid2:10:200:3>");
    ASSERT_TRUE(Call("$Asset[]@Probe::ListOfType(string,string)", {Text("bridge"), Text("tunnels")}, &result));
    EXPECT_EQ(Kuids(result), "<kuid:10:100>,<kuid2:10:200:3>");
    requests.latest[kLoco] = kNewWagon;
    ASSERT_TRUE(Call("$Asset[]@Probe::Updated()", {}, &result));
    EXPECT_EQ(Kuids(result), "<kuid2:10:200:3>,<kuid2:10:200:3>");

    ASSERT_EQ(requests.searches.size(), 4u);
    EXPECT_EQ(requests.searches[0], "listing-privilege:true, not obsolete, compatible:true, category-list:TRAINS");
    EXPECT_EQ(requests.searches[1],
              "local:true, locally-available:true, locally-enabled:true, listing-privilege:true, not obsolete, "
              "compatible:true, not faulty, category-list:SPLN;BRG");
    EXPECT_EQ(requests.searches[2],
              "local:true, locally-available:true, locally-enabled:true, listing-privilege:true, not obsolete, "
              "compatible:true, category-list:SPLN;BRG;#TUNNELS");
    EXPECT_EQ(requests.searches[3], "local:true, not obsolete, not up-to-date");
}

TEST_F(AssetObjects, AnUnknownKindNeverAsksTheDaemonAndGivesAnEmptyArray) {
    VorlexTest::TempDir dir;
    Vek::Log::Init(("-LogFile=" + (dir / "log.txt") + " ").c_str());
    requests.searchAnswer.Add(kLoco);
    uint32_t result = 0;
    ASSERT_TRUE(Call("$Asset[]@Probe::List(string)", {Text("No-Such-Kind")}, &result));
    EXPECT_EQ(Kuids(result), "");
    ASSERT_TRUE(Call("$Asset[]@Probe::ListOfType(string,string)", {Text("no-such-kind"), Text("x")}, &result));
    EXPECT_EQ(Kuids(result), "");
    EXPECT_TRUE(requests.searches.empty());
    Vek::Log::Shutdown();
    std::ifstream in(dir / "log.txt");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("World.GetAssetList> warning: found zero assets of type 'no-such-kind'"), std::string::npos);
}

TEST_F(AssetObjects, FindAssetGivesTheContextsObject) {
    uint32_t result = 0;
    ASSERT_TRUE(Call("$Asset@Probe::Find(KUID)", {KuidArgument(kOldWagon)}, &result));
    EXPECT_EQ(GSScriptInstance::OwnerOf(result), Asset(kNewWagon));
    GSScriptInstance::ReleaseReference(result);
    ASSERT_TRUE(Call("$Asset@Probe::Find(KUID)", {KuidArgument(kGone)}, &result));
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(Call("$Asset@Probe::Find(KUID)", {0}, &result)) << "null object at parameter 1";
}

TEST_F(AssetObjects, KUIDStringTableAndDependencies) {
    GSOAsset* wagon = Asset(kOldWagon);
    uint32_t result = 0;
    ASSERT_TRUE(Call("$string@Probe::Kuid(Asset)", {Pass(wagon)}, &result));
    EXPECT_EQ(TextOf(result), "<kuid2:10:200:3>") << "the installed KUID";
    ASSERT_TRUE(Call("$StringTable@Probe::Strings(Asset)", {Pass(wagon)}, &result));
    EXPECT_EQ(result, 0u) << "no base AssetSpec, no string table";
    requests.dependencies[kNewWagon] = {kLoco, kGone};
    ASSERT_TRUE(Call("$KUIDList@Probe::Dependencies(Asset)", {Pass(wagon)}, &result));
    auto* list = dynamic_cast<GSNatives::GSOKUIDList*>(GSScriptInstance::OwnerOf(result));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->IsLocked());
    EXPECT_EQ(list->GetList().Count(), 2u);
    GSScriptInstance::ReleaseReference(result);
}

}  // namespace

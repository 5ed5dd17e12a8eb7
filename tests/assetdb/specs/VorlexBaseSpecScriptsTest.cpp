// The script side of VorlexBaseSpec: caching an asset's compiled scripts,
// the kind check of its script class, and the kind to category-class table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/specs/VorlexBaseSpec.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/results/ResultsLog.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/ScriptSourceFile.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

const KUID kAsset(523401, 1001, 0);

// An installation whose user data folder holds the cache, and an asset
// folder with script sources.
class CachedScripts : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_dir / "install/UserData/cache");
        fs::create_directories(Folder());
        SetInstallationFolders((m_dir / "install").c_str());
    }
    void TearDown() override { SetInstallationFolders(""); }

    std::string Folder() const { return m_dir / "asset"; }
    std::string CacheFolder() const { return m_dir / ("install/UserData/cache/libraries/" + std::string(kAsset.ToFolderName().c_str())); }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(Folder() + "/" + name) << text; }
    void WritePacked(const std::string& name, const std::string& text) const {
        Write(name + ".tmp.gs", text);
        ScriptSourceFile source;
        ASSERT_TRUE(source.Load("", (Folder() + "/" + name + ".tmp.gs").c_str()));
        ASSERT_TRUE(source.Pack());
        ASSERT_TRUE(source.Save("", (Folder() + "/" + name).c_str()));
        fs::remove(Folder() + "/" + name + ".tmp.gs");
    }
    std::vector<std::string> CachedFiles() const {
        std::vector<std::string> names;
        if (fs::exists(CacheFolder()))
            for (const auto& entry : fs::directory_iterator(CacheFolder())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A fresh spec caching the folder with `primary` as its primary source.
    bool Cache(ResultsLog& log, const std::string& primary = "thing.gs") {
        VorlexBaseSpec spec(Vek::PString(), m_dir.Path().c_str(), kAsset, SoupHandle(), "asset");
        const bool result = spec.CacheScripts(Vek::PString(), Vek::File::Path(Folder().c_str()),
                                              Vek::File::Path((Folder() + "/" + primary).c_str()), &log);
        id = spec.GetLibraryId();
        return result;
    }
    static bool HasEntry(ResultsLog& log, const std::string& text) {
        for (uint32_t i = 0; i < log.GetEntryCount(); ++i)
            if (log.GetEntry(i).text.c_str() == text && log.GetEntry(i).severity == 3) return true;
        return false;
    }

    VorlexTest::TempDir m_dir;
    GSRuntime::GSLibraryId id;
};

const char* const kThing = "class Thing\n{\n\tpublic int count;\n};\n";

TEST_F(CachedScripts, CompilesOnceAndRegistersFromTheCacheAfterwards) {
    Write("thing.gs", kThing);
    ResultsLog first;
    ASSERT_TRUE(Cache(first)) << (first.GetEntryCount() ? first.GetEntry(0).text.c_str() : "");
    ASSERT_EQ(CachedFiles().size(), 1u);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%08x%08x.gsl", id.a, id.b);
    EXPECT_EQ(CachedFiles()[0], expected);
    GSRuntime::GSLibrary* library = GSRuntime::GSMachine::Instance()->GetLibrary(id);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(library->FindClass("Thing"), nullptr);

    // The cached file is used as it is: a second spec does not rewrite it.
    const auto written = fs::last_write_time(CacheFolder() + "/" + expected);
    fs::last_write_time(CacheFolder() + "/" + expected, written - std::chrono::hours(1));
    ResultsLog second;
    const GSRuntime::GSLibraryId before = id;
    ASSERT_TRUE(Cache(second));
    EXPECT_EQ(id, before);
    EXPECT_EQ(fs::last_write_time(CacheFolder() + "/" + expected), written - std::chrono::hours(1));

    // A changed source gives a new library next to the old one.
    Write("thing.gs", std::string(kThing) + "// changed\n");
    ResultsLog third;
    ASSERT_TRUE(Cache(third));
    EXPECT_NE(id.a, before.a);
    EXPECT_EQ(id.b, before.b);
    EXPECT_EQ(CachedFiles().size(), 2u);
}

TEST_F(CachedScripts, APackedAndAPlainSourceOfOneNameShareTheNameCrc) {
    WritePacked("thing.gse", kThing);
    ResultsLog packed;
    ASSERT_TRUE(Cache(packed));
    const GSRuntime::GSLibraryId fromPacked = id;
    ASSERT_NE(fromPacked.b, 0u);

    // Both present with one text: one library, found for the primary source.
    Write("thing.gs", kThing);
    ResultsLog both;
    EXPECT_TRUE(Cache(both));
    EXPECT_EQ(id, fromPacked);
    EXPECT_EQ(CachedFiles().size(), 1u);

    // With different texts and nothing cached, the compile by the shared
    // name finds the plain source, so the packed one's library comes out
    // with the plain one's content CRC.
    Write("thing.gs", std::string(kThing) + "// other\n");
    fs::remove_all(CacheFolder());
    ResultsLog differ;
    EXPECT_FALSE(Cache(differ));
    bool mismatch = false;
    for (uint32_t i = 0; i < differ.GetEntryCount(); ++i)
        mismatch |= std::string(differ.GetEntry(i).text.c_str()).find("CRC Mismatch on '") == 0;
    EXPECT_TRUE(mismatch);
}

TEST_F(CachedScripts, AMissingPrimarySourceAndSyntaxErrorsAreErrorEntries) {
    Write("other.gs", kThing);
    ResultsLog missing;
    EXPECT_FALSE(Cache(missing));
    ASSERT_EQ(missing.GetEntryCount(), 1u);
    EXPECT_EQ(std::string(missing.GetEntry(0).text.c_str()),
              "Unable to locate primary script source file '" + Folder() + "/thing.gs'");

    Write("thing.gs", "class Thing\n{\n\tpublic int count\n};\n");
    ResultsLog broken;
    EXPECT_FALSE(Cache(broken));
    ASSERT_GE(broken.GetErrorCount(), 1);
    EXPECT_NE(std::string(broken.GetEntry(0).text.c_str()).find("thing.gs("), std::string::npos)
        << broken.GetEntry(0).text.c_str();
    // The primary source was not found, but that is not reported on top of
    // the compile errors.
    for (uint32_t i = 0; i < broken.GetEntryCount(); ++i)
        EXPECT_EQ(std::string(broken.GetEntry(i).text.c_str()).find("Unable to locate"), std::string::npos);
}

TEST(ScriptClassKind, TheClassMustDeriveFromTheBasesOfTheAssetsKind) {
    VorlexTest::TempDir dir;
    const std::string source = dir / "kinds.gs";
    std::ofstream(source) << "class Trackside { };\nclass Vehicle isclass Trackside { };\n"
                             "class Signal isclass Trackside { };\nclass Loose { };\n"
                             "class BadVehicle { };\nclass Car isclass Vehicle { };\n";
    Utils::DoubleLinkList includes;
    GSCompileLog compileLog;
    ASSERT_EQ(CompileScriptToFolder(source.c_str(), (dir / "kinds.gs").c_str(), includes, &compileLog), 0);
    GSRuntime::GSLibraryId libraryId;
    ASSERT_TRUE(GSRuntime::GSMachine::Instance()->AddLibrary(Vek::PString(), dir.Path().c_str(), "kinds.gsl", &libraryId));
    GSRuntime::GSLibrary* library = GSRuntime::GSMachine::Instance()->GetLibrary(libraryId);
    ASSERT_NE(library, nullptr);

    const char* vehicle = "Script class does not match asset kind (vehicle).";
    const char* trackside = "Script class does not match asset kind (trackside).";
    const char* signal = "Script class does not match asset kind (signal).";
    struct Case {
        const char* cls;
        const char* categoryClass;
        const char* error;  // null: passes
    };
    const Case cases[] = {
        {"Car", "TR;TV;LOCO", nullptr},
        {"Vehicle", "TR;TV", nullptr},
        {"Signal", "TO;?WA", nullptr},
        {"Trackside", "TO", nullptr},
        {"Loose", "SY;SCEN", nullptr},
        {"Loose", "TR;TV", vehicle},
        {"BadVehicle", "TR;TV", vehicle},
        {"Trackside", "TR;TV", vehicle},
        {"Vehicle", "TO", vehicle},
        {"Loose", "TO", trackside},
        {"Signal", "SY", trackside},
        {"Trackside", "TO;?WA", signal},
        {"Signal", "TO", signal},
    };
    for (const Case& c : cases) {
        const GSRuntime::GSClass* cls = library->FindClass(c.cls);
        ASSERT_NE(cls, nullptr) << c.cls;
        const char* error = CheckScriptClassKind(*cls, c.categoryClass);
        EXPECT_STREQ(error, c.error) << c.cls << " as " << c.categoryClass;
    }
}

TEST(KindToCategoryClass, TheFirstRowOfTheKindWhoseTypeWordsAllHoldApplies) {
    struct Case {
        const char* kind;
        const char* type;
        const char* categoryClass;
    };
    const Case cases[] = {
        {"BRIDGE", "Road", "SPLN;BRG"},
        {"bridge", "road;tunnels", "SPLN;TUN"},
        {"bridge", "tunnels;road", "SPLN;TUN"},
        {"bridge", "tunnels", "TK;TUN"},
        {"bridge", "", "SPLN;BRG"},
        {"track", "rails", "TK"},
        {"track", "", "SPLN"},
        {"scenery", "trackside", "TO"},
        {"scenery", "house", "SY;SCEN"},
        {"traincar", "locomotive", "TR;TV;LOCO"},
        {"traincar", nullptr, "TR;TV"},
        {"mosignal", "", "TO;?WA"},
        {"library", "achievementvariable", "SLIB;ACHU"},
        {"achievement-category", "", "ACHC"},
        {"unknown", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(MapKindToCategoryClass(c.kind, c.type).c_str(), c.categoryClass) << c.kind << "/"
                                                                                      << (c.type ? c.type : "null");
}

}  // namespace

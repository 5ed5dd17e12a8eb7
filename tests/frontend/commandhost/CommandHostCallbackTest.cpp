#include "assetdb/specs/SpecRegistry.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "frontend/commandhost/CommandHostCallback.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/client/FrameDaemon.h"
#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/client/CollectGarbageOnMainThread.h"
#include "engine/Log.h"
#include "engine/RenderKernel.h"
#include "engine/ResourceSystem.h"
#include "engine/display/DisplayProfile.h"
#include "engine/resources/PluginEntry.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "frontend/StartupContext.h"
#include "meshes/materials/CreatePlugins.h"
#include "support/ImWriter.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/resources/ResourceTypeRegistry.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/kuid/KUID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/streams/BufferStream.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/textures/CompressAsciiResource.h"

namespace {

const KUID kFirst(1000, 41, 0);
const KUID kSecond(1000, 42, 3);

using VorlexTest::Bytes;

// A KUID in its stream form: the content id, then the packed word.
Bytes& Kuid(Bytes& bytes, const KUID& kuid) {
    return bytes.I32(kuid.GetContentID()).I32(static_cast<int32_t>(kuid.GetPacked()));
}

// A reply taken apart: its size, the log's entries, and a stream over what
// follows them.
struct Reply {
    int32_t size = 0;
    std::vector<std::pair<int32_t, std::string>> entries;
    std::unique_ptr<TBuffer> rest = std::make_unique<TBuffer>();
};

Reply RunJob(const Bytes& job) {
    TBuffer in;
    in.Write(job.Vec().data(), static_cast<int32_t>(job.Vec().size()));
    in.Rewind();
    TBuffer out;
    CommandHostCallback(in, out);
    Reply reply;
    reply.size = out.GetDataSize();
    out.Rewind();
    if (reply.size == 0) return reply;
    ResultsLog log;
    log.ReadEntries(out);
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i)
        reply.entries.emplace_back(log.GetEntry(i).severity, log.GetEntry(i).text.c_str());
    const int32_t at = out.Tell();
    reply.rest->Write(out.GetData() + at, out.GetDataSize() - at);
    reply.rest->Rewind();
    return reply;
}

bool AtEnd(const Reply& reply) { return reply.rest->Tell() == reply.rest->GetDataSize(); }

class CommandHostCallbackTest : public ::testing::Test {
protected:
    void SetUp() override { Vek::Log::Init(("-LogFile=" + LogPath()).c_str()); }
    void TearDown() override { Vek::Log::Shutdown(); }
    std::string LogPath() const { return m_dir / "log.txt"; }
    std::string LogText() {
        Vek::Log::Shutdown();
        std::ifstream in(LogPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    VorlexTest::TempDir m_dir;
};

TEST_F(CommandHostCallbackTest, UnknownAndShortJobsGetAnEmptyReply) {
    struct Case {
        const char* name;
        Bytes job;
        const char* logged;
    };
    Bytes countTooLarge = Bytes().I32(2).I32(5).PStr(m_dir / "b.dat").I32(0x10000000);
    Kuid(countTooLarge, kFirst);
    Bytes oneOfTwo = Bytes().I32(3).I32(5).PStr(m_dir / "c.dat").I32(2);
    Kuid(oneOfTwo, kFirst);
    const std::vector<Case> cases = {
        {"unknown id", Bytes().I32(7), "CommandHostCallback> unsupported commandID=7"},
        {"no id at all", Bytes(), "CommandHostCallback> VAD_CMDHOST_VALIDATE"},
        {"validate without its folder", Bytes().I32(0).PStr("local"), nullptr},
        {"texture convert cut inside its folder", Bytes().I32(1).PStr("local").I32(40).U8('a'), nullptr},
        {"save without its list", Bytes().I32(2).I32(5).PStr(m_dir / "a.dat"), nullptr},
        {"save whose count passes its bytes", countTooLarge, nullptr},
        {"install with one KUID of two", oneOfTwo, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunJob(c.job).size, 0);
    }
    // Nothing was written for the save jobs that were cut short.
    EXPECT_FALSE(std::filesystem::exists(m_dir / "a.dat"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "b.dat"));

    const std::string text = LogText();
    for (const Case& c : cases) {
        if (c.logged) {
            EXPECT_NE(text.find(c.logged), std::string::npos) << c.logged;
        }
    }
    EXPECT_EQ(text.find("CommandHostCallback> complete"), std::string::npos);
}

TEST_F(CommandHostCallbackTest, ValidateJobRunsTheValidationOfTheAssetFolder) {
    // An installation with a "local" location holding one asset folder with
    // a configuration and one without, the shipped script libraries and the
    // spec registry of a database link (an asset that passes its checks has
    // its scripts compiled).
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll(), "");
    CreateSpecRegistry();
    const std::string install = m_dir / "install";
    std::filesystem::create_directories(install + "/UserData/local/with");
    std::filesystem::create_directories(install + "/UserData/local/without");
    // The shipped schema; "with" holds the example asset, "faulty" the same
    // with a tag the schema does not know.
    std::filesystem::create_directories(install + "/bin");
    std::filesystem::copy(SourceTreePath("data/ZIROzod"), install + "/bin/ZIROzod",
                          std::filesystem::copy_options::recursive);
    std::filesystem::copy(SourceTreePath("examples/assets/water-tower/config.txt"),
                          install + "/UserData/local/with/config.txt");
    std::filesystem::create_directories(install + "/UserData/local/faulty");
    std::filesystem::copy(SourceTreePath("examples/assets/water-tower/config.txt"),
                          install + "/UserData/local/faulty/config.txt");
    std::ofstream(install + "/UserData/local/faulty/config.txt", std::ios::app) << "\nmystery 1\n";
    SetInstallationFolders(install.c_str());
    AcquireAssetFolderDatabases();  // the location roots, as start-up makes them
    RecordMainThread();  // the validation runs on the main thread: this one
    TETLib::ErrorHandler::CreateInstance();
    TETLib::DataManager::Create((install + "/bin/ZIROzod/").c_str());

    Reply reply = RunJob(Bytes().I32(0).PStr("local").PStr("with"));
    EXPECT_TRUE(reply.entries.empty());
    uint8_t validated = 0xAA;
    EXPECT_TRUE(reply.rest->ReadByte(validated));
    EXPECT_EQ(validated, 1);
    EXPECT_TRUE(AtEnd(reply));

    // A container finding of the asset reaches the reply as an error.
    reply = RunJob(Bytes().I32(0).PStr("local").PStr("faulty"));
    ASSERT_EQ(reply.entries.size(), 1u);
    EXPECT_EQ(reply.entries[0].first, 3);
    validated = 0xAA;
    EXPECT_TRUE(reply.rest->ReadByte(validated));
    EXPECT_EQ(validated, 0);
    EXPECT_TRUE(AtEnd(reply));

    reply = RunJob(Bytes().I32(0).PStr("local").PStr("without"));
    ASSERT_EQ(reply.entries.size(), 1u);
    EXPECT_EQ(reply.entries[0].first, 3);
    validated = 0xAA;
    EXPECT_TRUE(reply.rest->ReadByte(validated));
    EXPECT_EQ(validated, 0);
    EXPECT_TRUE(AtEnd(reply));

    TETLib::DataManager::Destroy();
    TETLib::ErrorHandler::DestroyInstance();
    ReleaseAssetFolderDatabases();
    SetInstallationFolders("");
    PurgeResourceDatabaseCache();
    DestroySpecRegistry();

    // Without a known installation the folder cannot be placed: not
    // validated, nothing logged, and no result byte ("could not run").
    reply = RunJob(Bytes().I32(0).PStr("local").PStr("with"));
    EXPECT_TRUE(reply.entries.empty());
    EXPECT_TRUE(AtEnd(reply));

    const std::string text = LogText();
    for (const char* line : {"CommandHostCallback> VAD_CMDHOST_VALIDATE", "CommandHostCallback> complete"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(CommandHostCallbackTest, TextureJobConvertsTheFolderAndAnswersWithTheResult) {
    const std::string install = m_dir / "install";
    const std::string asset = install + "/UserData/local/kuid 1000 41";
    std::filesystem::create_directories(asset);
    {
        // A 16x16 opaque TGA and its description.
        std::ofstream image(asset + "/wall.tga", std::ios::binary);
        const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 16, 0, 32, 0x28};
        image.write(reinterpret_cast<const char*>(header), sizeof header);
        const uint32_t pixel = 0xFF204060u;
        for (int i = 0; i < 256; ++i) image.write(reinterpret_cast<const char*>(&pixel), 4);
    }
    std::ofstream(asset + "/wall.texture.txt") << "Primary=wall.tga\n";
    SetInstallationFolders(install.c_str());
    AcquireAssetFolderDatabases();
    RecordMainThread();  // the load and release steps run on this thread
    // As start-up hands it to the engine with the product's resource types.
    Vek::AutoReference<Vek::ResourceTypeBase> type(TETLib::MakeCompressAsciiResourceType());
    Vek::ResourceTypeRegistry::Register(type.Get());

    Reply reply = RunJob(Bytes().I32(1).PStr("local").Str("kuid 1000 41"));
    EXPECT_TRUE(reply.entries.empty());
    int32_t converted = -1;
    EXPECT_TRUE(reply.rest->ReadInt32(converted));
    EXPECT_EQ(converted, 2);
    EXPECT_TRUE(AtEnd(reply));
    EXPECT_TRUE(std::filesystem::exists(asset + "/wall.texture"));
    EXPECT_TRUE(std::filesystem::exists(asset + "/wall.texture.txt"));

    // A folder that is not there: the search fails, result 0.
    reply = RunJob(Bytes().I32(1).PStr("local").Str("kuid 1000 99"));
    ASSERT_EQ(reply.entries.size(), 1u);
    EXPECT_EQ(reply.entries[0], std::make_pair(3, std::string("Unable to search path: 'kuid 1000 99'")));
    converted = -1;
    EXPECT_TRUE(reply.rest->ReadInt32(converted));
    EXPECT_EQ(converted, 0);

    ReleaseAssetFolderDatabases();
    SetInstallationFolders("");
    PurgeResourceDatabaseCache();
    Vek::ResourceTypeRegistry::Unregister(type.Get());

    const std::string text = LogText();
    for (const char* line : {"CommandHostCallback> VAD_CMDHOST_TEXTURECONVERT", "CommandHostCallback> complete"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(CommandHostCallbackTest, ArchiveJobsWithoutAssets) {
    // A save of no assets: a complete stream of 28 bytes, and result 1.
    Reply reply = RunJob(Bytes().I32(2).I32(0x1234).PStr(m_dir / "saved.dat").I32(0));
    EXPECT_TRUE(reply.entries.empty());
    int32_t result = -1;
    EXPECT_TRUE(reply.rest->ReadInt32(result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::filesystem::file_size(m_dir / "saved.dat"), 28u);

    // An install from a file that is not there leaves every KUID.
    Bytes install = Bytes().I32(3).I32(0x1234).PStr(m_dir / "missing.dat").I32(2);
    Kuid(Kuid(install, kFirst), kSecond);
    reply = RunJob(install);
    ASSERT_EQ(reply.entries.size(), 1u);
    EXPECT_EQ(reply.entries[0].second, "$vad_archive_unreadable");
    int32_t left = 0;
    KUID a, b;
    EXPECT_TRUE(reply.rest->ReadInt32(left));
    EXPECT_EQ(left, 2);
    EXPECT_TRUE(reply.rest->ReadKUID(a));
    EXPECT_TRUE(reply.rest->ReadKUID(b));
    EXPECT_EQ(a, kFirst);
    EXPECT_EQ(b, kSecond);

    // A negative count is an empty list.
    reply = RunJob(Bytes().I32(3).I32(0x1234).PStr(m_dir / "saved.dat").I32(-4));
    EXPECT_TRUE(reply.entries.empty());
    EXPECT_TRUE(reply.rest->ReadInt32(left));
    EXPECT_EQ(left, 0);
    EXPECT_TRUE(AtEnd(reply));
}

// The host runs job after job: what a validation loaded (the meshes and the
// textures their materials name) goes when the job ends, so the caches are
// back at their idle size after each job.
TEST_F(CommandHostCallbackTest, ValidationJobsLeaveNoLoadedTexturesBehind) {
    GSNativesTest::ShippedLibraries libraries;
    ASSERT_EQ(libraries.CompileAll(), "");
    CreateSpecRegistry();
    const std::string install = m_dir / "install";
    const std::string asset = install + "/UserData/local/tower";
    std::filesystem::create_directories(asset);
    std::filesystem::create_directories(install + "/bin");
    std::filesystem::copy(SourceTreePath("data/ZIROzod"), install + "/bin/ZIROzod",
                          std::filesystem::copy_options::recursive);
    std::ofstream(asset + "/config.txt")
        << "kuid <kuid:523401:2001>\nkind \"scenery\"\nusername \"Tower\"\ncategory-class \"BH\"\n"
           "category-region \"UK\"\ncategory-era \"1950s\"\nvorlex-build 3.5\nmesh-table\n{\n  default\n  {\n"
           "    mesh \"tower.im\"\n    auto-create 1\n  }\n}\n";
    {
        ImWriter::MeshModel model;
        ImWriter::ChunkModel quad = ImWriter::Quad(1.0f);
        quad.material.textures.push_back({0, "paint.tga", 1.0f});
        model.chunks = {quad};
        const std::vector<uint8_t> mesh = ImWriter::Write(model);
        std::ofstream(asset + "/tower.im", std::ios::binary).write(reinterpret_cast<const char*>(mesh.data()),
                                                                   static_cast<std::streamsize>(mesh.size()));
        std::ofstream image(asset + "/paint.tga", std::ios::binary);
        const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 64, 0, 32, 0x28};
        image.write(reinterpret_cast<const char*>(header), sizeof header);
        const std::string pixels(64 * 64 * 4, '\x7f');
        image.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    }
    SetInstallationFolders(install.c_str());
    AcquireAssetFolderDatabases();
    RecordMainThread();
    // The engine as start-up makes it current for the rest of the program.
    Vek::ResourceSystem system;
    ASSERT_TRUE(system.Init(""));
    Vek::RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.InitWithProfile(Vek::DisplayProfile::OpenGL()));
    Vek::CreateResourceTypes();
    Vek::ResourceSystem::SetCurrent(&system);
    Vek::RenderKernel::SetCurrent(&kernel);
    TETLib::ErrorHandler::CreateInstance();
    TETLib::DataManager::Create((install + "/bin/ZIROzod/").c_str());
    StartupContext context;
    context.resourceSystem = &system;
    context.renderKernel = &kernel;
    TETLib::DataManager::Instance()->Init(context);
    Vek::TextureManager& textures = *kernel.GetTextureManager();
    const std::size_t idleResources = system.CachedCount();

    for (int job = 0; job < 3; ++job) {
        SCOPED_TRACE(job);
        // The mesh and its texture load: nothing is reported of them.
        const Reply reply = RunJob(Bytes().I32(0).PStr("local").PStr("tower"));
        EXPECT_TRUE(reply.entries.empty()) << reply.entries[0].second;
        uint8_t validated = 0xAA;
        EXPECT_TRUE(reply.rest->ReadByte(validated));
        EXPECT_EQ(validated, 1);
        EXPECT_EQ(textures.GetLoadedCount(), 0u);
        EXPECT_EQ(system.CachedCount(), idleResources);
    }

    // Asked for on another thread, the collection waits for the main
    // thread: a texture that was let go stays cached until it runs.
    Vek::TextureResource* held = textures.GetTexture(nullptr, (asset + "/paint.tga").c_str());
    ASSERT_NE(held, nullptr);
    held->ReleaseReference();
    std::size_t freed = 99;
    std::thread other([&] { freed = CollectGarbageOnMainThread(); });
    other.join();
    EXPECT_EQ(freed, 0u);
    EXPECT_TRUE(IsGarbageCollectionPending());
    EXPECT_EQ(textures.GetLoadedCount(), 1u);
    while (CallDispatcher::Instance().RunPendingCall() > 0) {
    }
    EXPECT_FALSE(IsGarbageCollectionPending());
    EXPECT_EQ(textures.GetLoadedCount(), 0u);

    TETLib::DataManager::Destroy();
    TETLib::ErrorHandler::DestroyInstance();
    Vek::RenderKernel::SetCurrent(nullptr);
    Vek::ResourceSystem::SetCurrent(nullptr);
    ReleaseAssetFolderDatabases();
    SetInstallationFolders("");
    PurgeResourceDatabaseCache();
    DestroySpecRegistry();
    Vek::PluginEntry::ReleaseAll();
}

}  // namespace

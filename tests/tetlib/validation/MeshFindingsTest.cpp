// The mesh step of validation: assets whose "mesh-table" names meshes,
// written with the project's own .im writer, validated through
// ValidateAssetAtLocation, and the findings that reach the log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetdb/layout/AssetFolders.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/specs/SpecRegistry.h"
#include "engine/RenderKernel.h"
#include "engine/display/DisplayProfile.h"
#include "engine/animation/KinAnimation.h"
#include "engine/resources/PluginEntry.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/textures/TextureResource.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/StartupContext.h"
#include "meshes/materials/CreatePlugins.h"
#include "support/ImWriter.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/ValidateAssetAtLocation.h"
#include "tetlib/container/Container.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "meshes/lod/VorlexIndexedMeshLODInstance.h"
#include "tetlib/meshdata/LODMeshData.h"
#include "tetlib/meshdata/MeshData.h"
#include "support/AssetToolsSession.h"

namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Bytes(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A 2x2 TGA image (uncompressed, 32 bits).
std::string Tga() {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = 2;
    bytes[14] = 2;
    bytes[16] = 32;
    bytes += std::string(16, '\x7f');
    return bytes;
}

// A compiled texture (".texture") of one 2 x 2 level of 32-bit colour.
std::string CompiledTexture() {
    std::string body = "MMTF";
    const auto u32 = [&body](uint32_t value) {
        for (int i = 0; i < 4; ++i) body += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    for (uint32_t value : {1u, 1u, 0u, 1u, 1u, 2u, 2u, 2u, 16u}) u32(value);  // version .. byte size
    body += std::string(16, '\x7f');
    std::string file = "VIRF";
    for (int i = 0; i < 4; ++i) file += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
    return file + body;
}

// One quad whose material names these textures.
std::string Mesh(const std::vector<std::string>& textures) {
    ImWriter::MeshModel model;
    ImWriter::ChunkModel quad = ImWriter::Quad(1.0f);
    for (const std::string& texture : textures) quad.material.textures.push_back({0, texture, 1.0f});
    model.chunks = {quad};
    return Bytes(ImWriter::Write(model));
}

std::string Configuration(const std::string& mesh, const char* build = "3.5") {
    return "kuid <kuid:523401:2001>\nkind \"scenery\"\nusername \"Mesh case\"\ncategory-class \"BH\"\n"
           "category-region \"UK\"\ncategory-era \"1950s\"\nvorlex-build " +
           std::string(build) + "\nmesh-table\n{\n  default\n  {\n    mesh \"" + mesh +
           "\"\n    auto-create 1\n  }\n}\n";
}

class MeshFindingsTest : public ::testing::Test {
protected:
    MeshFindingsTest() : m_kernel(nullptr, 8.0f) {}

    void SetUp() override {
        RecordMainThread();
        ASSERT_TRUE(m_kernel.InitWithProfile(Vek::DisplayProfile::OpenGL()));
        Vek::CreateResourceTypes();
        CreateSpecRegistry();
        m_install = m_dir / "install";
        std::filesystem::create_directories(m_install + "/UserData/local");
        CopyShippedData(m_install);
        SetInstallationFolders(m_install.c_str());
        AcquireAssetFolderDatabases();
        InterfaceTextDB::Invalidate();
        TETLib::ErrorHandler::CreateInstance();
        TETLib::DataManager::Create((m_install + "/bin/ZIROzod/").c_str());
        StartupContext context;
        context.renderKernel = &m_kernel;
        TETLib::DataManager::Instance()->Init(context);
    }
    void TearDown() override {
        VorlexTest::TearDownAssetTools();
        DestroySpecRegistry();
        Vek::PluginEntry::ReleaseAll();
    }

    std::string Folder(const std::string& asset) const { return m_install + "/UserData/local/" + asset + "/"; }

    // Validates the asset and returns the texts of its log entries of
    // severity 2 (warning) and 3 (error), each prefixed "W " or "E ".
    std::vector<std::string> Validate(const std::string& asset) {
        ResultsLog log;
        TETLib::ValidateAssetAtLocation("local", Vek::File::Path(asset.c_str()), &log);
        std::vector<std::string> texts;
        for (std::size_t i = 0; i < log.GetEntryCount(); ++i) {
            const ResultsLogEntry entry = log.GetEntry(i);
            if (entry.severity == 2 || entry.severity == 3)
                texts.push_back((entry.severity == 3 ? "E " : "W ") + std::string(entry.text.c_str()));
        }
        return texts;
    }

    VorlexTest::TempDir m_dir;
    std::string m_install;
    Vek::RenderKernel m_kernel;
};

std::string Text(const char* key, std::initializer_list<TETLib::ToolsTextArg> args = {}) {
    return TETLib::LocalisedToolsText(key, args).c_str();
}

int Count(const std::vector<std::string>& texts, const std::string& text) {
    int n = 0;
    for (const std::string& t : texts) n += t == text;
    return n;
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& t : texts) all += t + "\n";
    return all;
}

TEST_F(MeshFindingsTest, FindingsOfTheMeshStep) {
    struct File {
        std::string name;
        std::string bytes;
    };
    struct Case {
        const char* name;
        std::string configuration;
        std::vector<File> files;
        std::vector<std::string> expected;  // each present exactly once
        std::vector<std::string> absent;
    };
    // A texture that does not load is reported by the definition's list of
    // missing textures; one that loads has its description checked.
    const std::string missingPrimary = Text("$tet_mesh_load_texture", {"body.tga", "body.texture", "tower.im"});
    const std::vector<Case> cases = {
        {"a mesh that loads, named in mixed case, with its texture",
         Configuration("Tower.IM"),
         {{"Tower.im", Mesh({"Paint.TGA"})}, {"paint.tga", Tga()}},
         {},
         {"E " + Text("$tet_mesh_load_mesh", {"\\tower.im"}),
          "E " + Text("$tet_mesh_failedmaterial", {"paint.tga", "\\tower.im"})}},
        {"a missing mesh",
         Configuration("tower.im"),
         {},
         {"E " + Text("$tet_mesh_load_mesh", {"\\tower.im"})},
         {}},
        {"a texture listed twice is one finding",
         Configuration("tower.im"),
         {{"tower.im", Mesh({"nothere.tga", "nothere.tga"})}},
         {"E " + Text("$tet_mesh_failedmaterial", {"nothere.tga", "\\tower.im"})},
         {}},
        {"a description whose Primary image is missing",
         Configuration("tower.im"),
         {{"tower.im", Mesh({"body.texture"})}, {"body.texture", CompiledTexture()},
          {"body.texture.txt", "Alpha=x.tga\r\nPrimary=Body.TGA\r\n"}},
         {"E " + missingPrimary},
         {}},
        {"a description whose Primary image is there",
         Configuration("tower.im"),
         {{"tower.im", Mesh({"body.texture"})}, {"body.texture", CompiledTexture()}, {"body.texture.txt", "Primary=body.tga\n"},
          {"body.tga", Tga()}},
         {},
         {"E " + missingPrimary}},
        {"a description without a Primary line",
         Configuration("tower.im"),
         {{"tower.im", Mesh({"body.texture"})}, {"body.texture", CompiledTexture()}, {"body.texture.txt", "Alpha=x.tga\n"}},
         {},
         {"E " + missingPrimary, "E " + Text("$tet_mesh_load_texture", {"", "body.texture", "tower.im"})}},
        {"a progressive mesh in a build-2.8 asset warns",
         Configuration("tower.pm", "2.8"),
         {{"tower.pm", Mesh({})}},
         {"W " + Text("$tet_dm_unsupportedformat")},
         {"E " + Text("$tet_dm_unsupportedformat")}},
        {"a progressive mesh in a build-2.9 asset is an error",
         Configuration("tower.pm", "2.9"),
         {{"tower.pm", Mesh({})}},
         {"E " + Text("$tet_dm_unsupportedformat")},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string asset = "case";
        std::filesystem::remove_all(Folder(asset));
        WriteBytes(Folder(asset) + "config.txt", c.configuration);
        for (const File& f : c.files) WriteBytes(Folder(asset) + f.name, f.bytes);
        const std::vector<std::string> texts = Validate(asset);
        for (const std::string& e : c.expected) EXPECT_EQ(Count(texts, e), 1) << e << "\nin:\n" << Joined(texts);
        for (const std::string& a : c.absent) EXPECT_EQ(Count(texts, a), 0) << a << "\nin:\n" << Joined(texts);
        PurgeResourceDatabaseCache();
    }
}

// A level of `triangles` triangles (one chunk; the quad's first triangle
// repeated), with an attachment point when asked.
std::string Level(int triangles, bool attachment) {
    ImWriter::MeshModel model;
    ImWriter::ChunkModel chunk = ImWriter::Quad(1.0f);
    chunk.indices.clear();
    for (int t = 0; t < triangles; ++t) chunk.indices.insert(chunk.indices.end(), {0, 1, 2});
    model.chunks = {chunk};
    if (attachment) model.attachments.push_back({"a.lamp"});
    return Bytes(ImWriter::Write(model));
}

// Writes `folder`/train.lm from a description of the levels, with the
// level-of-detail writer.
void WriteLm(const std::string& folder, const std::string& description, Vek::RenderKernel& kernel) {
    WriteBytes(folder + "build.lm.txt", description);
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("train.lm"), nullptr));
    VorlexIndexedMeshLODDefinition definition;
    ASSERT_EQ(definition.LoadText(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(),
                                  (folder + "build.lm.txt").c_str(), 0),
              0u);
    Vek::File out;
    ASSERT_TRUE(out.Open((folder + "train.lm").c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate));
    ASSERT_EQ(definition.WriteLOD(out), 0u);
    out.Close();
}

TEST_F(MeshFindingsTest, LevelOfDetailPerformanceFindings) {
    const std::string noAttachments = "W " + Text("$tet_lm_performance_no_attachments", {"\\train.lm"});
    const std::string singleLevel = "W " + Text("$tet_lm_performance_single_lod", {"\\train.lm"});
    const std::string lowPoly = "W " + Text("$tet_lm_performance_low_poly", {"\\train.lm"});
    struct Case {
        const char* name;
        std::string description;
        int lastTriangles;
        bool attachment;
        const char* meshName;
        std::vector<std::string> expected, absent;
    };
    const std::vector<Case> cases = {
        {"one level of 299 triangles, no attachments", "version 1.00\nmesh 0 { name last.im }\n", 299, false,
         "train.lm", {noAttachments, singleLevel, lowPoly}, {}},
        {"two levels, the last of 300 triangles, with an attachment",
         "version 1.00\nmesh 0 { name first.im }\nmesh 50 { name last.im }\n", 300, true, "train.lm", {},
         {noAttachments, singleLevel, lowPoly}},
        {"two levels, the last of 298 triangles", "version 1.00\nmesh 0 { name first.im }\nmesh 50 { name last.im }\n",
         298, true, "train.lm", {lowPoly}, {noAttachments, singleLevel}},
        {"a description is never judged", "version 1.00\nmesh 0 { name last.im }\n", 10, false, "build.lm.txt", {},
         {"W " + Text("$tet_lm_performance_no_attachments", {"\\build.lm.txt"}),
          "W " + Text("$tet_lm_performance_low_poly", {"\\build.lm"})}},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A folder of its own per row: the level files of one row are not
        // those of another.
        const std::string asset = "lod" + std::to_string(row++);
        const std::string folder = Folder(asset);
        WriteBytes(folder + "first.im", Level(500, c.attachment));
        WriteBytes(folder + "last.im", Level(c.lastTriangles, c.attachment));
        WriteLm(folder, c.description, m_kernel);
        WriteBytes(folder + "config.txt", Configuration(c.meshName));
        const std::vector<std::string> texts = Validate(asset);
        for (const std::string& e : c.expected) EXPECT_EQ(Count(texts, e), 1) << e << "\nin:\n" << Joined(texts);
        for (const std::string& a : c.absent) EXPECT_EQ(Count(texts, a), 0) << a << "\nin:\n" << Joined(texts);
        PurgeResourceDatabaseCache();
    }
}

// Kinds whose level-of-detail meshes are not judged, read from the owner's
// parent; and a second mesh for one container replaces the first.
TEST_F(MeshFindingsTest, UnjudgedKindsAndReplacedMeshes) {
    const std::string folder = Folder("kinds");
    WriteBytes(folder + "last.im", Level(10, false));
    WriteLm(folder, "version 1.00\nmesh 0 { name last.im }\n", m_kernel);
    TETLib::DataManager* data = TETLib::DataManager::Instance();
    data->SetCurrentAsset("local", "kinds");
    const auto& records = TETLib::ErrorHandler::Instance()->Records();
    for (const char* kind : {"traincar", "bogey", "interior", "pantograph", "drivercharacter", "scenery"}) {
        SCOPED_TRACE(kind);
        TETLib::ErrorHandler::Instance()->SetRecords({});
        TETLib::Container parent, owner;
        parent.configuration.SetString(Vek::PString("kind"), kind);
        owner.parent = &parent;
        TETLib::MeshData* first = data->LoadAssetMesh(Vek::PString("kinds\\train.lm"), &owner);
        ASSERT_NE(first, nullptr);
        const bool judged = std::string(kind) == "scenery";
        EXPECT_EQ(records.size(), judged ? 3u : 0u);
        TETLib::MeshData* second = data->LoadAssetMesh(Vek::PString("kinds\\last.im"), &owner);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(data->GetContainerMesh(&owner), second);
        EXPECT_TRUE(second->HasFlag(Vek::Particle::kFlagDisplay));
        data->RemoveContainerMesh(&owner);
    }
}

// A level-of-detail holder goes with its instance, once.
TEST_F(MeshFindingsTest, ALevelOfDetailHolderLoadsAndGoes) {
    const std::string folder = Folder("lodholder");
    WriteBytes(folder + "first.im", Level(4, true));
    WriteBytes(folder + "last.im", Level(2, true));
    WriteLm(folder, "version 1.00\nmesh 0 { name first.im }\nmesh 50 { name last.im }\n", m_kernel);
    TETLib::DataManager::Instance()->SetCurrentAsset("local", "lodholder");
    auto holder = std::make_unique<TETLib::LODMeshData>();
    ASSERT_TRUE(holder->Load(Vek::PString("lodholder\\Train.LM"), nullptr));
    ASSERT_NE(holder->GetLODInstance(), nullptr);
    EXPECT_EQ(holder->GetInstance(), static_cast<VorlexIndexedMeshInstance*>(holder->GetLODInstance()));
    EXPECT_EQ(holder->GetIndexedInstance(), nullptr);
    EXPECT_EQ(holder->GetDistanceLevelCount(), 2);
    holder->SelectLevel(1);
    EXPECT_EQ(holder->GetPolygonCount(), 2);
    EXPECT_EQ(holder->GetAttachmentCount(), 1);
    holder.reset();  // the instance is deleted once (the sanitizer would say otherwise)
}

// An animation of one frame moving the named bone.
void WriteKin(const std::string& path, const char* bone) {
    Vek::KinAnimation animation;
    animation.frameCount = 1;
    animation.tracks.push_back({Vek::PString(bone), {Vek::KinAnimation::Key{}}});
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    Vek::File out;
    ASSERT_TRUE(out.Open(path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate));
    ASSERT_TRUE(animation.Write(out));
    out.Close();
}

// What each answer of the animator becomes, and the animations before any
// mesh (through the data manager, as file-path tags hand them over).
TEST_F(MeshFindingsTest, Animations) {
    ImWriter::MeshModel model;
    model.chunks = {ImWriter::Quad(1.0f)};
    model.bones = {ImWriter::Bone("root", ""), ImWriter::Bone("arm", "root")};
    WriteBytes(Folder("anim") + "tower.im", Bytes(ImWriter::Write(model)));
    WriteKin(Folder("anim") + "Wave.kin", "arm");
    WriteKin(Folder("anim") + "odd.kin", "tail");
    TETLib::DataManager* data = TETLib::DataManager::Instance();
    data->SetCurrentAsset("local", "anim");
    const auto& records = TETLib::ErrorHandler::Instance()->Records();

    // Before any mesh: one finding, however many animations; none for an
    // asset that takes its meshes from another.
    data->SetAliasAsset(true);
    EXPECT_EQ(data->LoadAssetMesh(Vek::PString("anim\\wave.kin"), nullptr), nullptr);
    EXPECT_TRUE(records.empty());
    data->SetAliasAsset(false);
    data->LoadAssetMesh(Vek::PString("anim\\wave.kin"), nullptr);
    data->LoadAssetMesh(Vek::PString("anim\\odd.kin"), nullptr);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::string(records[0].text.c_str()), Text("$tet_dm_animationfailed", {"anim\\wave.kin"}));
    data->SetMeshLoadFailed(false);
    TETLib::ErrorHandler::Instance()->SetRecords({});

    TETLib::MeshData* mesh = data->LoadAssetMesh(Vek::PString("anim\\tower.im"), nullptr);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(data->GetCurrentMesh(), mesh);
    struct Case {
        const char* file;
        bool added;
        const char* key;
    };
    const Case cases[] = {
        {"anim\\Wave.KIN", true, nullptr},
        {"anim\\wave.kin", true, nullptr},  // twice: listed twice
        {"anim\\gone.kin", false, "$tet_mesh_animationfailedres"},
        {"anim\\odd.kin", false, "$tet_mesh_animationfailedskeleton"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TETLib::ErrorHandler::Instance()->SetRecords({});
        EXPECT_EQ(mesh->LoadAnimation(Vek::PString(c.file)), c.added);
        if (c.key) {
            std::string lower = c.file;
            for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(std::string(records[0].text.c_str()), Text(c.key, {lower}));
        } else {
            EXPECT_TRUE(records.empty());
        }
    }
    ASSERT_EQ(mesh->GetAnimations().size(), 2u);
    EXPECT_STREQ(mesh->GetAnimations()[0].c_str(), "anim\\wave.kin");
    EXPECT_EQ(mesh->GetAnimations()[1], mesh->GetAnimations()[0]);
}

// The holder itself, on meshes of the asset under check.
TEST_F(MeshFindingsTest, AHolderCopiesAttachmentsAndBones) {
    ImWriter::MeshModel model;
    model.chunks = {ImWriter::Quad(1.0f)};
    model.attachments.push_back({"a.one/two/a.door", {1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 2, 3}});
    model.attachments.push_back({"a.plain", {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}});
    model.attachments.push_back({"a.trailing/", {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 0, 0}});
    model.bones = {ImWriter::Bone("root", ""), ImWriter::Bone("arm", "root")};
    model.bones[1].position[0] = 2.0f;
    WriteBytes(Folder("holder") + "tower.im", Bytes(ImWriter::Write(model)));
    WriteBytes(Folder("holder") + "slope.pm", Mesh({}));
    TETLib::DataManager::Instance()->SetCurrentAsset("local", "holder");

    TETLib::MeshData holder;
    ASSERT_TRUE(holder.Load(Vek::PString("holder\\tower.im"), nullptr));
    EXPECT_TRUE(holder.IsLoaded());
    ASSERT_NE(holder.GetInstance(), nullptr);
    EXPECT_EQ(holder.GetPolygonCount(), 2);
    ASSERT_EQ(holder.GetAttachmentCount(), 3);
    EXPECT_STREQ(holder.GetAttachments()[0].name.c_str(), "a.door");
    EXPECT_EQ(holder.GetAttachments()[0].position, (Vek::Vector3{1, 2, 3}));
    EXPECT_STREQ(holder.GetAttachments()[1].name.c_str(), "a.plain");
    EXPECT_STREQ(holder.GetAttachments()[2].name.c_str(), "");
    EXPECT_TRUE(holder.HasAttachmentPoint(Vek::PString("a.door")));
    ASSERT_EQ(holder.GetBoneCount(), 2);
    EXPECT_STREQ(holder.GetBones()[1].name.c_str(), "arm");
    EXPECT_EQ(holder.GetThirdRecordCount(), 0);

    // A progressive mesh loads as success with nothing in it.
    TETLib::MeshData progressive;
    EXPECT_TRUE(progressive.Load(Vek::PString("holder\\slope.pm"), nullptr));
    EXPECT_FALSE(progressive.IsLoaded());
    EXPECT_EQ(progressive.GetInstance(), nullptr);
    EXPECT_EQ(progressive.GetAttachmentCount(), 0);

    // Without an owner a missing mesh is not reported.
    TETLib::MeshData missing;
    EXPECT_FALSE(missing.Load(Vek::PString("holder\\gone.im"), nullptr));
    EXPECT_TRUE(TETLib::ErrorHandler::Instance()->Records().empty());
}

// A name whose resource is of another class is reported even without an
// owner.
TEST_F(MeshFindingsTest, AResourceOfAnotherClassIsReported) {
    ASSERT_TRUE(Vek::PluginEntry::Hand(new Vek::ResourceType<Vek::TextureResource>("odd.im", "test-odd")));
    WriteBytes(Folder("odd") + "tower.odd.im", Mesh({}));
    TETLib::DataManager::Instance()->SetCurrentAsset("local", "odd");
    TETLib::MeshData holder;
    EXPECT_FALSE(holder.Load(Vek::PString("odd\\tower.odd.im"), nullptr));
    const auto& records = TETLib::ErrorHandler::Instance()->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::string(records[0].text.c_str()), Text("$tet_mesh_load_mesh", {"\\tower.odd.im"}));
}

}  // namespace

// Indexed meshes built from a geometry text (".imtxt"): parse results,
// generated material names, the bone limit and what a text build keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/File.h"
#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "support/TempDir.h"

using namespace Vek;

namespace {

const char* kMesh = R"(version 1.00
info 1 2 3
maxinfluences 1
maxbonesperchunk 1
chunk {
  texcoordsets 1
  weightspervertex 1
  vertex 0 0 0  0 0 1  0 0
  vertex 2 0 0  0 0 1  1 0
  vertex 0 2 0  0 0 1  0 1
  face 0 1 2
  material {
    name "wood"
    power 0.25
    texture 0 "wood.tga" 1
    property shine high
  }
}
bone { name root; position 0 0 0; orientation 0 0 0.7071068 0.7071068; entry { chunk 0; weight 0 1 0 0 0; weight 1 0 0 0 0 } }
bone { name arm; parent root; position 1 0 0; entry { chunk 0; weight 2 1 0 0 0 } }
attachment { name "a.hand"; position 1 1 0; orientation 0 0 0 1 }
)";

struct TextLoader {
    TextLoader() : kernel(nullptr, 8.0f) {
        EXPECT_TRUE(kernel.InitWithProfile(DisplayProfile::OpenGL()));
        resource.Reset(new Resource(PString("box.imtxt"), nullptr));
    }
    uint32_t Load(const std::string& text) {
        std::string path = dir / "box.imtxt";
        std::ofstream(path) << text;
        definition = std::make_unique<VorlexIndexedMeshDefinition>();
        return definition->ReadText(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), path.c_str(),
                                    0xFFFFFFFF);
    }
    VorlexTest::TempDir dir;
    RenderKernel kernel;
    AutoReference<Resource> resource;
    std::unique_ptr<VorlexIndexedMeshDefinition> definition;
};

}  // namespace

TEST(TextMeshDefinition, BuildsChunksMaterialsBonesAndAttachments) {
    TextLoader loader;
    ASSERT_EQ(loader.Load(kMesh), RES_OK);
    VorlexIndexedMeshDefinition& d = *loader.definition;
    EXPECT_EQ(d.chunkCount, 1u);
    EXPECT_EQ(d.infoVector.y, 2.0f);
    EXPECT_EQ(d.GetVertexCount(0), 3u);
    EXPECT_EQ(d.faceTotal, 1u);
    // A capable display does not lower the bone limit for a text build.
    EXPECT_TRUE(d.hardwareSkinningCapable);
    EXPECT_EQ(d.boneLimit, 25u);
    EXPECT_TRUE(d.hardwareSkinned);
    EXPECT_TRUE(d.GetChunkBoneName(0).IsEmpty());
    EXPECT_TRUE(d.orientedBox.IsZero());
    EXPECT_EQ(d.boundsMax.x, 2.0f);
    EXPECT_GT(d.textureDetail, 0.0f);
    // The entry with a zero weight stays (only entries without weights go).
    EXPECT_EQ(d.GetBoneEntryWeightCount(0, 0), 2u);
    Quaternion q = d.GetBoneOrientation(0);
    EXPECT_NEAR(q.z, 0.7071068f, 1e-4f);
    EXPECT_NEAR(q.w, 0.7071068f, 1e-4f);
    ASSERT_NE(d.skeletonRoot, nullptr);
    EXPECT_EQ(d.attachmentCount, 1u);
    EXPECT_EQ(d.GetAttachmentPosition(0).y, 1.0f);
    DisplayMaterial dm;
    d.GetDisplayMaterial(0, dm);
    EXPECT_FLOAT_EQ(dm.power, 32.0f);
    // The material name had no type: a generated one, completed by its texture.
    std::string first = d.GetMaterialName(0).c_str();
    EXPECT_EQ(first.rfind("VorlexIndexedMeshDefinition::CreateMaterial> *box*", 0), 0u) << first;
    EXPECT_NE(first.find("*wood*.m.onetex"), std::string::npos) << first;
    ASSERT_EQ(loader.Load(kMesh), RES_OK);
    EXPECT_NE(std::string(loader.definition->GetMaterialName(0).c_str()), first);
}

TEST(TextMeshDefinition, ParseFailuresGiveTheirResults) {
    struct Case {
        const char* what;
        const char* text;  // null: no file
        uint32_t result;
    } cases[] = {
        {"no file", nullptr, RES_FILE_OPEN_ERROR},
        {"a syntax error", "chunk { vertex 0 0 0", RES_FILE_FORMAT_ERROR},
        {"an index past the vertices", "chunk { vertex 0 0 0 0 0 1 0 0\n face 0 0 1 }\n", RES_FILE_FORMAT_ERROR},
    };
    for (const Case& c : cases) {
        TextLoader loader;
        uint32_t result;
        if (c.text) {
            result = loader.Load(c.text);
        } else {
            loader.definition = std::make_unique<VorlexIndexedMeshDefinition>();
            std::string missing = loader.dir / "none.imtxt";
            result = loader.definition->ReadText(loader.kernel.GetDisplay(), loader.kernel.GetMaterialManager(),
                                                 loader.resource.Get(), missing.c_str(), 0);
        }
        EXPECT_EQ(result, c.result) << c.what;
    }
    TextLoader loader;
    std::string path = loader.dir / "box.imtxt";
    std::ofstream(path) << kMesh;
    VorlexIndexedMeshDefinition d;
    EXPECT_EQ(d.ReadText(loader.kernel.GetDisplay(), nullptr, loader.resource.Get(), path.c_str(), 0),
              RES_NO_MATERIAL_MANAGER);
}

TEST(TextMeshDefinition, TheDefinitionIsNamedByTheTranslatedPath) {
    // Read through a resource of a database: the name is the path of the
    // file the database's root gives (found without regard to case), not
    // the name inside the database. Without a database it is the name given.
    TextLoader loader;
    std::filesystem::create_directories(loader.dir / "Meshes");
    std::ofstream(loader.dir / "Meshes/Box.imtxt") << kMesh;
    ASSERT_TRUE(File::Subst(PString("meshtext"), loader.dir.Path().c_str(), true));
    ResourceDatabase database(PString("meshtext"));
    AutoReference<Resource> resource(new Resource(PString("meshes/box.imtxt"), &database));
    VorlexIndexedMeshDefinition d;
    EXPECT_EQ(d.ReadText(loader.kernel.GetDisplay(), loader.kernel.GetMaterialManager(), resource.Get(),
                         "meshes/box.imtxt", 0xFFFFFFFF),
              RES_OK);
    EXPECT_EQ(std::string(d.name.c_str()), File::ResolveOsPath(loader.dir.Path().c_str()) + "/Meshes/Box.imtxt");
    File::Subst(PString("meshtext"), nullptr, false);

    ASSERT_EQ(loader.Load(kMesh), RES_OK);
    EXPECT_EQ(std::string(loader.definition->name.c_str()), loader.dir / "box.imtxt");
}

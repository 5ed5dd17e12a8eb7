#pragma once
// Level-of-detail meshes for tests: skinned .im level files and "lm.txt"
// descriptions written into a temporary folder, a render kernel, and the
// definition loaded from text, written as .lm and read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "support/ImWriter.h"
#include "support/TempDir.h"

namespace LodTest {

constexpr uint32_t kVertexColour = 0xFF102030;

// A skinned level: `quads` quads of material `material`, the bones "root"
// and "arm" (root moves vertices 0 and 1 of each chunk, arm 2 and 3), and
// the attachments "a.light:cUlL" and "a.hook".
inline ImWriter::MeshModel SkinnedLevel(uint32_t quads, const std::string& material = "paint.m.onetex",
                                        const std::string& secondBone = "arm") {
    ImWriter::MeshModel m;
    m.maxInfluencesPerVertex = 1;
    m.maxBonesPerChunk = 2;
    m.bones.push_back(ImWriter::Bone("root", ""));
    m.bones.push_back(ImWriter::Bone(secondBone, "root"));
    m.bones[1].position[0] = 1.0f;
    for (uint32_t q = 0; q < quads; ++q) {
        ImWriter::ChunkModel c = ImWriter::Quad(1.0f + q);
        c.weightsPerVertex = 1;
        c.material.name = material;
        m.chunks.push_back(c);
        m.bones[0].entries.push_back({q, {{0, 1.0f}, {1, 1.0f}}});
        m.bones[1].entries.push_back({q, {{2, 1.0f}, {3, 0.5f, {0.5f, 0.25f, 0.125f}}}});
    }
    m.attachments.push_back({"a.light:cUlL"});
    m.attachments.push_back({"a.hook"});
    m.attachments[1].position[1] = 2.0f;
    return m;
}

struct Fixture {
    Fixture() : kernel(nullptr, 8.0f) {
        EXPECT_TRUE(kernel.InitWithProfile(Vek::DisplayProfile::OpenGL()));
        resource.Reset(new Vek::Resource(Vek::PString("lod/train.lm"), nullptr));
    }

    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void WriteText(const std::string& name, const std::string& text) const { std::ofstream(dir / name) << text; }
    void WriteLevel(const std::string& name, const ImWriter::MeshModel& m) const { WriteFile(name, ImWriter::Write(m)); }

    // lod0.im (two quads), lod1.im (one quad) and box.im (one quad of
    // another material), all with the same bones and attachments.
    void WriteStandardLevels() const {
        WriteLevel("lod0.im", SkinnedLevel(2));
        WriteLevel("lod1.im", SkinnedLevel(1));
        WriteLevel("box.im", SkinnedLevel(1, "box.m.notex"));
    }

    // Loads a description written as <folder>/train.lm.txt.
    uint32_t LoadText(const std::string& text, const std::string& folder = "") {
        const std::string name = folder.empty() ? "train.lm.txt" : folder + "/train.lm.txt";
        if (!folder.empty()) std::filesystem::create_directories(dir / folder);
        WriteText(name, text);
        definition = std::make_unique<VorlexIndexedMeshLODDefinition>();
        const std::string path = dir / name;
        return definition->LoadText(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), path.c_str(),
                                    kVertexColour);
    }

    // Writes the definition with WriteLOD and returns the file's bytes.
    std::vector<uint8_t> Write(VorlexIndexedMeshLODDefinition& d, uint32_t* result = nullptr) const {
        const std::string path = dir / "out.lm";
        Vek::File out;
        EXPECT_TRUE(out.Open(path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate));
        const uint32_t r = d.WriteLOD(out);
        if (result) *result = r;
        out.Close();
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::unique_ptr<VorlexIndexedMeshLODDefinition> Read(const std::vector<uint8_t>& bytes, uint32_t& result,
                                                         const MeshLoadOptions& options = {}) {
        auto d = std::make_unique<VorlexIndexedMeshLODDefinition>(options);
        d->OpenMemory(bytes.data(), bytes.size(), "lod/train.lm");
        result = d->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), "lod/train.lm",
                         kVertexColour);
        return d;
    }

    VorlexTest::TempDir dir;
    Vek::RenderKernel kernel;
    Vek::AutoReference<Vek::Resource> resource;
    std::unique_ptr<VorlexIndexedMeshLODDefinition> definition;
};

// A description of distance levels at 0 and 50 and a "collision" level.
inline const char* kStandardText = R"(version 1.00
mesh 0 { name lod0.im }
mesh 50 { name lod1.im }
mesh collision { name box.im }
offset 2
multiplier 1.5
animationCutOff 40
renderCutOff 3
attachmentCutOff 30
calcPoint FAR
)";

// The position of the n-th (from 0) occurrence of a tag in the bytes.
inline std::size_t FindTag(const std::vector<uint8_t>& bytes, const char* tag, int n = 0) {
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::equal(tag, tag + 4, bytes.begin() + static_cast<std::ptrdiff_t>(i)) && n-- == 0) return i;
    ADD_FAILURE() << "no tag " << tag;
    return 0;
}

inline void PatchU32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

}  // namespace LodTest

#pragma once
// A render kernel with the product's resource types registered, and mesh
// files written into a temporary folder and locked as resources.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/display/DisplayProfile.h"
#include "engine/resources/PluginEntry.h"
#include "engine/resources/ResourceTypeBase.h"
#include "engine/resources/ResourceTypeRegistry.h"
#include "meshes/materials/CreatePlugins.h"
#include "meshes/resources/VorlexGeometryBaseResource.h"
#include "support/ImWriter.h"
#include "support/TempDir.h"

namespace MeshTest {

inline Vek::DisplayProfile WithoutSkinning() {
    Vek::DisplayProfile p = Vek::DisplayProfile::OpenGL();
    p.capabilities.erase(Vek::DisplayProfile::kCapabilityHardwareSkinning);
    p.name += "-noskin";
    return p;
}

// Holds a reference to a resource of the registry's type for a name.
class ResourceRef {
public:
    ResourceRef() = default;
    explicit ResourceRef(VorlexGeometryBaseResource* resource) : m_resource(resource) {}
    ~ResourceRef() { Reset(); }
    ResourceRef(ResourceRef&& other) noexcept : m_resource(other.m_resource) { other.m_resource = nullptr; }
    ResourceRef(const ResourceRef&) = delete;
    ResourceRef& operator=(const ResourceRef&) = delete;
    void Reset() {
        if (m_resource) m_resource->ReleaseReference();
        m_resource = nullptr;
    }
    VorlexGeometryBaseResource* operator->() const { return m_resource; }
    VorlexGeometryBaseResource* Get() const { return m_resource; }

private:
    VorlexGeometryBaseResource* m_resource = nullptr;
};

class Meshes : public ::testing::Test {
protected:
    explicit Meshes(const Vek::DisplayProfile& profile = Vek::DisplayProfile::OpenGL()) : kernel(nullptr, 8.0f) {
        EXPECT_TRUE(kernel.InitWithProfile(profile));
        EXPECT_EQ(Vek::CreateResourceTypes(), 4);  // "im", "pm", "lm.txt", "lm"
    }
    ~Meshes() override { Vek::PluginEntry::ReleaseAll(); }

    // Writes the bytes as `name` in the temporary folder; its full path.
    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = folder / name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

    // A resource of the type the registry finds for `path` (no database),
    // not yet loaded.
    ResourceRef MakeResource(const std::string& path, bool withKernel = true) {
        Vek::ResourceTypeBase* type = Vek::ResourceTypeRegistry::FindForName(path.c_str());
        EXPECT_NE(type, nullptr) << path;
        if (!type) return ResourceRef();
        auto* resource = dynamic_cast<VorlexGeometryBaseResource*>(type->Create(Vek::PString(path.c_str()), nullptr));
        type->ReleaseReference();
        EXPECT_NE(resource, nullptr);
        if (resource && withKernel) resource->renderKernel = &kernel;
        return ResourceRef(resource);
    }

    // Writes the model as `name` and locks it as a resource.
    ResourceRef Load(const std::string& name, const ImWriter::MeshModel& model) {
        ResourceRef resource = MakeResource(WriteFile(name, ImWriter::Write(model)));
        if (resource.Get()) {
            EXPECT_EQ(resource->Lock(), 0) << name;
        }
        return resource;
    }

    VorlexTest::TempDir folder;
    Vek::RenderKernel kernel;
};

// One quad chunk (two triangles in the plane z = 0, normal +z).
inline ImWriter::MeshModel OneQuad() {
    ImWriter::MeshModel m;
    m.chunks.push_back(ImWriter::Quad());
    return m;
}

// A mesh skinned by two bones "root" and "arm" (a child of "root"): the
// quad's vertices 0 and 1 follow "root", 2 and 3 "arm", each with weight
// 1 and an offset equal to its position relative to the bone.
inline ImWriter::MeshModel SkinnedQuad() {
    ImWriter::MeshModel m = OneQuad();
    m.maxInfluencesPerVertex = 1;
    m.maxBonesPerChunk = 2;
    m.chunks[0].weightsPerVertex = 1;
    ImWriter::BoneModel root = ImWriter::Bone("root", "");
    root.entries.push_back({0, {{0, 1.0f, {0, 0, 0}}, {1, 1.0f, {1, 0, 0}}}});
    ImWriter::BoneModel arm = ImWriter::Bone("arm", "root");
    arm.position[1] = 1.0f;
    arm.entries.push_back({0, {{2, 1.0f, {1, 0, 0}}, {3, 1.0f, {0, 0, 0}}}});
    m.bones = {root, arm};
    return m;
}

}  // namespace MeshTest

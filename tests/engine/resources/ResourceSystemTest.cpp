// The resource cache, its purge of unused resources, and the built-in
// plug-in types the resource system registers.
#include <gtest/gtest.h>

#include <vector>

#include "engine/PluginBase.h"
#include "engine/PluginType.h"
#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/ResourceSystem.h"

using Vek::PString;
using Vek::Resource;
using Vek::ResourceSystem;

namespace {

// A resource that may hold another one, as a mesh holds its materials, and
// counts its own destruction.
class TestResource : public Resource {
public:
    TestResource(const char* name, Vek::ResourceDatabase* database, int* destroyed, Resource* held = nullptr)
        : Resource(PString("test"), PString(name), database), m_destroyed(destroyed), m_held(held) {
        if (m_held) m_held->AddReference();
    }

protected:
    ~TestResource() override {
        if (m_held) m_held->ReleaseReference();
        ++*m_destroyed;
    }

private:
    int* m_destroyed;
    Resource* m_held;
};

}  // namespace

TEST(ResourceSystem, OneResourcePerTypeNameAndDatabase) {
    int destroyed = 0;
    Vek::ResourceDatabase dbA(PString("a")), dbB(PString("b"));
    ResourceSystem system;
    auto* inA = new TestResource("tree.im", &dbA, &destroyed);
    auto* inB = new TestResource("tree.im", &dbB, &destroyed);
    auto* again = new TestResource("tree.im", &dbA, &destroyed);
    EXPECT_TRUE(system.AddToCache(inA));
    EXPECT_TRUE(system.AddToCache(inB));
    EXPECT_FALSE(system.AddToCache(again));
    EXPECT_FALSE(system.AddToCache(nullptr));
    again->ReleaseReference();
    EXPECT_EQ(destroyed, 1);

    Resource* found = system.FindInCache(PString("test"), PString("tree.im"), &dbB);
    EXPECT_EQ(found, inB);
    EXPECT_EQ(inB->GetReferenceCount(), 3);  // creator, cache, finder
    found->ReleaseReference();
    EXPECT_FALSE(system.FindInCache(PString("test"), PString("Tree.im"), &dbA));  // names are exact
    EXPECT_FALSE(system.FindInCache(PString("mesh"), PString("tree.im"), &dbA));
    inA->ReleaseReference();
    inB->ReleaseReference();
    EXPECT_EQ(system.CachedCount(), 2u);
}

TEST(ResourceSystem, DumpDropsWhatOnlyTheCacheHoldsIncludingWhatThoseHeld) {
    int destroyed = 0;
    ResourceSystem system;
    // material <- mesh (the mesh holds the material); both cached; the mesh
    // unused, the material then held only through the mesh.
    auto* material = new TestResource("bark.mat", nullptr, &destroyed);
    auto* mesh = new TestResource("tree.im", nullptr, &destroyed, material);
    auto* inUse = new TestResource("rock.im", nullptr, &destroyed);
    for (Resource* r : std::vector<Resource*>{material, mesh, inUse}) ASSERT_TRUE(system.AddToCache(r));
    material->ReleaseReference();
    mesh->ReleaseReference();

    EXPECT_EQ(system.DumpUnusedResourcesFromCache(), 2u);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(system.CachedCount(), 1u);
    EXPECT_EQ(system.DumpUnusedResourcesFromCache(), 0u);

    // The holder's resource survives every dump and goes with its last holder
    // once the system is gone.
    ResourceSystem* current = &system;
    ResourceSystem::SetCurrent(current);
    EXPECT_EQ(ResourceSystem::GetCurrent(), &system);
    {
        ResourceSystem doomed;
        ASSERT_TRUE(doomed.AddToCache(inUse));
    }
    EXPECT_EQ(destroyed, 2);
    inUse->ReleaseReference();  // the first system still holds it
    EXPECT_EQ(system.DumpUnusedResourcesFromCache(), 1u);
    EXPECT_EQ(destroyed, 3);
}

TEST(ResourceSystem, ADestroyedSystemIsNoLongerCurrent) {
    {
        ResourceSystem system;
        ResourceSystem::SetCurrent(&system);
    }
    EXPECT_EQ(ResourceSystem::GetCurrent(), nullptr);
}

TEST(ResourceSystem, InitRegistersTheBitmapPluginThatOutlivesTheSystemForItsHolder) {
    const char* id = "4c414e80-bbda-11D4-9ad7-0001025364b8";  // another letter case
    EXPECT_FALSE(Vek::PluginBase::LookupPluginType("bmp", id));
    Vek::PluginType* held = nullptr;
    {
        ResourceSystem system;
        ASSERT_TRUE(system.Init("-render=OpenGL -hidewindow -LogFile=/dev/null "));
        EXPECT_TRUE(system.Init(""));  // once only
        EXPECT_EQ(Vek::PluginBase::CountPluginTypes(), 1u);
        held = Vek::PluginBase::LookupPluginType("BMP", id);
        ASSERT_TRUE(held);
        EXPECT_STREQ(held->GetId().c_str(), ResourceSystem::kBitmapPluginId);
        EXPECT_FALSE(Vek::PluginBase::LookupPluginType("bmp", "00000000-0000-0000-0000-000000000000"));
        EXPECT_FALSE(Vek::PluginBase::LookupPluginType("tga", id));
    }
    // Withdrawn with the system, still alive for its holder (the address
    // sanitizer watches this read).
    EXPECT_EQ(Vek::PluginBase::CountPluginTypes(), 0u);
    EXPECT_FALSE(Vek::PluginBase::LookupPluginType("bmp", id));
    EXPECT_STREQ(held->GetTypeName().c_str(), "bmp");
    EXPECT_EQ(held->ReleaseReference(), 0);
}

TEST(PluginBase, RegistrationRules) {
    auto* type = new Vek::PluginType("material", "{11111111-2222-3333-4444-555555555555}");
    auto* sameKey = new Vek::PluginType("MATERIAL", "{11111111-2222-3333-4444-555555555555}");
    auto* noId = new Vek::PluginType("material", "");
    EXPECT_TRUE(Vek::PluginBase::RegisterPluginType(type));
    EXPECT_FALSE(Vek::PluginBase::RegisterPluginType(sameKey));
    EXPECT_FALSE(Vek::PluginBase::RegisterPluginType(noId));
    EXPECT_FALSE(Vek::PluginBase::RegisterPluginType(nullptr));
    EXPECT_EQ(type->GetReferenceCount(), 2);
    EXPECT_FALSE(Vek::PluginBase::UnregisterPluginType(sameKey));
    EXPECT_TRUE(Vek::PluginBase::UnregisterPluginType(type));
    EXPECT_FALSE(Vek::PluginBase::UnregisterPluginType(type));
    EXPECT_EQ(type->GetReferenceCount(), 1);
    for (Vek::PluginType* t : {type, sameKey, noId}) t->ReleaseReference();
}

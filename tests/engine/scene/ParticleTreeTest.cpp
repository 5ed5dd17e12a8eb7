#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/math/OrientedBox.h"
#include "engine/scene/AttachmentPoint.h"
#include "engine/scene/Camera.h"
#include "engine/scene/GlobalMatrixCache.h"
#include "engine/scene/ObjectLOD.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ParticleStructure.h"
#include "engine/scene/SceneGraph.h"
#include "engine/scene/ViewPoint.h"

using namespace Vek;

namespace {

// root ─ a ─ a1
//      │   └ a2 ─ a21
//      └ b
struct Tree {
    Particle* root = new Particle;
    Particle* a = new Particle;
    Particle* a1 = new Particle;
    Particle* a2 = new Particle;
    Particle* a21 = new Particle;
    Particle* b = new Particle;
    Tree() {
        root->SetName("root");
        a->SetName("a");
        a1->SetName("a1");
        a2->SetName("a2");
        a21->SetName("a21");
        b->SetName("b");
        root->Add(a);
        a->Add(a1);
        a->Add(a2);
        a2->Add(a21);
        root->Add(b);
    }
};

void ExpectNear(const Vector3& x, const Vector3& y) {
    EXPECT_NEAR(x.x, y.x, 1e-4f);
    EXPECT_NEAR(x.y, y.y, 1e-4f);
    EXPECT_NEAR(x.z, y.z, 1e-4f);
}

ParticleBone* MakeBone(const char* name, const Vector3& position, const Quaternion& orientation) {
    auto* bone = new ParticleBone(PString(name));
    bone->Place(position, orientation);
    bone->SetFramePosition(position);
    bone->SetFrameOrientation(orientation);
    bone->SetLocalBox({-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f});
    bone->SetVisibleBoundingBox(new ParticleVisibleBoundingBox({-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f}));
    return bone;
}

}  // namespace

// Each deletion order frees every node exactly once; the address sanitizer
// reports a double free or a leak otherwise.
TEST(ParticleTreeTest, DeletingInAnyOrderFreesEachNodeOnce) {
    {
        Tree t;
        delete t.root;
    }
    {
        Tree t;
        delete t.a2;  // a middle node takes its subtree and leaves its parent
        EXPECT_EQ(t.a->GetChildCount(), 1u);
        EXPECT_EQ(t.a->GetLastChild(), t.a1);
        delete t.a1;
        EXPECT_EQ(t.a->GetFirstChild(), nullptr);
        delete t.root;
    }
    {
        Tree t;
        delete t.a21;
        delete t.b;
        delete t.a;
        EXPECT_EQ(t.root->GetChildCount(), 0u);
        delete t.root;
    }
    {
        // An owner deleting its children one by one, then itself.
        Tree t;
        while (Particle* child = t.root->GetFirstChild()) delete child;
        delete t.root;
    }
    {
        // Moving a subtree to another parent.
        Tree t;
        auto* other = new Particle;
        EXPECT_TRUE(other->Add(t.a2));
        EXPECT_EQ(t.a->GetChildCount(), 1u);
        delete t.root;
        EXPECT_EQ(other->FindByName("a21"), t.a21);
        delete other;
    }
}

TEST(ParticleTreeTest, CyclesAreRefusedAndDeepTreesDoNotRecurse) {
    Tree t;
    EXPECT_FALSE(t.a21->Add(t.root));
    EXPECT_FALSE(t.a->Add(t.a));
    EXPECT_FALSE(t.a->Add(nullptr));
    EXPECT_EQ(t.root->GetParent(), nullptr);
    delete t.root;

    // Built from the leaf up, so that each Add checks a short chain.
    auto* deepest = new Particle;
    deepest->SetName("deepest");
    Particle* top = deepest;
    for (int i = 0; i < 200000; ++i) {
        auto* parent = new Particle;
        parent->Add(top);
        top = parent;
    }
    EXPECT_EQ(top->FindByName("deepest"), deepest);
    std::unique_ptr<Particle> copy(top->CloneTree());
    EXPECT_NE(copy->FindByName("deepest"), nullptr);
    delete top;
}

TEST(ParticleTreeTest, FindByNameSearchesBelowOnly) {
    Tree t;
    EXPECT_EQ(t.root->FindByName("a21"), t.a21);
    EXPECT_EQ(t.root->FindByName(PString("b")), t.b);
    EXPECT_EQ(t.root->FindByName("root"), nullptr);
    EXPECT_EQ(t.a->FindByName("b"), nullptr);
    EXPECT_EQ(t.root->Enumerate().size(), 6u);
    delete t.root;
}

TEST(ParticleTreeTest, GlobalMatricesAndGlobalToLocal) {
    Quaternion quarterZ{0, 0, std::sqrt(0.5f), std::sqrt(0.5f)};
    std::unique_ptr<Particle> root(new Particle);
    root->Place({10, 0, 0}, quarterZ);
    auto* child = new Particle;
    child->Place({1, 0, 0}, Quaternion{});
    root->Add(child);
    // The child's x offset is turned onto y by the parent, then moved.
    ExpectNear(child->GetGlobalMatrix().GetTranslation(), {10, 1, 0});

    // A point placed from world values lands on those world values.
    auto* point = new Particle;
    child->Add(point);
    Vector3 position{3, 4, 5};
    Quaternion orientation{0, 0, 0, 1};
    point->GlobalToLocal(position, orientation);
    point->Place(position, orientation);
    ExpectNear(point->GetGlobalMatrix().GetTranslation(), {3, 4, 5});
    float r[9];
    point->GetGlobalMatrix().GetRotation(r);
    EXPECT_NEAR(r[0], 1.0f, 1e-5f);
    EXPECT_NEAR(r[4], 1.0f, 1e-5f);

    std::vector<Vector3> corners = {{-1, -1, -1}, {1, 1, 1}};
    child->SetBoundingVolume(OrientedBox(corners.size(), corners.data()));
    Vector3 centre;
    float radius;
    child->GetGlobalBoundingSphere(centre, radius);
    ExpectNear(centre, {10, 1, 0});
    EXPECT_GE(radius, std::sqrt(3.0f));
}

TEST(ParticleTreeTest, CachedGlobalMatricesMatchTheWalkUpTheTree) {
    // A chain of turned and moved particles with a branch: each cached
    // matrix is the one the walk to the root gives, whichever particle is
    // asked for first, and a point placed with the cached parent matrix
    // lands where one placed with the walk lands.
    std::unique_ptr<Particle> root(new Particle);
    root->Place({5, 0, 0}, Quaternion{});
    std::vector<Particle*> chain{root.get()};
    const float half = 0.1f;
    for (int k = 0; k < 40; ++k) {
        auto* p = new Particle;
        p->Place({1, 0, 0.5f}, Quaternion{0, 0, std::sin(half), std::cos(half)});
        chain.back()->Add(p);
        chain.push_back(p);
    }
    auto* branch = new Particle;
    branch->Place({0, 2, 0}, Quaternion{});
    chain[20]->Add(branch);
    GlobalMatrixCache cache;
    for (const Particle* asked : std::vector<const Particle*>{chain[30], chain[40], branch, chain[0]}) {
        const Matrix4 walked = asked->GetGlobalMatrix();
        const Matrix4& cached = cache.Get(asked);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(cached.m[r][c], walked.m[r][c], 1e-4f) << r << c;
    }
    EXPECT_EQ(cache.Get(nullptr).GetTranslation().x, 0.0f);

    auto* point = new Particle;
    chain[40]->Add(point);
    Vector3 walkedPosition{3, 4, 5}, cachedPosition{3, 4, 5};
    Quaternion walkedOrientation{}, cachedOrientation{};
    point->GlobalToLocal(walkedPosition, walkedOrientation);
    point->GlobalToLocal(cachedPosition, cachedOrientation, cache.Get(chain[40]));
    ExpectNear(cachedPosition, walkedPosition);
    point->Place(cachedPosition, cachedOrientation);
    ExpectNear(point->GetGlobalMatrix().GetTranslation(), {3, 4, 5});
}

TEST(ParticleTreeTest, BoneTreeClonesKeepNamesMatricesAndAttachmentPoints) {
    Quaternion turn{0, std::sqrt(0.5f), 0, std::sqrt(0.5f)};
    auto* skeleton = MakeBone("pelvis", {0, 1, 0}, Quaternion{});
    auto* spine = MakeBone("spine", {0, 0.5f, 0}, turn);
    auto* arm = MakeBone("arm", {0.3f, 0, 0}, Quaternion{});
    skeleton->Add(spine);
    spine->Add(arm);
    auto* hand = new AttachmentPoint(PString("a.hand"), PString("arm"));
    hand->Place({0.1f, 0, 0}, Quaternion{});
    arm->Add(hand);

    std::unique_ptr<Particle> clone(skeleton->CloneTree());
    auto* cloneSpine = dynamic_cast<ParticleBone*>(clone->FindByName("spine"));
    auto* cloneHand = dynamic_cast<AttachmentPoint*>(clone->FindByName("a.hand"));
    ASSERT_NE(dynamic_cast<ParticleBone*>(clone.get()), nullptr);
    ASSERT_NE(cloneSpine, nullptr);
    ASSERT_NE(cloneHand, nullptr);
    EXPECT_NE(cloneHand, hand);
    EXPECT_STREQ(cloneHand->GetTargetName().c_str(), "arm");
    EXPECT_EQ(cloneHand->GetParent()->GetName(), PString("arm"));
    EXPECT_EQ(cloneSpine->GetFrameOrientation(), turn);
    ASSERT_NE(cloneSpine->GetVisibleBoundingBox(), nullptr);
    EXPECT_NE(cloneSpine->GetVisibleBoundingBox(), spine->GetVisibleBoundingBox());
    EXPECT_EQ(cloneSpine->GetLocalBoxMax(), (Vector3{0.01f, 0.01f, 0.01f}));
    EXPECT_EQ(cloneHand->GetGlobalMatrix(), hand->GetGlobalMatrix());
    EXPECT_EQ(clone->Enumerate().size(), skeleton->Enumerate().size());

    delete skeleton;  // the clone is independent
    EXPECT_EQ(cloneHand->GetParent()->GetParent(), cloneSpine);
}

TEST(ParticleStructureTest, AttachmentAndReferencePoints) {
    std::unique_ptr<ParticleStructure> model(new ParticleStructure);
    model->Add(MakeBone("body", {0, 0, 1}, Quaternion{}));

    PString first, second;
    AttachmentPoint::GetSubNames("a.coupler/body", first, second);
    EXPECT_STREQ(first.c_str(), "a.coupler");
    EXPECT_STREQ(second.c_str(), "body");
    ReferencePoint::GetSubNames("p.front", first, second);
    EXPECT_STREQ(first.c_str(), "p.front");
    EXPECT_TRUE(second.IsEmpty());

    auto* onBone = new AttachmentPoint(PString("a.coupler"), PString("body"));
    EXPECT_TRUE(model->AddAttachmentPoint(onBone, true));
    EXPECT_EQ(onBone->GetParent(), model->FindByName("body"));

    // A point whose subtree holds the bone would close a cycle.
    auto* holder = new AttachmentPoint(PString("a.holder"), PString("body"));
    Particle* body = model->FindByName("body");
    model->Add(holder);
    holder->Add(body);
    EXPECT_FALSE(model->AddAttachmentPoint(holder, true));
    EXPECT_EQ(holder->GetParent(), model.get());
    model->Add(body);
    delete holder;

    auto* missing = new AttachmentPoint(PString("a.lamp"), PString("nobone"));
    EXPECT_FALSE(model->AddAttachmentPoint(missing, true));
    EXPECT_EQ(missing->GetParent(), nullptr);
    EXPECT_TRUE(model->Add(missing));  // the caller hangs it on the model

    auto* plain = new AttachmentPoint(PString("a.roof"), PString(""));
    EXPECT_TRUE(model->AddAttachmentPoint(plain, false));
    EXPECT_EQ(plain->GetParent(), model.get());
    EXPECT_EQ(model->FindAttachmentPoint(PString("a.lamp")), missing);

    model->AddReferencePoint(new ReferencePoint(PString("p.front"), {1, 2, 3}, Quaternion{}));
    std::unique_ptr<Particle> copy(model->CreateInstance());
    auto* structure = dynamic_cast<ParticleStructure*>(copy.get());
    ASSERT_NE(structure, nullptr);
    ASSERT_NE(structure->FindReferencePoint(PString("p.front")), nullptr);
    EXPECT_NE(structure->FindReferencePoint(PString("p.front")), model->FindReferencePoint(PString("p.front")));
}

TEST(SceneGraphTest, ScenesAndDeathRow) {
    SceneGraph graph;
    auto* scene = new Particle;
    graph.AddScene(scene);
    graph.AddScene(scene);
    EXPECT_EQ(graph.GetSceneCount(), 1u);
    Tree t;
    scene->Add(t.root);
    graph.AddToDeathRow(t.a21);  // leaves its tree at once
    graph.AddToDeathRow(t.a);
    graph.AddToDeathRow(t.a);    // queued once
    EXPECT_EQ(t.a2->GetChildCount(), 0u);
    EXPECT_EQ(t.root->GetChildCount(), 1u);
    EXPECT_EQ(graph.PurgeDeathRow(), 2u);
    EXPECT_EQ(graph.PurgeDeathRow(), 0u);
    EXPECT_TRUE(graph.UnlinkScene(scene));
    EXPECT_FALSE(graph.UnlinkScene(scene));
    delete scene;
}

TEST(SceneCullTest, CullStampsVisibleParticlesAndSkipsHiddenOnes) {
    Tree t;
    Camera camera;
    ViewPoint view(&camera, nullptr);
    view.NextFrame();
    t.a->SetFlag(Particle::kFlagHidden, true);
    t.root->Cull(view, Matrix4::Identity());
    EXPECT_EQ(t.root->GetLastCulledFrame(), view.GetFrame());
    EXPECT_EQ(t.b->GetLastCulledFrame(), view.GetFrame());
    EXPECT_NE(t.a1->GetLastCulledFrame(), view.GetFrame());
    delete t.root;
}

namespace {

// A particle that records the walk: "+name" when entered, "-name" when left.
class Recorder : public Particle {
public:
    Recorder(const char* name, std::vector<std::string>& log) : m_log(log) { SetName(name); }

protected:
    bool CullEnter(ViewPoint& viewPoint, const Matrix4& parentMatrix) override {
        m_log.push_back(std::string("+") + GetName().c_str());
        m_parentX.push_back(parentMatrix.m[3][0]);
        return Particle::CullEnter(viewPoint, parentMatrix);
    }
    void CullLeave(ViewPoint&, const Matrix4&) override { m_log.push_back(std::string("-") + GetName().c_str()); }

public:
    std::vector<float> m_parentX;

private:
    std::vector<std::string>& m_log;
};

}  // namespace

TEST(SceneCullTest, TheWalkEntersAndLeavesInTreeOrderAtAnyDepth) {
    // root(at x 1) ─ a(x 2) ─ a1
    //                       └ a2 (hidden) ─ a21
    //              └ b
    std::vector<std::string> log;
    auto* root = new Recorder("root", log);
    auto* a = new Recorder("a", log);
    auto* a1 = new Recorder("a1", log);
    auto* a2 = new Recorder("a2", log);
    auto* a21 = new Recorder("a21", log);
    auto* b = new Recorder("b", log);
    root->SetPosition({1, 0, 0});
    a->SetPosition({2, 0, 0});
    root->Add(a);
    a->Add(a1);
    a->Add(a2);
    a2->Add(a21);
    root->Add(b);
    a2->SetFlag(Particle::kFlagHidden, true);
    Camera camera;
    ViewPoint view(&camera, nullptr);
    view.NextFrame();
    root->Cull(view, Matrix4::Identity());
    EXPECT_EQ(log, (std::vector<std::string>{"+root", "+a", "+a1", "-a1", "+a2", "-a2", "-a", "+b", "-b", "-root"}));
    // Each particle gets its parent's global matrix.
    EXPECT_EQ(a1->m_parentX, std::vector<float>{3.0f});
    EXPECT_EQ(b->m_parentX, std::vector<float>{1.0f});
    EXPECT_NE(a21->GetLastCulledFrame(), view.GetFrame());
    delete root;

    // A chain far deeper than the call stack would allow a recursive walk.
    auto* deepest = new Particle;
    Particle* top = deepest;
    for (int i = 0; i < 200000; ++i) {
        auto* parent = new Particle;
        parent->Add(top);
        top = parent;
    }
    view.NextFrame();
    top->Cull(view, Matrix4::Identity());
    EXPECT_EQ(deepest->GetLastCulledFrame(), view.GetFrame());
    delete top;
}

TEST(ObjectLODTest, LevelsFollowTheSwitchDistances) {
    ObjectLOD lod;
    lod.Init(std::vector<float>{0, 50, 200}, ObjectLOD::kNear);
    EXPECT_EQ(lod.GetLevelCount(), 3u);
    Camera camera;
    camera.Place({0, 0, 0}, Quaternion{});
    EXPECT_FLOAT_EQ(lod.FindLOD({100, 0, 0}, 10, camera), 90.0f);
    EXPECT_EQ(lod.FindLODIndex(90.0f), 1u);
    EXPECT_EQ(lod.FindLODIndex(-1.0f), 0u);
    EXPECT_EQ(lod.FindLODIndex(200.0f), 2u);
    lod.SetMultiplier(2.0f);
    lod.SetOffset(5.0f);
    EXPECT_FLOAT_EQ(lod.FindLOD({100, 0, 0}, 10, camera), 185.0f);
    ObjectLOD copy;
    copy.InitInstance(lod);
    EXPECT_EQ(copy.GetLevelCount(), 3u);
    EXPECT_EQ(copy.GetMultiplier(), 2.0f);

    // The view transform carries the camera's position to the origin.
    camera.Place({1, 2, 3}, Quaternion{0, 0, std::sqrt(0.5f), std::sqrt(0.5f)});
    Vector3 at = camera.GetViewTransform().TransformPoint({1, 2, 3});
    EXPECT_NEAR(at.LengthSquared(), 0.0f, 1e-8f);
}

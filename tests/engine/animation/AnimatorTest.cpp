#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/ResourceDatabase.h"
#include "engine/animation/AnimationModifier.h"
#include "engine/animation/Animator.h"
#include "engine/animation/KinAnimation.h"
#include "engine/animation/SkeletonModifier.h"
#include "engine/scene/ParticleBone.h"
#include "support/TempDir.h"

using namespace Vek;

namespace {

KinAnimation Animation(std::vector<const char*> bones, uint32_t frames = 2) {
    KinAnimation animation;
    animation.frameCount = frames;
    for (const char* bone : bones) {
        KinAnimation::Track track;
        track.bone = PString(bone);
        track.keys.resize(frames);
        track.keys.back().position = {0, 1, 0};
        animation.tracks.push_back(track);
    }
    return animation;
}

std::vector<uint8_t> Encode(const KinAnimation& animation, const std::string& path) {
    {
        File file;
        EXPECT_TRUE(file.Open(path.c_str(), 257));
        EXPECT_TRUE(animation.Write(file));
    }
    File file;
    EXPECT_TRUE(file.Open(path.c_str(), File::kModeRead));
    MemoryFile memory;
    memory.Open(file);
    return std::vector<uint8_t>(memory.GetData(), memory.GetData() + memory.GetLength());
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    File file;
    ASSERT_TRUE(file.Open(path.c_str(), 257));
    ASSERT_EQ(file.Write(bytes.data(), bytes.size()), bytes.size());
}

class AnimatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(File::Subst(PString("animtest"), dir.Path().c_str(), true));
        model->Add(new ParticleBone(PString("root")));
        model->GetFirstChild()->Add(new ParticleBone(PString("arm")));
    }
    void TearDown() override { File::Subst(PString("animtest"), nullptr, true); }

    VorlexTest::TempDir dir;
    ResourceDatabase database{PString("animtest")};
    std::unique_ptr<Particle> model{new Particle};
};

}  // namespace

TEST_F(AnimatorTest, KinFilesRoundTrip) {
    KinAnimation animation = Animation({"root", "arm"}, 3);
    std::vector<uint8_t> bytes = Encode(animation, dir.Path() + "/walk.kin");
    MemoryFile memory;
    memory.Open(bytes.data(), bytes.size());
    KinAnimation read;
    ASSERT_TRUE(read.Read(memory));
    EXPECT_EQ(read.frameCount, 3u);
    ASSERT_EQ(read.tracks.size(), 2u);
    EXPECT_STREQ(read.tracks[1].bone.c_str(), "arm");
    EXPECT_EQ(read.tracks[1].keys[2].position, (Vector3{0, 1, 0}));
}

TEST_F(AnimatorTest, DamagedKinFilesAreUnreadable) {
    std::vector<uint8_t> good = Encode(Animation({"root"}), dir.Path() + "/good.kin");
    auto patched = [&](std::size_t offset, uint32_t value) {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i) bytes[offset + i] = uint8_t(value >> (8 * i));
        return bytes;
    };
    // Offsets: 4 file size, 12 "ANIM", 16 chunk size, 20 version, 24 fps,
    // 28 frame count, 32 bone count, 36 name length.
    std::vector<std::vector<uint8_t>> damaged = {
        patched(20, 101),                                                  // version
        patched(28, 0xFFFFFFFFu),                                          // frames beyond the data
        patched(28, 3),                                                    // one frame more than stored
        patched(32, 4000),                                                 // bones beyond the data
        patched(36, 0x7FFFFFFF),                                           // name length
        patched(4, 1000),                                                  // file size
        std::vector<uint8_t>(good.begin(), good.end() - 1),                // cut short
        std::vector<uint8_t>(good.begin(), good.begin() + 3),
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        MemoryFile memory;
        memory.Open(damaged[i].data(), damaged[i].size());
        KinAnimation read;
        EXPECT_FALSE(read.Read(memory)) << "case " << i;
        EXPECT_TRUE(read.tracks.empty()) << "case " << i;
    }
}

TEST_F(AnimatorTest, AddResultCodes) {
    Encode(Animation({"root", "arm"}), dir.Path() + "/walk.kin");
    Encode(Animation({"root", "tail"}), dir.Path() + "/wag.kin");
    Save(dir.Path() + "/junk.kin", {'n', 'o', 't', ' ', 'k', 'i', 'n'});

    SkeletonModifier skeleton(model.get(), nullptr, 0.5f);
    Animator animator(nullptr, &database, &skeleton);
    struct Case {
        const char* name;
        int result;
    } cases[] = {
        {"walk.kin", 0}, {"WALK.KIN", 0},  // names resolve case-insensitively
        {"wag.kin", 2},                    // a bone the model lacks
        {"missing.kin", 3}, {"junk.kin", 3}, {"", 3},
    };
    for (const Case& c : cases) EXPECT_EQ(animator.Add(nullptr, c.name, 5, 1.0f, 0, 1, 0, 0, 1), c.result) << c.name;
    EXPECT_EQ(animator.GetAnimationCount(), 2u);

    // A model without bones cannot play any animation; without a file the
    // answer is still 3.
    std::unique_ptr<Particle> plain(new Particle);
    SkeletonModifier none(plain.get(), nullptr, 0.5f);
    Animator noSkeleton(nullptr, &database, &none);
    EXPECT_EQ(noSkeleton.Add(nullptr, "walk.kin", 5, 1.0f, 0, 1, 0, 0, 1), 2);
    EXPECT_EQ(noSkeleton.Add(nullptr, "missing.kin", 5, 1.0f, 0, 1, 0, 0, 1), 3);

    std::unique_ptr<AnimationModifier> modifier(AnimationModifier::CreateInstance(&database, "walk.kin", 5));
    ASSERT_NE(modifier, nullptr);
    EXPECT_EQ(modifier->GetAnimation().tracks.size(), 2u);
    EXPECT_EQ(AnimationModifier::CreateInstance(&database, "junk.kin", 5), nullptr);
}

// The headless display: capability answers from its profile, states that
// read back, the trace, texture-stage states, vertex-type registration,
// colour conversion, and the render kernel's choice of profile.
#include <gtest/gtest.h>

#include "engine/OS.h"
#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/geometry/VertexType.h"
#include "engine/materials/MaterialManager.h"
#include "engine/textures/TextureManager.h"

using namespace Vek;

TEST(Display, CapabilitiesComeFromTheProfile) {
    DisplayProfile custom;
    custom.name = "custom";
    custom.capabilities = {29};
    custom.textureStages = 1;
    custom.materials = true;
    struct Case {
        DisplayProfile profile;
        bool cap1, cap17, cap21, cap29;
        int stages;
        bool programs, combiners;
    } cases[] = {
        {DisplayProfile::OpenGL(), true, true, true, true, 8, true, true},
        {DisplayProfile::Null(), false, false, false, false, 0, false, false},
        {custom, false, false, false, true, 1, false, false},
    };
    for (const Case& c : cases) {
        Display display(c.profile);
        EXPECT_EQ(display.HasCapability(1), c.cap1) << c.profile.name;
        EXPECT_EQ(display.HasCapability(17), c.cap17) << c.profile.name;
        EXPECT_EQ(display.HasCapability(21), c.cap21) << c.profile.name;
        EXPECT_EQ(display.HasCapability(29), c.cap29) << c.profile.name;
        EXPECT_FALSE(display.HasCapability(2)) << c.profile.name;
        EXPECT_EQ(display.GetTextureStageCount(), c.stages) << c.profile.name;
        EXPECT_EQ(display.GetVertexProgramManager() != nullptr, c.programs) << c.profile.name;
        EXPECT_EQ(display.GetTextureCombinerManager() != nullptr, c.combiners) << c.profile.name;
    }
}

TEST(Display, StatesReadBackAndEverySetterIsTraced) {
    Display display(DisplayProfile::OpenGL());
    display.SetAlphaBlendMode(true);
    display.SetAlphaBlendFunction(4, 5);
    display.SetAlphaTestMode(true);
    display.SetDepthWriteMode(false);
    display.SetFogMode(0);
    display.SetCullMode(0);
    display.SetColorMaterialMode(5);
    DisplayMatrix world;
    world.m[3][0] = 2.0f;
    display.SetWorldMatrix(world);
    EXPECT_TRUE(display.GetAlphaBlendMode());
    int src = 0, dst = 0;
    display.GetAlphaBlendFunction(src, dst);
    EXPECT_EQ(src, 4);
    EXPECT_EQ(dst, 5);
    EXPECT_TRUE(display.GetAlphaTestMode());
    EXPECT_FALSE(display.GetDepthWriteMode());
    EXPECT_EQ(display.GetCullMode(), 0);
    EXPECT_EQ(display.GetColorMaterialMode(), 5);
    EXPECT_EQ(display.GetWorldMatrix(), world);
    const std::vector<std::string> expected = {"SetAlphaBlendMode 1", "SetAlphaBlendFunction 4 5", "SetAlphaTestMode 1",
                                               "SetDepthWriteMode 0", "SetFogMode 0",           "SetCullMode 0",
                                               "SetColorMaterialMode 5", "SetWorldMatrix 2 0 0"};
    EXPECT_EQ(display.GetTrace().Lines(), expected);
}

TEST(Display, StagesOutsideTheProfileAreRefused) {
    Display gl(DisplayProfile::OpenGL());
    EXPECT_TRUE(gl.DisableStage(7));
    EXPECT_FALSE(gl.DisableStage(8));
    EXPECT_FALSE(gl.DisableStage(-1));
    Display null(DisplayProfile::Null());
    EXPECT_FALSE(null.DisableStage(0));
    EXPECT_EQ(null.CreateTextureStageState(TextureArgs(), TextureArgs()), 0u);
}

TEST(Display, TextureStageStatesAreHandedOutAppliedAndReleased) {
    Display display(DisplayProfile::OpenGL());
    const int args[4][2] = {{0, 0}, {0, 2}, {3, 3}, {3, 3}};
    uint32_t zero = display.CreateTextureStageState(TextureArgs(0, 2, 0, 1, args), TextureArgs(0, 1, 1, 0, args));
    uint32_t one = display.CreateTextureStageState(TextureArgs(1, 1, 0, 0, args), TextureArgs(1, 1, 1, 1, args));
    ASSERT_NE(zero, 0u);
    ASSERT_NE(one, 0u);
    EXPECT_NE(zero, one);
    EXPECT_TRUE(display.ApplyTextureStageState(one));
    EXPECT_EQ(display.GetAppliedStageState(1), one);
    EXPECT_EQ(display.GetAppliedStageState(0), 0u);
    EXPECT_TRUE(display.ReleaseTextureStageState(one));
    EXPECT_EQ(display.GetAppliedStageState(1), 0u);
    EXPECT_FALSE(display.ReleaseTextureStageState(one));
    EXPECT_FALSE(display.ApplyTextureStageState(one));
}

TEST(Display, AVertexTypeIdMayBeRegisteredAgain) {
    Display display(DisplayProfile::OpenGL());
    ASSERT_NE(display.FindVertexType(18), nullptr);  // the packed layouts are known
    ASSERT_NE(display.FindVertexType(19), nullptr);
    AutoReference<VertexType> first(new VertexType(99));
    AutoReference<VertexType> second(new VertexType(99));
    EXPECT_TRUE(display.RegisterVertexType(first.Get(), 0, 0));
    EXPECT_EQ(display.FindVertexType(99), first.Get());
    EXPECT_TRUE(display.RegisterVertexType(second.Get(), 0, 0));
    EXPECT_EQ(display.FindVertexType(99), second.Get());
    EXPECT_EQ(first->GetReferenceCount(), 1);  // the display dropped its hold on the first
    EXPECT_FALSE(display.RegisterVertexType(nullptr));
}

TEST(Display, ColourArraysAreConvertedToTheDisplayOrder) {
    uint32_t colours[] = {0xFF112233u, 0x80AABBCCu, 0u};
    Display::ConvertColorArray(colours, 3);
    EXPECT_EQ(colours[0], 0xFF332211u);
    EXPECT_EQ(colours[1], 0x80CCBBAAu);
    EXPECT_EQ(colours[2], 0u);
    Display::ConvertColorArray(nullptr, 5);  // nothing to do, no crash
}

TEST(Display, StaticBuffersHoldTheirCapacityAndRefuseAbsurdSizes) {
    Display display(DisplayProfile::OpenGL());
    auto vb = display.CreateStaticVertexBuffer(3, 32);
    ASSERT_TRUE(vb);
    std::vector<uint8_t> data(4 * 32, 7);
    EXPECT_TRUE(vb->Upload(data.data(), 3));
    EXPECT_FALSE(vb->Upload(data.data(), 4));
    EXPECT_EQ(vb->GetData()[95], 7);
    EXPECT_FALSE(display.CreateStaticVertexBuffer(0x7FFFFFFF, 48));
    EXPECT_FALSE(display.CreateStaticVertexBuffer(4, 0));
}

TEST(RenderKernelDisplay, TheRendererChoosesTheProfileAndTestsMayInjectOne) {
    {
        OS os("VorlexUtil", "-render=OpenGL");
        ASSERT_TRUE(os.Init());
        RenderKernel kernel(nullptr, 8.0f);
        ASSERT_TRUE(kernel.Init(&os));
        ASSERT_NE(kernel.GetDisplay(), nullptr);
        EXPECT_TRUE(kernel.GetDisplay()->HasCapability(29));
        EXPECT_GT(kernel.GetDisplay()->GetTextureStageCount(), 1);
        EXPECT_NE(kernel.GetMaterialManager(), nullptr);
        EXPECT_NE(kernel.GetTextureManager(), nullptr);
        EXPECT_NE(kernel.GetRenderingCacheManager(), nullptr);

        DisplayProfile injected = DisplayProfile::OpenGL();
        injected.capabilities.erase(29);
        RenderKernel::SetProfileOverride(injected);
        ASSERT_TRUE(kernel.Init(&os));
        RenderKernel::SetProfileOverride(std::nullopt);
        EXPECT_FALSE(kernel.GetDisplay()->HasCapability(29));
        EXPECT_TRUE(kernel.GetDisplay()->HasCapability(17));
    }
    OS os("VorlexUtil", "-NullRender");
    ASSERT_TRUE(os.Init());
    RenderKernel kernel(nullptr, 8.0f);
    ASSERT_TRUE(kernel.Init(&os));
    EXPECT_EQ(kernel.GetRenderer(), OS::Renderer::Null);
    EXPECT_FALSE(kernel.GetDisplay()->HasCapability(1));
    EXPECT_EQ(kernel.GetDisplay()->GetTextureStageCount(), 0);
}

// The OS object and the render kernel as start-up brings them up: each
// initialisation with its failure path, the test switches that force
// failures, and the single retry with "-NullRender".
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/OS.h"
#include "engine/OSInitFailureSwitch.h"
#include "engine/RenderKernel.h"

using Vek::OS;
using Vek::OSInitFailureSwitch;
using Vek::RenderKernel;

namespace {

class EngineStart : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        ::unsetenv("VEK_FAIL_OS_INIT");
        ::unsetenv("VEK_FAIL_RENDER_INIT");
        OSInitFailureSwitch::OSInit().Reset();
        OSInitFailureSwitch::RenderInit().Reset();
    }
};

// Start-up's pattern: one try, then "-NullRender" added and one more.
bool InitWithRetry(OS& os, RenderKernel* kernel = nullptr) {
    auto attempt = [&] { return kernel ? kernel->Init(&os) : os.Init(); };
    if (attempt()) return true;
    os.GetOptions().ProcessRaw("-NullRender");
    return attempt();
}

}  // namespace

TEST_F(EngineStart, TheOptionsChooseTheRendererAndItsCapabilities) {
    struct Case {
        const char* options;
        bool ok;
        OS::Renderer renderer;
        bool capable;
    } cases[] = {
        {"-render=OpenGL -hidewindow -LogFile=/dev/null ", true, OS::Renderer::OpenGL, true},
        {"-render=opengl", true, OS::Renderer::OpenGL, true},
        {"-NullRender -LogStdOut ", true, OS::Renderer::Null, false},
        {"-render=OpenGL -NullRender", true, OS::Renderer::Null, false},  // null wins
        {"", true, OS::Renderer::OpenGL, true},
        {"-render=Direct3D", false, OS::Renderer::None, false},
    };
    for (const Case& c : cases) {
        OS os("VorlexUtil", c.options);
        EXPECT_EQ(os.Init(), c.ok) << c.options;
        EXPECT_EQ(os.GetRenderer(), c.renderer) << c.options;
        RenderKernel kernel(nullptr, 8.0f);
        EXPECT_EQ(kernel.Init(&os), c.ok) << c.options;
        EXPECT_EQ(kernel.GetRenderer(), c.renderer) << c.options;
        const RenderKernel::Capabilities& caps = kernel.GetCapabilities();
        EXPECT_EQ(caps.materials, c.capable) << c.options;
        EXPECT_EQ(caps.vertexPrograms, c.capable) << c.options;
        EXPECT_EQ(caps.textureCombiners, c.capable) << c.options;
        EXPECT_EQ(caps.textureStages, c.capable ? RenderKernel::kOpenGLTextureStages : 0) << c.options;
    }
}

TEST_F(EngineStart, AnUnknownRendererIsMendedByTheNullRenderRetry) {
    OS os("VorlexUtil", "-render=Direct3D");
    EXPECT_TRUE(InitWithRetry(os));
    EXPECT_EQ(os.GetRenderer(), OS::Renderer::Null);
}

TEST_F(EngineStart, TheKernelNeedsAnInitialisedOSObject) {
    RenderKernel kernel(nullptr, 8.0f);
    EXPECT_FALSE(kernel.Init(nullptr));
    OS os("VorlexUtil", "-render=OpenGL");
    EXPECT_FALSE(kernel.Init(&os));
    EXPECT_FALSE(kernel.IsInitialised());
    ASSERT_TRUE(os.Init());
    EXPECT_TRUE(kernel.Init(&os));
    EXPECT_FALSE(RenderKernel::GetCurrent());
    RenderKernel::SetCurrent(&kernel);
    EXPECT_EQ(RenderKernel::GetCurrent(), &kernel);
}

TEST_F(EngineStart, TheFailureSwitchesReachBothRetriesAndBothSecondFailures) {
    struct Case {
        const char* failOs;
        const char* failRender;
        bool osUp;
        bool kernelUp;
        OS::Renderer renderer;
    } cases[] = {
        {nullptr, nullptr, true, true, OS::Renderer::OpenGL},
        {"1", nullptr, true, true, OS::Renderer::Null},   // the OS retry
        {"2", nullptr, false, false, OS::Renderer::None},  // its second failure
        {nullptr, "1", true, true, OS::Renderer::Null},   // the kernel retry
        {nullptr, "2", true, false, OS::Renderer::None},  // its second failure
        {"0", "0", true, true, OS::Renderer::OpenGL},
        {"x1", "-1", true, true, OS::Renderer::OpenGL},  // not a number: nothing fails
    };
    for (const Case& c : cases) {
        Clear();
        if (c.failOs) ::setenv("VEK_FAIL_OS_INIT", c.failOs, 1);
        if (c.failRender) ::setenv("VEK_FAIL_RENDER_INIT", c.failRender, 1);
        const std::string label = std::string(c.failOs ? c.failOs : "-") + "/" + (c.failRender ? c.failRender : "-");

        OS os("VorlexUtil", "-render=OpenGL -hidewindow -LogFile=/dev/null ");
        RenderKernel kernel(nullptr, 8.0f);
        const bool osUp = InitWithRetry(os);
        EXPECT_EQ(osUp, c.osUp) << label;
        if (!osUp) continue;
        EXPECT_EQ(InitWithRetry(os, &kernel), c.kernelUp) << label;
        EXPECT_EQ(kernel.GetRenderer(), c.renderer) << label;
    }
}

TEST_F(EngineStart, OnlyTheFirstNInitialisationsOfTheProcessFail) {
    ::setenv("VEK_FAIL_OS_INIT", "3", 1);
    OS first("VorlexUtil", "");
    OS second("VorlexUtil", "");
    EXPECT_FALSE(first.Init());
    EXPECT_FALSE(second.Init());
    EXPECT_FALSE(first.Init());
    EXPECT_TRUE(second.Init());
    EXPECT_TRUE(first.Init());
    // The render kernel's switch counts on its own.
    RenderKernel kernel(nullptr, 8.0f);
    EXPECT_TRUE(kernel.Init(&first));
}

// Vertex-program and texture-combiner texts: registration parses their
// declarations, and only declared names load.
#include <gtest/gtest.h>

#include "engine/ReferenceCount.h"
#include "engine/display/Display.h"
#include "engine/display/TextureCombiner.h"
#include "engine/display/TextureCombinerManager.h"
#include "engine/display/VertexProgram.h"
#include "engine/display/VertexProgramManager.h"

using namespace Vek;

namespace {

const char* kVertexText =
    "# BumpGroup\n"
    "version 2.0\n"
    "vertexProgram(BumpGroup) {\n"
    "  Bump_ParallelLight(PNTA) { ParallelLight, OneTex, Fog }\n"
    "  Bump_SpotLight(PNTA) { SpotLight, OneTex, Fog }\n"
    "  Bump_Env(PNTA) ParallelLight, cubeMap;\n"
    "}\n"
    "API(common) {\n"
    "  DP4 result.position.x, mvp[0], vertex.position;\n"
    "  %ifdef ParallelLight\n  MOV result.color, {0.5};\n  %endif\n"
    "}\n";

const char* kCombinerText =
    "# BumpMat_ParallelLight_Pxl\n"
    "version 1.1\n"
    "header(BumpMat_ParallelLight) {\n"
    "  reg 0 (LightDiff) - 0, 0, 0, 1;\n"
    "  reg 1 (LightAmb) - 0, 0, 0, 1;\n"
    "  reg 2 (Specular) - 0.9, 0.9, 0.9, 0.75;\n"
    "}\n"
    "API(common) { ps.1.1 tex t0 dp3_sat r0, t1_bx2, v0_bx2 mul r0, r0, c0 }\n";

}  // namespace

TEST(VertexProgramManager, OnlyDeclaredProgramsLoad) {
    Display display(DisplayProfile::OpenGL());
    VertexProgramManager* programs = display.GetVertexProgramManager();
    ASSERT_NE(programs, nullptr);
    ASSERT_TRUE(programs->RegisterBuiltInPrograms("BumpGroup", kVertexText));

    VertexProgram* program = nullptr;
    EXPECT_EQ(programs->LoadProgram("Bump_ParallelLight", "BumpGroup", 99, 0, &program), 0);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->GetLayout(), "PNTA");
    EXPECT_TRUE(program->HasFeature("ParallelLight"));
    EXPECT_TRUE(program->HasFeature("Fog"));
    EXPECT_FALSE(program->HasFeature("SpotLight"));
    VertexProgram* again = nullptr;
    EXPECT_EQ(programs->LoadProgram("Bump_ParallelLight", "BumpGroup", 99, 0, &again), 0);
    EXPECT_EQ(again, program);  // shared
    again->ReleaseReference();
    program->ReleaseReference();

    VertexProgram* env = nullptr;
    EXPECT_EQ(programs->LoadProgram("Bump_Env", "BumpGroup", 99, 0, &env), 0);
    ASSERT_NE(env, nullptr);
    EXPECT_TRUE(env->HasFeature("cubeMap"));
    env->ReleaseReference();

    struct Miss {
        const char* name;
        const char* group;
    } misses[] = {{"Bump_Gloss", "BumpGroup"}, {"Bump_ParallelLight", "OtherGroup"}, {"ParallelLight", "BumpGroup"}};
    for (const Miss& m : misses) {
        VertexProgram* none = reinterpret_cast<VertexProgram*>(1);
        EXPECT_EQ(programs->LoadProgram(m.name, m.group, 99, 0, &none), 3) << m.name;
        EXPECT_EQ(none, nullptr) << m.name;
    }
}

TEST(VertexProgramManager, MalformedTextsAreNotRegistered) {
    Display display(DisplayProfile::OpenGL());
    VertexProgramManager* programs = display.GetVertexProgramManager();
    const char* bad[] = {
        "vertexProgram(G) { A(PNTA) { Fog }\n",         // unbalanced
        "vertexProgram(G) { }\n",                       // declares nothing
        "vertexProgram(Other) { A(PNTA) { Fog } }\n",   // another group
        "vertexProgram(G) { A(PNTA { Fog } }\n",        // broken declaration
        "API(common) { }\n",                            // no declarations at all
    };
    for (const char* text : bad) EXPECT_FALSE(programs->RegisterBuiltInPrograms("G", text)) << text;
    EXPECT_FALSE(programs->IsRegistered("G"));
}

TEST(TextureCombinerManager, TheHeaderGivesRegistersAndDefaults) {
    Display display(DisplayProfile::OpenGL());
    TextureCombinerManager* combiners = display.GetTextureCombinerManager();
    ASSERT_NE(combiners, nullptr);
    EXPECT_FALSE(combiners->RegisterBuiltInPrograms("Another", kCombinerText));  // header names another
    ASSERT_TRUE(combiners->RegisterBuiltInPrograms("BumpMat_ParallelLight", kCombinerText));

    TextureCombiner* combiner = nullptr;
    ASSERT_EQ(combiners->LoadCombiner("BumpMat_ParallelLight", &combiner), 0);
    AutoReference<TextureCombiner> held(combiner);
    TextureCombiner::Vector4 value{};
    ASSERT_TRUE(combiner->GetRegister(2, value));
    EXPECT_FLOAT_EQ(value[0], 0.9f);
    EXPECT_FLOAT_EQ(value[3], 0.75f);
    EXPECT_EQ(combiner->GetRegisters().at(1).name, "LightAmb");
    EXPECT_TRUE(combiner->SetRegister(0, 1, 0.5f, 0.25f, 1));
    EXPECT_FALSE(combiner->SetRegister(3, 1, 1, 1, 1));  // not declared
    EXPECT_EQ(display.GetTrace().CountStartingWith("SetCombinerRegister BumpMat_ParallelLight 0"), 1u);

    TextureCombiner* none = nullptr;
    EXPECT_EQ(combiners->LoadCombiner("BumpEnvMat_SpotLight", &none), 3);
    EXPECT_EQ(none, nullptr);
}

TEST(TextureCombinerManager, ADisplayWithoutProgramsHasNoManagers) {
    Display display(DisplayProfile::Null());
    EXPECT_EQ(display.GetVertexProgramManager(), nullptr);
    EXPECT_EQ(display.GetTextureCombinerManager(), nullptr);
}

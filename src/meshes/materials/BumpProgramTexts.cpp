#include "meshes/materials/BumpProgramTexts.h"

#include <map>

#include "engine/display/Display.h"
#include "engine/display/TextureCombinerManager.h"
#include "engine/display/VertexProgramManager.h"

namespace Vek::BumpPrograms {

namespace {

// Locals: 4 light colour, 5 light position (object space), 6 (cos spot
// angle, 1 / light radius, 0, 0), 7 light direction (object space), 12
// ambient, 13 camera position (object space).
const char* const kVertexText = R"(# VorlexBumpMaterial_Vtx
version 2.0
vertexProgram(VorlexBumpMaterial_Vtx) {
    VorlexBump_ParallelLight(PNTA) { ParallelLight, OneTex, Fog }
    VorlexBump_SpotLight(PNTA) { SpotLight, OneTex, Fog }
    VorlexBumpGloss_ParallelLight(PNTA) { ParallelLight, OneTex, SphereMap, Fog }
    VorlexBumpGloss_SpotLight(PNTA) { SpotLight, OneTex, SphereMap, Fog }
    VorlexBumpEnv_ParallelLight(PNTA) { ParallelLight, OneTex, cubeMap, Fog }
    VorlexBumpEnv_SpotLight(PNTA) { SpotLight, OneTex, cubeMap, Fog }
}
API(common) {
    !!ARBvp1.0
    PARAM mvp[4] = { state.matrix.mvp };
    PARAM mv[4] = { state.matrix.modelview };
    PARAM tex1[4] = { state.matrix.texture[1] };
    PARAM lightColor = program.local[4];
    PARAM lightPos = program.local[5];
    PARAM spot = program.local[6];
    PARAM lightDir = program.local[7];
    PARAM camera = program.local[13];
    ATTRIB pos = vertex.position;
    ATTRIB nrm = vertex.normal;
    ATTRIB uv = vertex.texcoord[0];
    ATTRIB tan = vertex.attrib[14];
    TEMP B, L, V, H, T, D, E, M, R;
    DP4 result.position.x, mvp[0], pos;
    DP4 result.position.y, mvp[1], pos;
    DP4 result.position.z, mvp[2], pos;
    DP4 result.position.w, mvp[3], pos;
    XPD B, tan, nrm;
%ifdef ParallelLight
    MOV L, -lightDir;
    DP3 T.x, L, tan;
    DP3 T.y, L, B;
    DP3 T.z, L, nrm;
    MAD result.color.primary, T, 0.5, 0.5;
    SUB V, camera, pos;
    DP3 V.w, V, V;
    RSQ V.w, V.w;
    MUL V, V, V.w;
    SUB H, V, lightDir;
    DP3 H.w, H, H;
    RSQ H.w, H.w;
    MUL H, H, H.w;
    DP3 T.x, H, tan;
    DP3 T.y, H, B;
    DP3 T.z, H, nrm;
    MAD result.texcoord[2], T, 0.5, 0.5;
    MAX T.w, T.z, 0.0;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MOV result.color.secondary, T.w;
%endif
%ifdef SpotLight
    SUB D, lightPos, pos;
    MUL E, D, spot.y;
    DP3 E.x, E, E;
    SUB E.x, 1.0, E.x;
    MAX E.x, E.x, 0.0;
    DP3 D.w, D, D;
    RSQ D.w, D.w;
    MUL D, D, D.w;
    DP3 E.y, D, -lightDir;
    SGE E.z, E.y, spot.x;
    MUL E.w, E.y, E.z;
    MUL E.w, E.w, E.x;
    MUL L, D, E.w;
    DP3 T.x, L, tan;
    DP3 T.y, L, B;
    DP3 T.z, L, nrm;
    MAD result.color.primary, T, 0.5, 0.5;
    SUB V, camera, pos;
    DP3 V.w, V, V;
    RSQ V.w, V.w;
    MUL V, V, V.w;
    SUB H, V, lightDir;
    DP3 H.w, H, H;
    RSQ H.w, H.w;
    MUL H, H, H.w;
    MUL H, H, E.w;
    DP3 T.x, H, tan;
    DP3 T.y, H, B;
    DP3 T.z, H, nrm;
    MAD result.texcoord[2], T, 0.5, 0.5;
    MAX T.w, T.z, 0.0;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MUL T.w, T.w, T.w;
    MOV result.color.secondary, T.w;
%endif
%ifdef OneTex
    MOV result.texcoord[0], uv;
    MOV result.texcoord[1], uv;
%endif
%ifdef SphereMap
    DP3 M.x, mv[0], nrm;
    DP3 M.y, mv[1], nrm;
    DP3 M.z, mv[2], nrm;
    MOV M.y, -M.y;
    MAD M, M, 0.5, 0.5;
    MAD M.xyz, uv, 0.05, M;
    MOV M.w, 1.0;
    MOV result.texcoord[3], M;
%endif
%ifdef cubeMap
    DP4 E.x, mv[0], pos;
    DP4 E.y, mv[1], pos;
    DP4 E.z, mv[2], pos;
    DP3 M.x, mv[0], nrm;
    DP3 M.y, mv[1], nrm;
    DP3 M.z, mv[2], nrm;
    MOV M.w, 1.0;
    DP3 V.w, E, E;
    RSQ V.w, V.w;
    MUL V, -E, V.w;
    DP3 R.w, M, V;
    MUL R.w, R.w, 2.0;
    MAD R, M, R.w, -V;
    MOV R.w, 1.0;
    DP4 result.texcoord[3].x, tex1[0], R;
    DP4 result.texcoord[3].y, tex1[1], R;
    DP4 result.texcoord[3].z, tex1[2], R;
    DP4 result.texcoord[3].w, tex1[3], R;
%endif
%ifdef Fog
    DP4 E.x, mv[0], pos;
    DP4 E.y, mv[1], pos;
    DP4 E.z, mv[2], pos;
    DP3 E.w, E, E;
    RSQ E.w, E.w;
    RCP result.fogcoord.x, E.w;
%endif
    END
}
)";

// Pixel programs (ps.1.1). Register use: r0 colour, r1 the working terms;
// N = 2 t1 - 1 (t1_bx2), Lx = v0_bx2, Hx = t2_bx2.
const char* const kBumpMat = R"(# VorlexBumpMat_ParallelLight_Pxl
version 1.1
header(VorlexBumpMat_ParallelLight) {
    reg 0 (LightDiff) - 0, 0, 0, 1;
    reg 1 (LightAmb) - 0, 0, 0, 1;
    reg 2 (Specular) - 0.9, 0.9, 0.9, 0.75;
}
API(common) {
    ps.1.1
    tex t0
    tex t1
    tex t2
    dp3_sat r1, t1_bx2, t2_bx2
    mov r1.a, c2.a
    dp3_sat r0, t1_bx2, v0_bx2
    sub_x4_sat t2.a, t1_bx2.b, r1.a
    mad_sat r0.rgb, r0, c0, c1
    mul r1.rgb, r1.b, r1.b
    mul_x2 r0.rgb, r0, t0
    mad_x4_sat r1.rgb, r1, r1, -r1.a
    mul t3.rgb, c2, t1.a
    lrp r1.rgb, t2.a, v1.b, r1
    mad r0.rgb, r1, t3, r0
    +mul r0.a, t0.a, c0.a
}
)";

const char* const kBumpEnvMatParallel = R"(# VorlexBumpEnvMat_ParallelLight_Pxl
version 1.1
header(VorlexBumpEnvMat_ParallelLight) {
    reg 0 (LightDiff) - 0, 0, 0, 1;
    reg 1 (LightAmb) - 0, 0, 0, 1;
    reg 2 (Specular) - 0.9, 0.9, 0.9, 0.75;
}
API(common) {
    ps.1.1
    tex t0
    tex t1
    tex t2
    tex t3
    dp3_sat r1, t1_bx2, t2_bx2
    lrp r1.a, t1.a, c2.a, c1.a
    dp3_sat r0, t1_bx2, v0_bx2
    sub_x4_sat t2.a, t1_bx2.b, r1.a
    mad_sat r0.rgb, r0, c0, c1
    mul r1.rgb, r1.b, r1.b
    mul_x2 r0.rgb, r0, t0
    mad_x4_sat r1.rgb, r1, r1, -r1.a
    lrp r0.rgb, t0.a, t3, r0
    lrp r1.rgb, t2.a, v1.b, r1
    mad r0.rgb, r1, c2, r0
    +mov r0.a, c0.a
}
)";

const char* const kBumpEnvMatSpot = R"(# VorlexBumpEnvMat_SpotLight_Pxl
version 1.1
header(VorlexBumpEnvMat_SpotLight) {
    reg 0 (LightDiff) - 0, 0, 0, 1;
    reg 1 (LightAmb) - 0, 0, 0, 1;
    reg 2 (Specular) - 0.9, 0.9, 0.9, 0.75;
}
API(common) {
    ps.1.1
    tex t0
    tex t1
    tex t2
    dp3_sat r1, t1_bx2, t2_bx2
    lrp r1.a, t1.a, c2.a, c1.a
    dp3_sat r0, t1_bx2, v0_bx2
    sub_x4_sat t2.a, t1_bx2.b, r1.a
    mad_sat r0.rgb, r0, c0, c1
    mul r1.rgb, r1.b, r1.b
    mul_x2 r0.rgb, r0, t0
    mad_x4_sat r1.rgb, r1, r1, -r1.a
    lrp r1.rgb, t2.a, v1.b, r1
    mad r0.rgb, r1, c2, r0
    +mov r0.a, c0.a
}
)";

const char* const kBumpGlossMatParallel = R"(# VorlexBumpGlossMat_ParallelLight_Pxl
version 1.1
header(VorlexBumpGlossMat_ParallelLight) {
    reg 0 (LightDiff) - 0, 0, 0, 1;
    reg 1 (LightAmb) - 0, 0, 0, 1;
    reg 2 (Lerp) - 0, 0, 1, 1;
    reg 3 (Specular) - 0.9, 0.9, 0.9, 0.75;
}
API(common) {
    ps.1.1
    tex t0
    tex t1
    tex t2
    tex t3
    dp3_sat r1, t1_bx2, t2_bx2
    lrp r1.a, t1.a, c3.a, c1.a
    dp3_sat r0, t1_bx2, v0_bx2
    sub_x4_sat t2.a, t1_bx2.b, r1.a
    mad_sat r0.rgb, r0, c0, c1
    mul r1.rgb, r1.b, r1.b
    mul_x2 r0.rgb, r0, t0
    mad_x4_sat r1.rgb, r1, r1, -r1.a
    lrp r0.rgb, c2, t3, r0
    lrp r1.rgb, t2.a, v1.b, r1
    mad r0.rgb, r1, c3, r0
    +mov r0.a, c0.a
}
)";

const char* const kBumpGlossMatSpot = R"(# VorlexBumpGlossMat_SpotLight_Pxl
version 1.1
header(VorlexBumpGlossMat_SpotLight) {
    reg 0 (LightDiff) - 0, 0, 0, 1;
    reg 1 (LightAmb) - 0, 0, 0, 1;
    reg 2 (Lerp) - 0, 0, 1, 1;
    reg 3 (Specular) - 0.9, 0.9, 0.9, 0.75;
}
API(common) {
    ps.1.1
    tex t0
    tex t1
    tex t2
    dp3_sat r1, t1_bx2, t2_bx2
    lrp r1.a, t1.a, c3.a, c1.a
    dp3_sat r0, t1_bx2, v0_bx2
    sub_x4_sat t2.a, t1_bx2.b, r1.a
    mad_sat r0.rgb, r0, c0, c1
    mul r1.rgb, r1.b, r1.b
    mul_x2 r0.rgb, r0, t0
    mad_x4_sat r1.rgb, r1, r1, -r1.a
    lrp r1.rgb, t2.a, v1.b, r1
    mad r0.rgb, r1, c3, r0
    +mov r0.a, c0.a
}
)";

const char* const kBumpRustMat = R"(# VorlexBumpRustMat_ParallelLight_Pxl
version 1.1
header(VorlexBumpRustMat_ParallelLight) {
    reg 0 (LightDiff) - 0, 0, 0, 1;
    reg 1 (LightAmb) - 0, 0, 0, 1;
    reg 2 (RustColor) - 0, 0, 1, 1;
    reg 3 (Specular) - 0.9, 0.9, 0.9, 0.75;
}
API(common) {
    ps.1.1
    tex t0
    tex t1
    tex t2
    dp3_sat r1, t1_bx2, t2_bx2
    lrp r1.a, t1.a, c3.a, c1.a
    dp3_sat r0, t1_bx2, v0_bx2
    mul_sat t3.a, 1-t0.a, c2.a
    mad_sat r0.rgb, r0, c0, c1
    sub_x4_sat t2.a, t1_bx2.b, r1.a
    lrp t0.rgb, t3.a, c2, t0
    mul r1.rgb, r1.b, r1.b
    mul_x2 r0.rgb, r0, t0
    mad_x4_sat r1.rgb, r1, r1, -r1.a
    mul t3.rgb, c3, 1-t3.a
    lrp r1.rgb, t2.a, v1.b, r1
    mad r0.rgb, r1, t3, r0
    +mov r0.a, c0.a
}
)";

const std::map<std::string, const char*>& Texts() {
    static const std::map<std::string, const char*> texts = {
        {"VorlexBumpMat_ParallelLight", kBumpMat},
        {"VorlexBumpEnvMat_ParallelLight", kBumpEnvMatParallel},
        {"VorlexBumpEnvMat_SpotLight", kBumpEnvMatSpot},
        {"VorlexBumpGlossMat_ParallelLight", kBumpGlossMatParallel},
        {"VorlexBumpGlossMat_SpotLight", kBumpGlossMatSpot},
        {"VorlexBumpRustMat_ParallelLight", kBumpRustMat},
    };
    return texts;
}

}  // namespace

const char* VertexText() { return kVertexText; }

const char* CombinerText(const std::string& name) {
    auto it = Texts().find(name);
    return it == Texts().end() ? nullptr : it->second;
}

const std::vector<std::string>& CombinerNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& [name, text] : Texts()) n.push_back(name);
        return n;
    }();
    return names;
}

std::vector<std::string> FamilyCombiners(Family family) {
    switch (family) {
        case Family::Bump: return {"VorlexBumpMat_ParallelLight"};
        case Family::BumpEnv: return {"VorlexBumpEnvMat_ParallelLight", "VorlexBumpEnvMat_SpotLight"};
        case Family::BumpGloss:
            return {"VorlexBumpGlossMat_ParallelLight", "VorlexBumpGlossMat_SpotLight",
                    "VorlexBumpRustMat_ParallelLight"};
    }
    return {};
}

bool RegisterBumpProgramTexts(Display* display, Family family) {
    if (!display) return false;
    VertexProgramManager* programs = display->GetVertexProgramManager();
    TextureCombinerManager* combiners = display->GetTextureCombinerManager();
    if (!programs || !combiners) return false;
    if (!programs->IsRegistered(kVertexGroup) && !programs->RegisterBuiltInPrograms(kVertexGroup, kVertexText))
        return false;
    for (const std::string& name : FamilyCombiners(family))
        if (!combiners->IsRegistered(name.c_str()) && !combiners->RegisterBuiltInPrograms(name.c_str(), CombinerText(name)))
            return false;
    return true;
}

}  // namespace Vek::BumpPrograms

// The bump family's program texts: their structure (headers, declarations,
// registers, balanced conditionals) and, through a small ps.1.1
// interpreter, what each combiner computes against the lighting formulas.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/display/TextureCombinerManager.h"
#include "engine/display/VertexProgramManager.h"
#include "meshes/materials/BumpProgramTexts.h"

using namespace Vek;

namespace {

using Vec4 = std::array<float, 4>;

// A ps.1.1 interpreter for the instructions the combiners use: tex, mov,
// add, sub, mul, mad, lrp, dp3 with _x2/_x4/_sat, write masks .rgb/.a,
// source modifiers -, 1-, _bx2 and replicate selectors .r/.g/.b/.a; a
// leading '+' co-issues an instruction.
class PixelShader {
public:
    std::map<std::string, Vec4> regs;
    int instructions = 0;
    std::set<std::string> registersUsed;

    bool Run(const std::string& body, std::string& error) {
        std::istringstream in(body);
        std::string line;
        bool started = false;
        while (std::getline(in, line)) {
            const auto first = line.find_first_not_of(" \t");
            if (first == std::string::npos) continue;
            line = line.substr(first);
            if (line == "ps.1.1") {
                started = true;
                continue;
            }
            if (!started || line[0] == '}' || line[0] == '#') continue;
            if (!Execute(line, error)) return false;
        }
        return started;
    }

private:
    static float Sat(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

    Vec4 Source(std::string s) {
        bool negate = false, invert = false, bx2 = false;
        if (s.rfind("1-", 0) == 0) {
            invert = true;
            s = s.substr(2);
        } else if (s[0] == '-') {
            negate = true;
            s = s.substr(1);
        }
        int replicate = -1;
        const auto dot = s.find('.');
        if (dot != std::string::npos) {
            const char sel = s[dot + 1];
            replicate = sel == 'r' ? 0 : sel == 'g' ? 1 : sel == 'b' ? 2 : 3;
            s = s.substr(0, dot);
        }
        if (s.size() > 4 && s.compare(s.size() - 4, 4, "_bx2") == 0) {
            bx2 = true;
            s = s.substr(0, s.size() - 4);
        }
        registersUsed.insert(s);
        Vec4 v = regs[s];
        if (bx2)
            for (float& x : v) x = 2 * x - 1;
        if (replicate >= 0) v = {v[replicate], v[replicate], v[replicate], v[replicate]};
        for (float& x : v) {
            if (negate) x = -x;
            if (invert) x = 1 - x;
        }
        return v;
    }

    bool Execute(std::string line, std::string& error) {
        if (line[0] == '+') line = line.substr(1);
        ++instructions;
        std::istringstream in(line);
        std::string op;
        in >> op;
        std::vector<std::string> args;
        std::string rest;
        std::getline(in, rest);
        std::istringstream list(rest);
        std::string a;
        while (std::getline(list, a, ',')) {
            const auto f = a.find_first_not_of(" \t");
            const auto l = a.find_last_not_of(" \t");
            if (f != std::string::npos) args.push_back(a.substr(f, l - f + 1));
        }
        if (op == "tex") return true;
        bool sat = false;
        float scale = 1;
        for (;;) {
            const auto u = op.rfind('_');
            if (u == std::string::npos) break;
            const std::string mod = op.substr(u + 1);
            if (mod == "sat") sat = true;
            else if (mod == "x2") scale = 2;
            else if (mod == "x4") scale = 4;
            else break;
            op = op.substr(0, u);
        }
        if (args.empty()) {
            error = "no destination: " + line;
            return false;
        }
        std::string dest = args[0];
        bool mask[4] = {true, true, true, true};
        const auto dot = dest.find('.');
        if (dot != std::string::npos) {
            const std::string m = dest.substr(dot + 1);
            for (int i = 0; i < 4; ++i) mask[i] = m.find("rgba"[i]) != std::string::npos;
            dest = dest.substr(0, dot);
        }
        std::vector<Vec4> s;
        for (std::size_t i = 1; i < args.size(); ++i) s.push_back(Source(args[i]));
        Vec4 r{};
        auto need = [&](std::size_t n) {
            if (s.size() != n) error = "wrong operand count: " + line;
            return s.size() == n;
        };
        if (op == "mov") {
            if (!need(1)) return false;
            r = s[0];
        } else if (op == "add" || op == "sub" || op == "mul") {
            if (!need(2)) return false;
            for (int i = 0; i < 4; ++i)
                r[i] = op == "add" ? s[0][i] + s[1][i] : op == "sub" ? s[0][i] - s[1][i] : s[0][i] * s[1][i];
        } else if (op == "mad") {
            if (!need(3)) return false;
            for (int i = 0; i < 4; ++i) r[i] = s[0][i] * s[1][i] + s[2][i];
        } else if (op == "lrp") {
            if (!need(3)) return false;
            for (int i = 0; i < 4; ++i) r[i] = s[0][i] * s[1][i] + (1 - s[0][i]) * s[2][i];
        } else if (op == "dp3") {
            if (!need(2)) return false;
            const float d = s[0][0] * s[1][0] + s[0][1] * s[1][1] + s[0][2] * s[1][2];
            r = {d, d, d, d};
        } else {
            error = "unknown instruction: " + line;
            return false;
        }
        registersUsed.insert(dest);
        Vec4& out = regs[dest];
        for (int i = 0; i < 4; ++i)
            if (mask[i]) out[i] = sat ? Sat(r[i] * scale) : r[i] * scale;
        return true;
    }
};

float Sat(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
float Lerp(float s, float a, float b) { return s * a + (1 - s) * b; }

struct Inputs {
    Vec4 t0, t1, t2, t3, v0, v1, c0, c1, c2, c3;
};

// The formulas each combiner implements; colour rgb then alpha.
Vec4 Reference(const std::string& name, const Inputs& in) {
    auto n = [&](int i) { return 2 * in.t1[i] - 1; };
    auto dot = [&](const Vec4& v) { return n(0) * (2 * v[0] - 1) + n(1) * (2 * v[1] - 1) + n(2) * (2 * v[2] - 1); };
    const bool gloss = name.find("Gloss") != std::string::npos || name.find("Rust") != std::string::npos;
    const Vec4& specular = gloss ? in.c3 : in.c2;
    const float d = Sat(dot(in.t2));
    float c = Sat(dot(in.v0));
    const float g = name == "VorlexBumpMat_ParallelLight" ? specular[3] : Lerp(in.t1[3], specular[3], in.c1[3]);
    const float w = Sat(4 * (n(2) - g));
    float e = d * d;
    e = Sat(4 * (e * e - g));
    e = Lerp(w, in.v1[2], e);
    Vec4 out{};
    if (name == "VorlexBumpRustMat_ParallelLight") {
        const float r = Sat((1 - in.t0[3]) * in.c2[3]);
        for (int i = 0; i < 3; ++i) {
            const float lit = Sat(c * in.c0[i] + in.c1[i]);
            const float base = Lerp(r, in.c2[i], in.t0[i]);
            out[i] = e * specular[i] * (1 - r) + 2 * lit * base;
        }
        out[3] = in.c0[3];
        return out;
    }
    for (int i = 0; i < 3; ++i) {
        float lit = 2 * Sat(c * in.c0[i] + in.c1[i]) * in.t0[i];
        if (name == "VorlexBumpEnvMat_ParallelLight") lit = Lerp(in.t0[3], in.t3[i], lit);
        if (name == "VorlexBumpGlossMat_ParallelLight") lit = Lerp(in.c2[i], in.t3[i], lit);
        const float spec = name == "VorlexBumpMat_ParallelLight" ? specular[i] * in.t1[3] : specular[i];
        out[i] = e * spec + lit;
    }
    out[3] = name == "VorlexBumpMat_ParallelLight" ? in.t0[3] * in.c0[3] : in.c0[3];
    return out;
}

std::string Body(const char* text) {
    const std::string s(text);
    const auto at = s.find("API(common)");
    return at == std::string::npos ? std::string() : s.substr(at);
}

}  // namespace

TEST(BumpProgramTexts, VertexTextDeclaresSixProgramsWithBalancedConditionals) {
    const std::string text = BumpPrograms::VertexText();
    EXPECT_EQ(text.rfind("# VorlexBumpMaterial_Vtx\nversion 2.0\n", 0), 0u);
    std::string group;
    std::vector<VertexProgramManager::Declaration> declarations;
    ASSERT_TRUE(VertexProgramManager::ParseText(text, group, declarations));
    EXPECT_EQ(group, "VorlexBumpMaterial_Vtx");
    const std::map<std::string, std::vector<std::string>> expected = {
        {"VorlexBump_ParallelLight", {"ParallelLight", "OneTex", "Fog"}},
        {"VorlexBump_SpotLight", {"SpotLight", "OneTex", "Fog"}},
        {"VorlexBumpGloss_ParallelLight", {"ParallelLight", "OneTex", "SphereMap", "Fog"}},
        {"VorlexBumpGloss_SpotLight", {"SpotLight", "OneTex", "SphereMap", "Fog"}},
        {"VorlexBumpEnv_ParallelLight", {"ParallelLight", "OneTex", "cubeMap", "Fog"}},
        {"VorlexBumpEnv_SpotLight", {"SpotLight", "OneTex", "cubeMap", "Fog"}},
    };
    ASSERT_EQ(declarations.size(), expected.size());
    std::set<std::string> features;
    for (const auto& d : declarations) {
        ASSERT_TRUE(expected.count(d.name)) << d.name;
        EXPECT_EQ(d.layout, "PNTA") << d.name;
        EXPECT_EQ(d.features, expected.at(d.name)) << d.name;
        features.insert(d.features.begin(), d.features.end());
    }
    // Every feature has one section, and the sections are balanced.
    std::istringstream in(text);
    std::string line;
    int depth = 0;
    std::set<std::string> sections;
    while (std::getline(in, line)) {
        const auto f = line.find_first_not_of(" \t");
        if (f == std::string::npos) continue;
        line = line.substr(f);
        if (line.rfind("%ifdef ", 0) == 0) {
            EXPECT_EQ(depth, 0) << "nested section";
            ++depth;
            sections.insert(line.substr(7));
        } else if (line == "%endif") {
            --depth;
            EXPECT_GE(depth, 0);
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(sections, features);
    // The locals the materials set are named in the text.
    for (const char* local : {"program.local[5]", "program.local[6]", "program.local[7]", "program.local[13]"})
        EXPECT_NE(text.find(local), std::string::npos) << local;
}

TEST(BumpProgramTexts, CombinerHeadersNameTheirRegisters) {
    const std::map<std::string, std::map<int, std::string>> expected = {
        {"VorlexBumpMat_ParallelLight", {{0, "LightDiff"}, {1, "LightAmb"}, {2, "Specular"}}},
        {"VorlexBumpEnvMat_ParallelLight", {{0, "LightDiff"}, {1, "LightAmb"}, {2, "Specular"}}},
        {"VorlexBumpEnvMat_SpotLight", {{0, "LightDiff"}, {1, "LightAmb"}, {2, "Specular"}}},
        {"VorlexBumpGlossMat_ParallelLight", {{0, "LightDiff"}, {1, "LightAmb"}, {2, "Lerp"}, {3, "Specular"}}},
        {"VorlexBumpGlossMat_SpotLight", {{0, "LightDiff"}, {1, "LightAmb"}, {2, "Lerp"}, {3, "Specular"}}},
        {"VorlexBumpRustMat_ParallelLight", {{0, "LightDiff"}, {1, "LightAmb"}, {2, "RustColor"}, {3, "Specular"}}},
    };
    const std::map<std::string, TextureCombiner::Vector4> defaults = {
        {"LightDiff", {0, 0, 0, 1}}, {"LightAmb", {0, 0, 0, 1}}, {"Specular", {0.9f, 0.9f, 0.9f, 0.75f}},
        {"Lerp", {0, 0, 1, 1}},      {"RustColor", {0, 0, 1, 1}}};
    EXPECT_EQ(BumpPrograms::CombinerNames().size(), expected.size());
    for (const auto& [name, registers] : expected) {
        const char* text = BumpPrograms::CombinerText(name);
        ASSERT_TRUE(text) << name;
        EXPECT_EQ(std::string(text).rfind("# " + name + "_Pxl\n", 0), 0u) << name;
        std::string parsedName;
        std::map<int, TextureCombiner::Register> parsed;
        ASSERT_TRUE(TextureCombinerManager::ParseText(text, parsedName, parsed)) << name;
        EXPECT_EQ(parsedName, name);
        ASSERT_EQ(parsed.size(), registers.size()) << name;
        for (const auto& [index, regName] : registers) {
            ASSERT_TRUE(parsed.count(index)) << name << " " << index;
            EXPECT_EQ(parsed.at(index).name, regName) << name;
            EXPECT_EQ(parsed.at(index).value, defaults.at(regName)) << name << " " << regName;
        }
    }
}

TEST(BumpProgramTexts, CombinersComputeTheirFormulas) {
    // The spot variants compute the parallel formula without the cube or
    // gloss term: check them through the base-only reference.
    const std::map<std::string, std::string> referenceOf = {
        {"VorlexBumpMat_ParallelLight", "VorlexBumpMat_ParallelLight"},
        {"VorlexBumpEnvMat_ParallelLight", "VorlexBumpEnvMat_ParallelLight"},
        {"VorlexBumpEnvMat_SpotLight", "VorlexBumpEnvMat_SpotLight"},
        {"VorlexBumpGlossMat_ParallelLight", "VorlexBumpGlossMat_ParallelLight"},
        {"VorlexBumpGlossMat_SpotLight", "VorlexBumpGlossMat_SpotLight"},
        {"VorlexBumpRustMat_ParallelLight", "VorlexBumpRustMat_ParallelLight"},
    };
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto vec = [&] { return Vec4{unit(random), unit(random), unit(random), unit(random)}; };
    for (const auto& [name, reference] : referenceOf) {
        const std::string body = Body(BumpPrograms::CombinerText(name));
        ASSERT_FALSE(body.empty()) << name;
        for (int trial = 0; trial < 200; ++trial) {
            Inputs in{vec(), vec(), vec(), vec(), vec(), vec(), vec(), vec(), vec(), vec()};
            in.c1[3] = 1.0f;  // LightAmb alpha stays 1
            PixelShader ps;
            ps.regs = {{"t0", in.t0}, {"t1", in.t1}, {"t2", in.t2}, {"t3", in.t3}, {"v0", in.v0},
                       {"v1", in.v1}, {"c0", in.c0}, {"c1", in.c1}, {"c2", in.c2}, {"c3", in.c3}};
            std::string error;
            ASSERT_TRUE(ps.Run(body, error)) << name << ": " << error;
            const Vec4 want = Reference(reference, in);
            const Vec4 got = ps.regs["r0"];
            for (int i = 0; i < 4; ++i) ASSERT_NEAR(got[i], want[i], 1e-4f) << name << " channel " << i << " trial " << trial;
            if (trial == 0) {
                ::testing::Test::RecordProperty(name + "_instructions", ps.instructions);
                ::testing::Test::RecordProperty(name + "_registers", static_cast<int>(ps.registersUsed.size()));
            }
        }
    }
}

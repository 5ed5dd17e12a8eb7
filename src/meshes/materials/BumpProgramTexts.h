#pragma once
// The built-in program texts of the bump material family: one vertex-program
// text (group "VorlexBumpMaterial_Vtx", six programs for the PNTA layout
// switched by feature) and one pixel-program text per combiner, in the
// engine's program language (docs/platform.md, "Rendering").
//
// Combiner inputs: t0 base texture, t1 bump map (normal in rgb, gloss mask
// in alpha), t2 the half vector (packed 0.5 H + 0.5), t3 the cube map or
// gloss texture; v0 the packed light vector, v1 the specular term.
#include <string>
#include <vector>

namespace Vek {

class Display;

namespace BumpPrograms {

constexpr const char* kVertexGroup = "VorlexBumpMaterial_Vtx";

enum class Family { Bump, BumpEnv, BumpGloss };

// The vertex-program text.
const char* VertexText();
// The text of a combiner by name; null for a name that is not built in.
const char* CombinerText(const std::string& name);
// Every built-in combiner name.
const std::vector<std::string>& CombinerNames();
// The combiner names a family registers.
std::vector<std::string> FamilyCombiners(Family family);

// Registers the vertex-program text and the family's combiner texts with
// the display's managers; false when a manager is missing or refuses one.
bool RegisterBumpProgramTexts(Display* display, Family family);

}  // namespace BumpPrograms
}  // namespace Vek

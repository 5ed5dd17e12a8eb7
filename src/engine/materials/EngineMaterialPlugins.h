#pragma once
// The engine's own material types, which the material manager knows without
// any plug-in from the product:
//
//   type             material            supported when            fallback
//   onetex           OneTextureMaterial  the profile draws         -
//   notex            NoTextureMaterial   the profile draws         -
//   gloss            GlossMaterial       2 or more texture stages  onetex
//   reflect          ReflectiveMaterial  2 or more texture stages  onetex
//   tbumpcoltex      BumpColorMaterial   capabilities 17 and 21    onetex
//   tbumpglosscol    BumpColorMaterial   capabilities 17 and 21    gloss
//   tgroundonetex    GroundMaterial      capability 1              onetex
//   tgroundonetexvs  GroundMaterial      capability 17             tgroundonetex
//
// ("the profile draws": DisplayProfile::materials.)
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/materials/OneTextureMaterialPlugin.h"

namespace Vek {

class MaterialManager;

class EngineMaterialPlugin : public OneTextureMaterialPlugin {
public:
    enum class Kind { OneTexture, NoTexture, Gloss, Reflect, BumpColor, Ground };

    EngineMaterialPlugin(const char* typeName, const char* uid, Kind kind, std::initializer_list<int> capabilities,
                         int minStages, const char* fallback);

    bool IsSupported(Display* display, std::string& fallback) override;
    Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) override;

    // Registers the engine's types with a manager.
    static void RegisterAll(MaterialManager& manager);

protected:
    ~EngineMaterialPlugin() override = default;

private:
    Kind m_kind;
    std::vector<int> m_capabilities;
    int m_minStages;
    std::string m_fallback;
};

}  // namespace Vek

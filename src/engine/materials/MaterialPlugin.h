#pragma once
// A material plug-in: makes the materials of one type (its type name, the
// plug-in type's name) for the material manager. A plug-in is a plug-in
// type (engine/PluginType.h) with a UId; the product hands its plug-ins to
// the engine through the plug-in entry (engine/resources/PluginEntry.h).
//
// IsSupported answers whether the display can draw the type; when it
// cannot, it names in `fallback` the type to use instead ("" for none).
// CreateMaterialInstance makes a material with one reference, or null; the
// manager binds it to the plug-in. CreatePluginResources makes what the
// plug-in shares between its materials (the base has nothing to make).
#include <string>

#include "engine/PluginType.h"

namespace Vek {

class Display;
class Material;
class MaterialManager;
class RenderKernel;

class MaterialPlugin : public PluginType {
public:
    MaterialPlugin(const char* typeName, const char* uid) : PluginType(typeName, uid) {}

    virtual bool IsSupported(Display* display, std::string& fallback);
    virtual Material* CreateMaterialInstance(MaterialManager* manager, RenderKernel* kernel) = 0;
    virtual bool CreatePluginResources(RenderKernel* kernel);

protected:
    ~MaterialPlugin() override = default;
};

}  // namespace Vek

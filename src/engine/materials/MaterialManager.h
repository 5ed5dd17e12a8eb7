#pragma once
// The material manager: makes materials by decorated name.
//
// LoadMaterial (decorated name):
//  1. the type is the name's ".m." type (engine/materials/Material.h), or
//     the plain one-texture type ("onetex") for a name without one;
//  2. the plug-in of that type: the product's handed plug-ins
//     (engine/resources/PluginEntry.h) first, then the engine's own types
//     (engine/materials/EngineMaterialPlugins.h); none: result 3;
//  3. the plug-in's support test on the kernel's display; unsupported: the
//     plug-in's fallback type, from step 2 again. An empty fallback, a type
//     met before in the chain, or a missing display ends with result 3;
//  4. the plug-in makes the material (CreateMaterialInstance); none:
//     result 1. Otherwise it is bound to its plug-in, gets the request
//     name, and the result is 0.
//
// Before a manager makes its first material (LoadMaterial or
// CreateInstance), it calls the process-wide first-material hook once with
// its kernel: the product's render set-up runs there, on the first word
// that loads a material instead of at every start. A material the hook
// itself loads from the same manager does not call it again; another
// thread asking meanwhile waits until the hook has returned.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ReferenceCount.h"

namespace Vek {

class Display;
class Material;
class MaterialPlugin;
class RenderKernel;
class TextureManager;

class MaterialManager {
public:
    enum Result : int { kOk = 0, kFailed = 1, kNotFound = 3 };

    explicit MaterialManager(RenderKernel* kernel);
    ~MaterialManager();
    MaterialManager(const MaterialManager&) = delete;
    MaterialManager& operator=(const MaterialManager&) = delete;

    RenderKernel* GetRenderKernel() const { return m_kernel; }
    Display* GetDisplay() const;
    TextureManager* GetTextureManager() const;

    // `out` receives the material with one reference (null on failure).
    int LoadMaterial(const char* decoratedName, Material** out);
    // The supported type that a type falls back to; `chain` receives every
    // type tried, in order. Result as LoadMaterial's steps 2 and 3.
    int ResolveType(const std::string& typeName, std::string& resolved, std::vector<std::string>* chain = nullptr) const;
    // A material of a type without the support test (clones); null when
    // there is no plug-in or it makes none.
    Material* CreateInstance(const char* typeName);
    // The plug-in of a type with one reference for the caller, or null.
    MaterialPlugin* FindPlugin(const std::string& typeName) const;
    // Adds an engine plug-in (a reference of the manager's own); false for
    // null or a type that already has one here.
    bool RegisterPlugin(MaterialPlugin* plugin);

    using FirstMaterialHook = void (*)(RenderKernel* kernel);
    // Sets (or clears, with null) the hook every manager calls before its
    // first material.
    static void SetFirstMaterialHook(FirstMaterialHook hook);

private:
    void BeforeFirstMaterial();

    RenderKernel* m_kernel;
    std::atomic<bool> m_firstMaterialDone{false};
    bool m_inFirstMaterialHook = false;
    std::recursive_mutex m_firstMaterialLock;
    std::vector<AutoReference<MaterialPlugin>> m_plugins;
};

}  // namespace Vek

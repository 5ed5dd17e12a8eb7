#pragma once
// A render kernel with the product's plug-ins handed to the engine, for the
// material tests; the plug-ins are withdrawn at the end.
#include <gtest/gtest.h>

#include <string>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/display/DisplayProfile.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialManager.h"
#include "engine/resources/PluginEntry.h"
#include "meshes/materials/CreatePlugins.h"

namespace MaterialTests {

inline Vek::DisplayProfile Profile(const char* name, std::set<int> capabilities, int stages) {
    Vek::DisplayProfile p;
    p.name = name;
    p.capabilities = std::move(capabilities);
    p.textureStages = stages;
    p.materials = true;
    return p;
}

// OpenGL; fixed function with stage combining; fixed function without it;
// one texture stage; the null display.
inline Vek::DisplayProfile NoPrograms() { return Profile("NoPrograms", {1}, 8); }
inline Vek::DisplayProfile NoCombine() { return Profile("NoCombine", {}, 8); }
inline Vek::DisplayProfile OneStage() { return Profile("OneStage", {}, 1); }

class Kernel {
public:
    explicit Kernel(const Vek::DisplayProfile& profile) {
        Vek::PluginEntry::Set(&VekGetPlugins);
        Vek::PluginEntry::Call();
        m_ok = m_kernel.InitWithProfile(profile);
    }
    ~Kernel() {
        m_kernel.InitWithProfile(Vek::DisplayProfile::Null());
        Vek::PluginEntry::ReleaseAll();
    }
    bool Ok() const { return m_ok; }
    Vek::RenderKernel& Get() { return m_kernel; }
    Vek::Display* GetDisplay() { return m_kernel.GetDisplay(); }
    // The material of a type under a plain name, or null (result in `result`).
    Vek::Material* Load(const std::string& type, int* result = nullptr) {
        Vek::Material* material = nullptr;
        const int r = m_kernel.GetMaterialManager()->LoadMaterial(("test.m." + type).c_str(), &material);
        if (result) *result = r;
        return material;
    }

private:
    Vek::RenderKernel m_kernel{nullptr, 8.0f};
    bool m_ok = false;
};

}  // namespace MaterialTests

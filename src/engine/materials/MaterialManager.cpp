#include "engine/materials/MaterialManager.h"

#include <algorithm>

#include "engine/RenderKernel.h"
#include "engine/materials/EngineMaterialPlugins.h"
#include "engine/materials/Material.h"
#include "engine/materials/MaterialPlugin.h"
#include "engine/materials/OneTextureMaterial.h"
#include "engine/resources/PluginEntry.h"

namespace Vek {

namespace {

constexpr std::size_t kMaxFallbacks = 16;

std::atomic<MaterialManager::FirstMaterialHook> g_firstMaterialHook{nullptr};

}  // namespace

void MaterialManager::SetFirstMaterialHook(FirstMaterialHook hook) { g_firstMaterialHook = hook; }

void MaterialManager::BeforeFirstMaterial() {
    if (m_firstMaterialDone.load(std::memory_order_acquire)) return;
    std::lock_guard<std::recursive_mutex> hold(m_firstMaterialLock);
    // The hook's own loads come back here on this thread.
    if (m_firstMaterialDone.load() || m_inFirstMaterialHook) return;
    m_inFirstMaterialHook = true;
    if (FirstMaterialHook hook = g_firstMaterialHook.load()) hook(m_kernel);
    m_inFirstMaterialHook = false;
    m_firstMaterialDone.store(true, std::memory_order_release);
}

MaterialManager::MaterialManager(RenderKernel* kernel) : m_kernel(kernel) { EngineMaterialPlugin::RegisterAll(*this); }

MaterialManager::~MaterialManager() = default;

Display* MaterialManager::GetDisplay() const { return m_kernel ? m_kernel->GetDisplay() : nullptr; }

TextureManager* MaterialManager::GetTextureManager() const { return m_kernel ? m_kernel->GetTextureManager() : nullptr; }

bool MaterialManager::RegisterPlugin(MaterialPlugin* plugin) {
    if (!plugin || plugin->GetTypeName().IsEmpty()) return false;
    for (const auto& known : m_plugins)
        if (known->GetTypeName().EqualsIgnoreCase(plugin->GetTypeName())) return false;
    AutoReference<MaterialPlugin> held;
    held.Share(plugin);
    m_plugins.push_back(std::move(held));
    return true;
}

MaterialPlugin* MaterialManager::FindPlugin(const std::string& typeName) const {
    if (typeName.empty()) return nullptr;
    for (const AutoReference<PluginType>& handed : PluginEntry::Snapshot()) {
        auto* plugin = dynamic_cast<MaterialPlugin*>(handed.Get());
        if (plugin && plugin->GetTypeName().EqualsIgnoreCase(typeName.c_str())) {
            plugin->AddReference();
            return plugin;
        }
    }
    for (const auto& plugin : m_plugins) {
        if (plugin->GetTypeName().EqualsIgnoreCase(typeName.c_str())) {
            plugin->AddReference();
            return plugin.Get();
        }
    }
    return nullptr;
}

int MaterialManager::ResolveType(const std::string& typeName, std::string& resolved,
                                 std::vector<std::string>* chain) const {
    resolved.clear();
    Display* display = GetDisplay();
    std::vector<std::string> tried;
    std::string type = typeName;
    while (!type.empty() && tried.size() < kMaxFallbacks) {
        if (std::find(tried.begin(), tried.end(), type) != tried.end()) break;  // a loop of fallbacks
        tried.push_back(type);
        AutoReference<MaterialPlugin> plugin(FindPlugin(type));
        if (!plugin || !display) break;
        std::string fallback;
        if (plugin->IsSupported(display, fallback)) {
            resolved = type;
            if (chain) *chain = tried;
            return kOk;
        }
        type = fallback;
    }
    if (chain) *chain = tried;
    return kNotFound;
}

Material* MaterialManager::CreateInstance(const char* typeName) {
    BeforeFirstMaterial();
    AutoReference<MaterialPlugin> plugin(FindPlugin(typeName ? typeName : ""));
    if (!plugin) return nullptr;
    Material* material = plugin->CreateMaterialInstance(this, m_kernel);
    if (material) material->AssignPlugin(plugin.Get());
    return material;
}

int MaterialManager::LoadMaterial(const char* decoratedName, Material** out) {
    if (!out) return kFailed;
    *out = nullptr;
    if (!decoratedName || !*decoratedName) return kNotFound;
    BeforeFirstMaterial();
    std::string type = Material::DecoratedTypeName(decoratedName);
    if (type.empty()) type = OneTextureMaterial::UNDECORATED_TYPE;
    std::string resolved;
    int result = ResolveType(type, resolved);
    if (result != kOk) return result;
    Material* material = CreateInstance(resolved.c_str());
    if (!material) return kFailed;
    material->SetRequestName(decoratedName);
    *out = material;
    return kOk;
}

}  // namespace Vek

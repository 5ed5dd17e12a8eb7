#include "engine/materials/Material.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <sstream>

#include "engine/RenderKernel.h"
#include "engine/display/Display.h"
#include "engine/display/VertexProgram.h"
#include "engine/display/Viewport.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexType.h"
#include "engine/materials/MaterialManager.h"
#include "engine/materials/MaterialPlugin.h"
#include "engine/materials/RenderingCache.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"

namespace Vek {

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < Material::kTextureSlots; }

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

}  // namespace

Material::Material(MaterialManager* manager) : m_manager(manager) {}

Material::~Material() {
    for (TextureResource*& texture : m_textures) {
        if (texture) texture->ReleaseReference();
        texture = nullptr;
    }
    if (m_plugin) m_plugin->ReleaseReference();
}

int Material::TypeIDOf(const char* typeName) {
    static std::mutex lock;
    static std::map<std::string, int> ids;
    std::lock_guard<std::mutex> hold(lock);
    auto [it, added] = ids.emplace(typeName ? typeName : "", static_cast<int>(ids.size()) + 1);
    (void)added;
    return it->second;
}

Material* Material::Clone() const {
    if (!m_manager) return nullptr;
    Material* copy = m_manager->CreateInstance(GetTypeName());
    if (copy) copy->InitInstance(*this);
    return copy;
}

void Material::InitInstance(const Material& from) {
    m_requestName = from.m_requestName;
    m_flags = from.m_flags;
    m_scalar = from.m_scalar;
    m_displayMaterial = from.m_displayMaterial;
    m_properties = from.m_properties;
    m_blendSource = from.m_blendSource;
    m_blendDestination = from.m_blendDestination;
    m_opacity = from.m_opacity;
    m_priority = from.m_priority;
    for (int i = 0; i < kTextureSlots; ++i) {
        if (from.m_textures[i]) from.m_textures[i]->AddReference();
        if (m_textures[i]) m_textures[i]->ReleaseReference();
        m_textures[i] = from.m_textures[i];
        m_amounts[i] = from.m_amounts[i];
    }
    m_definitions = from.m_definitions;
    m_cachedAlphaHint = from.m_cachedAlphaHint;
}

bool Material::Equals(const Material& other) const {
    if (GetTypeID() != other.GetTypeID()) return false;
    if (m_flags != other.m_flags || m_scalar != other.m_scalar || m_displayMaterial != other.m_displayMaterial ||
        m_properties != other.m_properties || m_blendSource != other.m_blendSource ||
        m_blendDestination != other.m_blendDestination || m_opacity != other.m_opacity)
        return false;
    for (int i = 0; i < kTextureSlots; ++i)
        if (m_textures[i] != other.m_textures[i] || m_amounts[i] != other.m_amounts[i]) return false;
    return true;
}

std::string Material::DecoratedTypeName(const char* decoratedName) {
    if (!decoratedName) return std::string();
    std::string name(decoratedName);
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t at = lower.rfind(kDecoratedTypeToken);
    std::size_t start;
    if (at != std::string::npos) {
        start = at + 3;
    } else if (lower.compare(0, 2, "m.") == 0) {
        start = 2;
    } else {
        return std::string();
    }
    std::string type = lower.substr(start);
    if (type.empty() || type.find_first_of("*/\\. ") != std::string::npos) return std::string();
    return type;
}

bool Material::VerifyDecoratedName(std::string& name, int textureCount, const TextureDefinition* definitions) {
    if (!DecoratedTypeName(name.c_str()).empty()) return false;
    bool textured = false;
    for (int i = 0; definitions && i < textureCount; ++i)
        if (definitions[i].slot == 0 && !definitions[i].name.empty()) textured = true;
    name += textured ? ".m.onetex" : ".m.notex";
    return true;
}

bool Material::FindProperty(const std::string& key, std::string& value) const {
    for (const auto& p : m_properties) {
        if (p.first == key) {
            value = p.second;
            return true;
        }
    }
    return false;
}

void Material::SetResourcePriority(float priority) {
    m_priority = priority;
    for (TextureResource* texture : m_textures)
        if (texture) texture->SetPriority(priority);
}

TextureResource* Material::GetTexture(int slot) const { return ValidSlot(slot) ? m_textures[slot] : nullptr; }

float Material::GetTextureAmount(int slot) const { return ValidSlot(slot) ? m_amounts[slot] : 0.0f; }

void Material::SetTextureDefinition(int slot, const std::string& name, float amount) {
    for (TextureDefinition& d : m_definitions) {
        if (d.slot == slot) {
            d.name = name;
            d.amount = amount;
            return;
        }
    }
    m_definitions.push_back({slot, name, amount});
}

int Material::SetTexture(int slot, TextureResource* texture, float amount) {
    if (!texture || !ValidSlot(slot)) return kNoTexture;
    texture->AddReference();
    if (m_textures[slot]) m_textures[slot]->ReleaseReference();
    m_textures[slot] = texture;
    m_amounts[slot] = amount;
    texture->SetPriority(m_priority);
    SetTextureDefinition(slot, texture->GetName().c_str(), amount);
    return kOk;
}

int Material::SetTexture(int slot, ResourceDatabase* database, const char* name, float amount) {
    if (!ValidSlot(slot) || !m_manager || !m_manager->GetTextureManager()) return kNoTexture;
    TextureResource* texture = m_manager->GetTextureManager()->GetTexture(database, name);
    if (!texture) return kNoTexture;
    if (m_textures[slot]) m_textures[slot]->ReleaseReference();
    m_textures[slot] = texture;  // the lookup's reference
    m_amounts[slot] = amount;
    texture->SetPriority(m_priority);
    SetTextureDefinition(slot, name, amount);
    m_cachedAlphaHint = -1;
    return kOk;
}

int Material::DuplicateTexture(int slot) {
    if (!ValidSlot(slot) || !m_textures[slot]) return kNoTexture;
    TextureResource* copy = m_textures[slot]->Duplicate();
    if (!copy) return kNoTexture;
    m_textures[slot]->ReleaseReference();
    m_textures[slot] = copy;
    return kOk;
}

int Material::IsLoaded() const {
    for (TextureResource* texture : m_textures)
        if (texture && !texture->IsLoaded()) return kNotLoaded;
    return kOk;
}

void Material::Activate() {
    for (TextureResource* texture : m_textures)
        if (texture) texture->Activate();
}

uint32_t Material::MakeGeometryChunkFlags(int primitiveType, const StandardChunkHint* hint) {
    return GeometryChunk::MakeFlagWord(primitiveType, hint);
}

Display* Material::GetDisplay() const { return m_manager ? m_manager->GetDisplay() : nullptr; }

GeometryChunk* Material::CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                             uint32_t faceNormalCount, int primitiveType,
                                             const StandardChunkHint* hint) {
    if (GeometryChunk::PrimitiveCode(primitiveType) < 0) return nullptr;
    GeometryChunk::Layout layout = GeometryChunk::Layout::Standard(hint, UsesTextureCoordinates());
    auto* chunk = new GeometryChunk(layout, vertexCount, faceCount, indexCount, faceNormalCount,
                                    GeometryChunk::MakeTypeWord(primitiveType, hint),
                                    MakeGeometryChunkFlags(primitiveType, hint));
    if (hint && hint->vertexUsage == 1) chunk->SetVertexDataDynamic(0, -2, true);
    if (hint && (hint->options & StandardChunkHint::kOptionShared)) chunk->SetVertexDataShared(0, 0, false);
    if (hint && hint->indexUsage == 1) chunk->SetIndexDataDynamic(true);
    if (Display* display = GetDisplay()) {
        VertexType* type = display->FindVertexType(layout.vertexTypeId);
        if (!type) {
            AutoReference<VertexType> made(GeometryChunk::MakeVertexType(layout));
            display->RegisterVertexType(made.Get(), 0, 0);
            type = made.Get();
        }
        chunk->SetVertexType(type);
    }
    return chunk;
}

void Material::SetDisplayState(Display* display) {
    if (!display) return;
    display->SetCullMode((m_flags & 0x1) ? 0 : 1);
}

void Material::ClearDisplayState(Display* display) {
    if (!display) return;
    display->SetCullMode(1);
}

void Material::Bind(Display* display, int /*pass*/, int last) {
    if (last == 0) SetDisplayState(display);
}

void Material::Unbind(Display* display, int /*pass*/, int last) {
    if (last == 0) ClearDisplayState(display);
}

void Material::SetLightingState(Display* display, const DisplayMatrix* /*view*/, GeometryChunk* /*chunk*/,
                                VertexProgram* program, const DisplayLightList& lights, const DisplayMatrix& /*world*/,
                                float opacity, bool /*flag*/) {
    if (!display) return;
    DisplayColor sum = display->GetAmbientColor();
    for (const DisplayLight* light : lights) {
        if (light && (light->type == DisplayLight::kAmbient || light->type == DisplayLight::kParallel)) {
            sum.r += light->ambient.r;
            sum.g += light->ambient.g;
            sum.b += light->ambient.b;
        }
    }
    const DisplayMaterial& m = m_displayMaterial;
    if (program)
        program->SetLocal(12, Clamp01(m.ambient.r * sum.r + m.emissive.r), Clamp01(m.ambient.g * sum.g + m.emissive.g),
                          Clamp01(m.ambient.b * sum.b + m.emissive.b), opacity);
    std::ostringstream line;
    line << "SetLightingState lights=" << lights.size() << " opacity=" << opacity;
    display->GetTrace().Add(line.str());
}

void Material::DrawCached(Display* display, Viewport* viewport, GeometryChunk* chunk, int pass,
                          const DisplayMatrix& transform) {
    if (!display || !chunk) return;
    SetDisplayState(display);
    SetLightingState(display, viewport ? &viewport->GetViewTransform() : nullptr, chunk, chunk->GetVertexProgram(pass),
                     DisplayLightList(), transform, chunk->GetOpacity() * m_opacity, false);
    display->SetWorldMatrix(transform);
    chunk->Render(display, chunk->GetVertexProgram(pass));
    ClearDisplayState(display);
}

void Material::RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                           const DisplayMatrix& world) {
    if (!display || !chunk) return;
    Activate();
    SetDisplayState(display);
    SetLightingState(display, viewport ? &viewport->GetViewTransform() : nullptr, chunk, chunk->GetVertexProgram(0),
                     lights, world, chunk->GetOpacity() * m_opacity, false);
    display->SetWorldMatrix(world);
    chunk->Render(display, chunk->GetVertexProgram(0));
    ClearDisplayState(display);
}

void Material::RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                               const DisplayLightList* lights, const DisplayMatrix* worlds, int count) {
    if (!display || !chunks || !lights || !worlds || count <= 0) return;
    Activate();
    SetDisplayState(display);
    for (int i = 0; i < count; ++i) {
        GeometryChunk* chunk = chunks[i];
        if (!chunk) continue;
        SetLightingState(display, viewport ? &viewport->GetViewTransform() : nullptr, chunk, chunk->GetVertexProgram(0),
                         lights[i], worlds[i], chunk->GetOpacity() * m_opacity, false);
        display->SetWorldMatrix(worlds[i]);
        chunk->Render(display, chunk->GetVertexProgram(0));
    }
    ClearDisplayState(display);
}

void Material::RenderPrimitives(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                const DisplayLightList& lights, const DisplayMatrix& world, uint32_t indexCount,
                                const uint16_t* indices, uint32_t primitives, int primitiveType) {
    if (!display || !chunk) return;
    Activate();
    SetDisplayState(display);
    SetLightingState(display, viewport ? &viewport->GetViewTransform() : nullptr, chunk, chunk->GetVertexProgram(0),
                     lights, world, chunk->GetOpacity() * m_opacity, false);
    display->SetWorldMatrix(world);
    chunk->RenderPrimitives(display, chunk->GetVertexProgram(0), indexCount, indices, primitives, primitiveType);
    ClearDisplayState(display);
}

void Material::AssignPlugin(MaterialPlugin* plugin) {
    if (plugin) plugin->AddReference();
    if (m_plugin) m_plugin->ReleaseReference();
    m_plugin = plugin;
}

}  // namespace Vek

#include "engine/display/Display.h"

#include <mutex>
#include <set>
#include <sstream>

#include "engine/display/MemoryTexture.h"
#include "engine/display/TextureCombiner.h"
#include "engine/display/TextureCombinerManager.h"
#include "engine/display/VertexProgram.h"
#include "engine/display/VertexProgramManager.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/PackedVertex.h"
#include "engine/geometry/VertexType.h"
#include "engine/textures/TextureResource.h"

namespace Vek {

namespace {

std::string Line(const char* op) { return op; }
template <typename T, typename... Rest>
std::string Line(const char* op, T first, Rest... rest) {
    std::ostringstream out;
    out << op << ' ' << first;
    ((out << ' ' << rest), ...);
    return out.str();
}

std::string TextureName(const TextureResource* texture) {
    if (!texture) return "none";
    std::string name = texture->GetName().c_str();
    return name.empty() ? "unnamed" : name;
}

std::mutex g_liveLock;
std::set<const Display*>& Live() {
    static std::set<const Display*> live;
    return live;
}

}  // namespace

bool Display::IsAlive(const Display* display) {
    std::lock_guard<std::mutex> hold(g_liveLock);
    return display && Live().count(display) != 0;
}

Display::Display(DisplayProfile profile) : m_profile(std::move(profile)) {
    {
        std::lock_guard<std::mutex> hold(g_liveLock);
        Live().insert(this);
    }
    if (m_profile.HasVertexPrograms()) m_programs = std::make_unique<VertexProgramManager>(this);
    if (m_profile.HasTextureCombiners()) m_combiners = std::make_unique<TextureCombinerManager>(this);
    // The packed layouts' vertex types are known from the start.
    const GeometryChunk::Layout packed[] = {GeometryChunk::Layout::Packed<PackedVertexPNT>(),
                                            GeometryChunk::Layout::Packed<PackedVertexPCT>(),
                                            GeometryChunk::Layout::Packed<PackedVertexPNTA>()};
    for (const GeometryChunk::Layout& layout : packed) {
        VertexType* type = GeometryChunk::MakeVertexType(layout);
        m_vertexTypes.emplace(type->GetID(), type);
    }
}

Display::~Display() {
    {
        std::lock_guard<std::mutex> hold(g_liveLock);
        Live().erase(this);
    }
    m_programs.reset();
    m_combiners.reset();
    for (auto& entry : m_vertexTypes) entry.second->ReleaseReference();
}

void Display::SetAlphaBlendMode(bool on) {
    m_alphaBlend = on;
    m_trace.Add(Line("SetAlphaBlendMode", on ? 1 : 0));
}

void Display::SetAlphaBlendFunction(int source, int destination) {
    m_blendSource = source;
    m_blendDestination = destination;
    m_trace.Add(Line("SetAlphaBlendFunction", source, destination));
}

void Display::SetAlphaTestMode(bool on) {
    m_alphaTest = on;
    m_trace.Add(Line("SetAlphaTestMode", on ? 1 : 0));
}

void Display::SetDepthWriteMode(bool on) {
    m_depthWrite = on;
    m_trace.Add(Line("SetDepthWriteMode", on ? 1 : 0));
}

void Display::SetFogMode(int mode) {
    m_fogMode = mode;
    m_trace.Add(Line("SetFogMode", mode));
}

void Display::SetCullMode(int mode) {
    m_cullMode = mode;
    m_trace.Add(Line("SetCullMode", mode));
}

void Display::SetColorMaterialMode(int mode) {
    m_colorMaterialMode = mode;
    m_trace.Add(Line("SetColorMaterialMode", mode));
}

void Display::SetAmbientColor(const DisplayColor& color) {
    m_ambient = color;
    m_trace.Add(Line("SetAmbientColor", color.r, color.g, color.b, color.a));
}

void Display::SetWorldMatrix(const DisplayMatrix& matrix) {
    m_world = matrix;
    m_trace.Add(Line("SetWorldMatrix", matrix.m[3][0], matrix.m[3][1], matrix.m[3][2]));
}

bool Display::SetTexture(int stage, const TextureResource* texture) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].texture = texture;
    m_stages[stage].environment = false;
    m_trace.Add(Line("SetTexture", stage, TextureName(texture)));
    return true;
}

bool Display::DisableStage(int stage) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].texture = nullptr;
    m_stages[stage].environment = false;
    m_trace.Add(Line("DisableStage", stage));
    return true;
}

bool Display::SetEnvironmentMap(int stage, const TextureResource* texture) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].texture = texture;
    m_stages[stage].environment = true;
    m_trace.Add(Line("SetEnvironmentMap", stage, TextureName(texture)));
    return true;
}

const TextureResource* Display::GetTexture(int stage) const {
    return ValidStage(stage) ? m_stages[stage].texture : nullptr;
}

bool Display::SetTextureMatrix(int stage, const DisplayMatrix& matrix) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].matrix = matrix;
    m_trace.Add(Line("SetTextureMatrix", stage));
    return true;
}

bool Display::ResetTextureMatrix(int stage) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].matrix = DisplayMatrix();
    m_trace.Add(Line("ResetTextureMatrix", stage));
    return true;
}

DisplayMatrix Display::GetTextureMatrix(int stage) const {
    return ValidStage(stage) ? m_stages[stage].matrix : DisplayMatrix();
}

bool Display::SetTextureCoordGen(int stage, int mode, int components) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].texGenMode = mode;
    m_stages[stage].texGenComponents = components;
    m_trace.Add(Line("SetTextureCoordGen", stage, mode, components));
    return true;
}

int Display::GetTextureCoordGenMode(int stage) const {
    return ValidStage(stage) ? m_stages[stage].texGenMode : kTexGenVertex;
}

int Display::GetTextureCoordComponents(int stage) const {
    return ValidStage(stage) ? m_stages[stage].texGenComponents : 2;
}

void Display::SetTextureTransform(const DisplayMatrix& matrix) {
    m_textureTransform = matrix;
    m_trace.Add(Line("SetTextureTransform"));
}

uint32_t Display::CreateTextureStageState(const TextureArgs& color, const TextureArgs& alpha) {
    if (!HasCapability(DisplayProfile::kCapabilityTextureCombine) || !ValidStage(color.stage)) return 0;
    uint32_t handle = m_nextStageState++;
    m_stageStates[handle] = StageState{color, alpha};
    m_trace.Add(Line("CreateTextureStageState", handle, color.stage));
    return handle;
}

bool Display::ReleaseTextureStageState(uint32_t handle) {
    if (m_stageStates.erase(handle) == 0) return false;
    for (Stage& stage : m_stages)
        if (stage.state == handle) stage.state = 0;
    m_trace.Add(Line("ReleaseTextureStageState", handle));
    return true;
}

bool Display::ApplyTextureStageState(uint32_t handle) {
    auto it = m_stageStates.find(handle);
    if (it == m_stageStates.end()) return false;
    m_stages[it->second.color.stage].state = handle;
    m_trace.Add(Line("ApplyTextureStageState", handle, it->second.color.stage));
    return true;
}

bool Display::ResetStageState(int stage) {
    if (!ValidStage(stage)) return false;
    m_stages[stage].state = 0;
    m_trace.Add(Line("ResetStageState", stage));
    return true;
}

uint32_t Display::GetAppliedStageState(int stage) const { return ValidStage(stage) ? m_stages[stage].state : 0; }

void Display::BindTextureCombiner(TextureCombiner* combiner) {
    m_boundCombiner = combiner;
    m_trace.Add(Line("BindTextureCombiner", combiner ? combiner->GetName() : std::string("none")));
}

void Display::UnbindTextureCombiner() {
    m_boundCombiner = nullptr;
    m_trace.Add(Line("UnbindTextureCombiner"));
}

std::unique_ptr<DisplayVertexBuffer> Display::CreateStaticVertexBuffer(uint32_t capacity, uint32_t vertexSize) {
    if (vertexSize == 0 || std::size_t(capacity) * vertexSize > kMaxBufferBytes) return nullptr;
    return std::make_unique<DisplayVertexBuffer>(capacity, vertexSize);
}

std::unique_ptr<DisplayIndexBuffer> Display::CreateStaticIndexBuffer(uint32_t capacity) {
    if (std::size_t(capacity) * sizeof(uint16_t) > kMaxBufferBytes) return nullptr;
    return std::make_unique<DisplayIndexBuffer>(capacity);
}

bool Display::RegisterVertexType(VertexType* type, int, int) {
    if (!type) return false;
    type->AddReference();
    auto [it, added] = m_vertexTypes.emplace(type->GetID(), type);
    if (!added) {
        it->second->ReleaseReference();
        it->second = type;
    }
    ++m_vertexTypeRegistrations;
    m_trace.Add(Line("RegisterVertexType", type->GetID()));
    return true;
}

VertexType* Display::FindVertexType(int id) const {
    auto it = m_vertexTypes.find(id);
    return it == m_vertexTypes.end() ? nullptr : it->second;
}

void Display::DrawChunk(const GeometryChunk& chunk, const VertexProgram* program) {
    ++m_draws;
    m_trace.Add(Line("DrawChunk", "triangles=" + std::to_string(chunk.GetTriangleCount()),
                     "program=" + (program ? program->GetName() : std::string("none"))));
}

void Display::DrawPrimitives(const GeometryChunk& chunk, const VertexProgram* program, uint32_t indexCount,
                             const uint16_t*, uint32_t primitives, int primitiveType) {
    (void)chunk;
    ++m_draws;
    m_trace.Add(Line("DrawPrimitives", "indices=" + std::to_string(indexCount),
                     "primitives=" + std::to_string(primitives), "type=" + std::to_string(primitiveType),
                     "program=" + (program ? program->GetName() : std::string("none"))));
}

void Display::ConvertColorArray(uint32_t* colors, std::size_t count) {
    if (!colors) return;
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t c = colors[i];
        colors[i] = (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
    }
}

std::unique_ptr<MemoryTexture> Display::CreateTexture() { return std::make_unique<MemoryTexture>(); }

}  // namespace Vek

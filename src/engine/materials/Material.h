#pragma once
// A material: how a chunk is drawn. The base keeps what every type shares:
// sixteen texture slots (each a counted texture and an amount) with their
// recorded definitions (slot, name, amount), a flag word, a scalar, the
// display material, key/value properties, a resource priority, blend
// factors, an opacity, the name it was requested under, and the plug-in
// that made it (held with a reference, so that the plug-in outlives its
// materials). Types differ in their type name, the chunks they make and the
// display states they set.
//
// Decorated names: a mesh names a material as "<name>.m.<type>"; the part
// after the last ".m." (kDecoratedTypeToken), in lower case, is the type.
// Results of the texture and load operations: 0 success, 3 no texture or
// not found, 4 not loaded.
// Counted (engine/ReferenceCount.h).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/ReferenceCount.h"
#include "engine/display/DisplayLight.h"
#include "engine/display/DisplayMatrix.h"
#include "engine/materials/DisplayMaterial.h"

namespace Vek {

class Display;
class GeometryChunk;
class MaterialManager;
class MaterialPlugin;
class ResourceDatabase;
class TextureResource;
class VertexProgram;
struct StandardChunkHint;
struct Viewport;

class Material : public ReferenceCount {
public:
    static constexpr int kTextureSlots = 16;
    static constexpr const char* kDecoratedTypeToken = ".m.";
    enum Result : int { kOk = 0, kNoTexture = 3, kNotLoaded = 4 };

    struct TextureDefinition {
        int slot = 0;
        std::string name;
        float amount = 1.0f;
    };

    explicit Material(MaterialManager* manager);

    // ---- identity ----
    virtual const char* GetTypeName() const = 0;
    // A small number per type name, the same for every material of a type.
    int GetTypeID() const { return TypeIDOf(GetTypeName()); }
    static int TypeIDOf(const char* typeName);
    // A new material of this type from the same manager with this one's
    // values; textures are shared. Null when the manager cannot make one.
    virtual Material* Clone() const;
    // Copies the base values of `from` (textures shared).
    virtual void InitInstance(const Material& from);
    // Same type and the same base values (textures compared by object).
    virtual bool Equals(const Material& other) const;

    // ---- decorated names ----
    // The type name of a decorated name ("a.m.Gloss" -> "gloss"), or "".
    static std::string DecoratedTypeName(const char* decoratedName);
    // Completes a name that lacks a type: ".m.onetex" when a texture
    // definition is given for slot 0, else ".m.notex". False when the name
    // had a type already (nothing changed).
    static bool VerifyDecoratedName(std::string& name, int textureCount, const TextureDefinition* definitions);

    // ---- values ----
    MaterialManager* GetManager() const { return m_manager; }
    void SetRequestName(const std::string& name) { m_requestName = name; }
    const std::string& GetRequestName() const { return m_requestName; }
    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    float GetScalar() const { return m_scalar; }
    void SetScalar(float scalar) { m_scalar = scalar; }
    const DisplayMaterial& GetDisplayMaterial() const { return m_displayMaterial; }
    void SetDisplayMaterialProperties(const DisplayMaterial& values) { m_displayMaterial = values; }
    void AddProperty(const std::string& key, const std::string& value) { m_properties.emplace_back(key, value); }
    std::size_t GetPropertyCount() const { return m_properties.size(); }
    const std::pair<std::string, std::string>* GetProperty(std::size_t i) const {
        return i < m_properties.size() ? &m_properties[i] : nullptr;
    }
    bool FindProperty(const std::string& key, std::string& value) const;
    void SetBlendFactors(int source, int destination) {
        m_blendSource = source;
        m_blendDestination = destination;
    }
    int GetBlendSource() const { return m_blendSource; }
    int GetBlendDestination() const { return m_blendDestination; }
    float GetOpacity() const { return m_opacity; }
    void SetOpacity(float opacity) { m_opacity = opacity; }
    // Gives the priority to the material and to each of its textures.
    virtual void SetResourcePriority(float priority);
    float GetResourcePriority() const { return m_priority; }

    // ---- textures ----
    virtual TextureResource* GetTexture(int slot) const;
    float GetTextureAmount(int slot) const;
    // By texture: null gives 3 and changes nothing; otherwise the slot
    // holds it, it gets the material's priority, and the definition
    // (slot, texture name, amount) is recorded.
    virtual int SetTexture(int slot, TextureResource* texture, float amount);
    // By name through the manager's texture manager in `database`: found
    // as above (the definition keeps the name as given) and the cached
    // alpha hint becomes -1; not found: 3, the slot unchanged.
    virtual int SetTexture(int slot, ResourceDatabase* database, const char* name, float amount);
    // Replaces the slot's texture by its own copy; 3 when empty.
    virtual int DuplicateTexture(int slot);
    const std::vector<TextureDefinition>& GetTextureDefinitions() const { return m_definitions; }
    void SetTextureDefinition(int slot, const std::string& name, float amount);

    // ---- load state ----
    // 0 when every texture the material holds is loaded, else 4.
    virtual int IsLoaded() const;
    // Marks the textures used.
    virtual void Activate();
    virtual void CacheAlphaHint() { m_cachedAlphaHint = 0; }
    int GetCachedAlphaHint() const { return m_cachedAlphaHint; }
    void SetCachedAlphaHint(int hint) { m_cachedAlphaHint = hint; }

    // ---- chunks ----
    // The chunk flag word for a primitive type and hint (GeometryChunk::
    // MakeFlagWord); the type word is GeometryChunk::MakeTypeWord.
    static uint32_t MakeGeometryChunkFlags(int primitiveType, const StandardChunkHint* hint);
    // A new chunk (vertex count, face count, index count, face-normal
    // count, primitive type, hint) in the layout of the type, with its
    // vertex type registered with the display; null for a bad type.
    virtual GeometryChunk* CreateGeometryChunk(uint32_t vertexCount, uint32_t faceCount, uint32_t indexCount,
                                               uint32_t faceNormalCount, int primitiveType,
                                               const StandardChunkHint* hint);

    // ---- drawing ----
    virtual void SetDisplayState(Display* display);
    virtual void ClearDisplayState(Display* display);
    // Pass binding; `last` 0 applies (clears) the display state.
    virtual void Bind(Display* display, int pass, int last);
    virtual void Unbind(Display* display, int pass, int last);
    // Draws a chunk: a transparent one goes to the alpha-blend cache when
    // the material has one; otherwise display state, lighting state, world
    // matrix, the chunk's draw with its pass-0 program, display state
    // cleared. Nothing without a display.
    virtual void RenderChunk(Display* display, Viewport* viewport, GeometryChunk* chunk, const DisplayLightList& lights,
                             const DisplayMatrix& world);
    virtual void RenderNumChunks(Display* display, Viewport* viewport, GeometryChunk* const* chunks,
                                 const DisplayLightList* lights, const DisplayMatrix* worlds, int count);
    virtual void RenderPrimitives(Display* display, Viewport* viewport, GeometryChunk* chunk,
                                  const DisplayLightList& lights, const DisplayMatrix& world, uint32_t indexCount,
                                  const uint16_t* indices, uint32_t primitives, int primitiveType);
    // Draws an entry a rendering cache kept.
    virtual void DrawCached(Display* display, Viewport* viewport, GeometryChunk* chunk, int pass,
                            const DisplayMatrix& transform);
    // The lighting of one draw: the ambient sum (display ambient plus the
    // ambient of every light of type 0 or 3) times the material ambient
    // plus the emissive, clamped, into the program's local 12; traced.
    void SetLightingState(Display* display, const DisplayMatrix* view, GeometryChunk* chunk, VertexProgram* program,
                          const DisplayLightList& lights, const DisplayMatrix& world, float opacity, bool flag);

    // ---- plug-in ----
    void AssignPlugin(MaterialPlugin* plugin);
    MaterialPlugin* GetPlugin() const { return m_plugin; }

protected:
    ~Material() override;
    Display* GetDisplay() const;
    // The chunk layout of the type: textured or not.
    virtual bool UsesTextureCoordinates() const { return true; }

    MaterialManager* m_manager;
    int m_cachedAlphaHint = 0;

private:
    std::string m_requestName;
    uint32_t m_flags = 0;
    float m_scalar = 1.0f;
    DisplayMaterial m_displayMaterial;
    std::vector<std::pair<std::string, std::string>> m_properties;
    int m_blendSource = 4;
    int m_blendDestination = 5;
    float m_opacity = 1.0f;
    float m_priority = 0.0f;
    TextureResource* m_textures[kTextureSlots] = {};  // each with a reference
    float m_amounts[kTextureSlots] = {};
    std::vector<TextureDefinition> m_definitions;
    MaterialPlugin* m_plugin = nullptr;  // with a reference
};

}  // namespace Vek

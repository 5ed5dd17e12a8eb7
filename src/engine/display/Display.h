#pragma once
// The render kernel's display, headless: it draws nothing, but keeps every
// state it is given (the getters return what was set), records each setter
// and each draw in a trace (engine/display/DisplayTrace.h), holds static
// vertex and index buffers in memory, hands out texture-stage states,
// registers vertex types, and answers capability questions from its profile
// (engine/display/DisplayProfile.h).
//
// Blend factor codes: 0 zero, 1 one, 2 source colour, 3 inverse source
// colour, 4 source alpha, 5 inverse source alpha. Fog modes: 0 off, 1 on.
// Cull modes: 0 none, 1 back faces. Texture-stage states are handles
// (0 = none) made from a colour and an alpha TextureArgs.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/display/DisplayBuffer.h"
#include "engine/display/DisplayColor.h"
#include "engine/display/DisplayMatrix.h"
#include "engine/display/DisplayProfile.h"
#include "engine/display/DisplayTrace.h"
#include "engine/display/TextureArgs.h"

namespace Vek {

class GeometryChunk;
class MemoryTexture;
class TextureCombiner;
class TextureCombinerManager;
class TextureResource;
class VertexProgram;
class VertexProgramManager;
class VertexType;

class Display {
public:
    static constexpr int kMaxTextureStages = 8;
    // The largest static buffer the display hands out, in bytes.
    static constexpr std::size_t kMaxBufferBytes = std::size_t(256) << 20;

    explicit Display(DisplayProfile profile);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Whether `display` is a display that has not been destroyed (holders
    // of display objects release them only through a live display).
    static bool IsAlive(const Display* display);

    // Capabilities.
    const DisplayProfile& GetProfile() const { return m_profile; }
    bool HasCapability(int capability) const { return m_profile.Has(capability); }
    int GetTextureStageCount() const { return m_profile.textureStages; }

    // The device record: the default vertex colour (0xAARRGGBB, opaque
    // white) and the frame counter.
    uint32_t GetDefaultVertexColor() const { return m_defaultVertexColor; }
    uint32_t GetFrameNumber() const { return m_frame; }
    void AdvanceFrame() { ++m_frame; }

    DisplayTrace& GetTrace() { return m_trace; }
    const DisplayTrace& GetTrace() const { return m_trace; }

    // Render states.
    void SetAlphaBlendMode(bool on);
    bool GetAlphaBlendMode() const { return m_alphaBlend; }
    void SetAlphaBlendFunction(int source, int destination);
    void GetAlphaBlendFunction(int& source, int& destination) const {
        source = m_blendSource;
        destination = m_blendDestination;
    }
    void SetAlphaTestMode(bool on);
    bool GetAlphaTestMode() const { return m_alphaTest; }
    void SetDepthWriteMode(bool on);
    bool GetDepthWriteMode() const { return m_depthWrite; }
    void SetFogMode(int mode);
    int GetFogMode() const { return m_fogMode; }
    void SetCullMode(int mode);
    int GetCullMode() const { return m_cullMode; }
    void SetColorMaterialMode(int mode);
    int GetColorMaterialMode() const { return m_colorMaterialMode; }
    void SetAmbientColor(const DisplayColor& color);
    const DisplayColor& GetAmbientColor() const { return m_ambient; }
    void SetWorldMatrix(const DisplayMatrix& matrix);
    const DisplayMatrix& GetWorldMatrix() const { return m_world; }

    // A new texture object of the display, empty until the caller sets it
    // up (the headless display keeps its texels in memory).
    std::unique_ptr<MemoryTexture> CreateTexture();

    // Texture stages (0 to the profile's stage count - 1; others are
    // ignored and give false). A stage holds a texture, nothing (disabled)
    // or an environment map.
    bool SetTexture(int stage, const TextureResource* texture);
    bool DisableStage(int stage);
    bool SetEnvironmentMap(int stage, const TextureResource* texture);
    const TextureResource* GetTexture(int stage) const;
    bool SetTextureMatrix(int stage, const DisplayMatrix& matrix);
    bool ResetTextureMatrix(int stage);
    DisplayMatrix GetTextureMatrix(int stage) const;
    // Texture-coordinate generation of a stage: the mode (kTexGenVertex:
    // the vertex's own coordinates; kTexGenSphereMap: sphere-map
    // coordinates from the camera-space normal; kTexGenReflection: the
    // camera-space reflection vector, for cube maps) and the number of
    // coordinate components the stage reads (2, or 3 for a cube map).
    static constexpr int kTexGenVertex = 0;
    static constexpr int kTexGenSphereMap = 1;
    static constexpr int kTexGenReflection = 2;
    bool SetTextureCoordGen(int stage, int mode, int components);
    int GetTextureCoordGenMode(int stage) const;
    int GetTextureCoordComponents(int stage) const;
    // The current texture transform (the matrix generated coordinates are
    // multiplied by), kept until replaced.
    void SetTextureTransform(const DisplayMatrix& matrix);
    const DisplayMatrix& GetTextureTransform() const { return m_textureTransform; }

    // Texture-stage states: a handle (0 = none) for the stage of the colour
    // arguments; none when the profile has fewer stages than that or no
    // texture combining. Apply puts a state on its stage; ResetStageState
    // takes any state off a stage.
    uint32_t CreateTextureStageState(const TextureArgs& color, const TextureArgs& alpha);
    bool ReleaseTextureStageState(uint32_t handle);
    bool ApplyTextureStageState(uint32_t handle);
    bool ResetStageState(int stage);
    uint32_t GetAppliedStageState(int stage) const;
    std::size_t GetTextureStageStateCount() const { return m_stageStates.size(); }

    // Programs: the managers exist only when the profile has vertex
    // programs (capability 17) or texture combiners (capability 21).
    VertexProgramManager* GetVertexProgramManager() const { return m_programs.get(); }
    TextureCombinerManager* GetTextureCombinerManager() const { return m_combiners.get(); }
    void BindTextureCombiner(TextureCombiner* combiner);
    void UnbindTextureCombiner();
    const TextureCombiner* GetBoundTextureCombiner() const { return m_boundCombiner; }

    // Static buffers, owned by the caller; null for a size above
    // kMaxBufferBytes or a zero vertex size.
    std::unique_ptr<DisplayVertexBuffer> CreateStaticVertexBuffer(uint32_t capacity, uint32_t vertexSize);
    std::unique_ptr<DisplayIndexBuffer> CreateStaticIndexBuffer(uint32_t capacity);

    // Vertex types by id. A registration holds a reference; registering an
    // id again replaces the earlier type (materials that build their own
    // type, such as id 99, each register it). False for null.
    bool RegisterVertexType(VertexType* type, int a = 0, int b = 0);
    VertexType* FindVertexType(int id) const;
    std::size_t GetVertexTypeRegistrations() const { return m_vertexTypeRegistrations; }

    // Draws: the chunk's whole geometry, or `primitives` primitives from
    // the given indices. Counted and traced; nothing is drawn.
    void DrawChunk(const GeometryChunk& chunk, const VertexProgram* program);
    void DrawPrimitives(const GeometryChunk& chunk, const VertexProgram* program, uint32_t indexCount,
                        const uint16_t* indices, uint32_t primitives, int primitiveType);
    uint32_t GetDrawCount() const { return m_draws; }

    // Turns colours as stored in files (0xAARRGGBB) into the display's
    // order (red in the low byte: 0xAABBGGRR), in place.
    static void ConvertColorArray(uint32_t* colors, std::size_t count);

private:
    bool ValidStage(int stage) const { return stage >= 0 && stage < m_profile.textureStages && stage < kMaxTextureStages; }

    struct Stage {
        const TextureResource* texture = nullptr;
        bool environment = false;
        DisplayMatrix matrix;
        uint32_t state = 0;
        int texGenMode = kTexGenVertex;
        int texGenComponents = 2;
    };
    struct StageState {
        TextureArgs color;
        TextureArgs alpha;
    };

    DisplayProfile m_profile;
    DisplayTrace m_trace;
    uint32_t m_defaultVertexColor = 0xFFFFFFFFu;
    uint32_t m_frame = 0;

    bool m_alphaBlend = false;
    int m_blendSource = 1;
    int m_blendDestination = 0;
    bool m_alphaTest = false;
    bool m_depthWrite = true;
    int m_fogMode = 0;
    int m_cullMode = 1;
    int m_colorMaterialMode = 0;
    DisplayColor m_ambient{0.0f, 0.0f, 0.0f, 1.0f};
    DisplayMatrix m_world;
    DisplayMatrix m_textureTransform;
    Stage m_stages[kMaxTextureStages];

    std::map<uint32_t, StageState> m_stageStates;
    uint32_t m_nextStageState = 1;

    std::unique_ptr<VertexProgramManager> m_programs;
    std::unique_ptr<TextureCombinerManager> m_combiners;
    TextureCombiner* m_boundCombiner = nullptr;

    std::map<int, VertexType*> m_vertexTypes;  // each with a reference
    std::size_t m_vertexTypeRegistrations = 0;
    uint32_t m_draws = 0;
};

}  // namespace Vek

#include "meshes/materials/LayoutVertexType.h"

#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexType.h"

namespace Vek {

void AttachLayoutVertexType(Display* display, GeometryChunk* chunk) {
    if (!display || !chunk) return;
    VertexType* type = display->FindVertexType(chunk->GetVertexTypeID());
    if (!type) {
        AutoReference<VertexType> made(GeometryChunk::MakeVertexType(chunk->GetLayout()));
        display->RegisterVertexType(made.Get(), 0, 0);
        type = made.Get();
    }
    chunk->SetVertexType(type);
}

}  // namespace Vek

#pragma once
// Gives a chunk the display's vertex type of its layout's id, registering
// one made from the layout when the display has none yet (as the engine's
// materials do for their chunks). Nothing without a display or chunk.
namespace Vek {

class Display;
class GeometryChunk;

void AttachLayoutVertexType(Display* display, GeometryChunk* chunk);

}  // namespace Vek

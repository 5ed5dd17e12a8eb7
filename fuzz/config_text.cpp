// Configuration texts and geometry descriptions: any bytes must give a
// result code, never a crash, an overrun or a leak.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/config/ConfigParser.h"
#include "engine/config/GeometryConfigData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Vek::ConfigParser parser;
    if (parser.ParseText(std::string_view(reinterpret_cast<const char*>(data), size)) != 0 || !parser.GetRoot()) return 0;
    Vek::GeometryConfigData geometry;
    if (geometry.LoadConfigData(*parser.GetRoot(), true, true, true, "fuzz.imtxt")) {
        for (uint32_t c = 0; c < geometry.GetNumChunks(); ++c) {
            std::vector<Vek::Vector3> positions(geometry.GetVertexCount(c));
            geometry.CopyPositions(c, {sizeof(Vek::Vector3), positions.data()});
            std::vector<uint16_t> indices(geometry.GetIndexCount(c));
            geometry.CopyIndices(c, indices.data());
        }
    }
    return 0;
}

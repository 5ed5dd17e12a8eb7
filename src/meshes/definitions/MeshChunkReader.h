#pragma once
// Reading the chunked mesh files from memory: explicit little-endian values,
// chunk headers with their accepted versions, and the put-back of an absent
// optional chunk.
//
// Every read follows the memory file's short-read rule; a reader that fails
// to read a value stops at once with RES_FILE_FORMAT_ERROR, so a damaged
// file never drives a loop with stale or partial values.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "engine/Vector.h"
#include "engine/meshfile/InfluenceDefinition.h"
#include "engine/meshfile/MemoryFile.h"

namespace MeshChunk {

// Smallest sizes on disk, for checking a count against the bytes that
// remain: a padded string (its length word), a chunk (tag, size, version).
constexpr uint64_t kMinPaddedString = 4;
constexpr uint64_t kMinChunk = 12;

// Little-endian reads; false (position unchanged) when the bytes are not there.
bool ReadU32(Vek::MemoryFile& file, uint32_t& value);
bool ReadFloat(Vek::MemoryFile& file, float& value);
bool ReadFloats(Vek::MemoryFile& file, float* values, std::size_t count);

// Decoding from a block already read.
uint32_t LoadU32(const uint8_t* bytes);
float LoadFloat(const uint8_t* bytes);
Vek::Vector3 LoadVector3(const uint8_t* bytes);

// One chunk's skin weights: uint32 chunk, uint32 weight count, then per
// weight uint32 vertex, float32 weight, 3 float32 offset (20 bytes). False
// (position unchanged by the failing read) when a value or the weights are
// not all there.
bool ReadWeightEntry(Vek::MemoryFile& file, Vek::InfluenceDefinition::Entry& entry);

// Whether a stored face count fits the indices of its primitive (code 4
// triangle list, 8 strip, 16 fan, 1 line list, 2 line strip, 0 points): at
// most indices / 3 for a triangle list, indices - 2 for a strip or a fan,
// indices / 2 for a line list, indices - 1 for a line strip, indices for
// points. A smaller count is allowed: stored files may hold one.
bool FaceCountFits(uint32_t primitiveCode, uint32_t faceCount, uint32_t indexCount);

struct Header {
    uint32_t size = 0;
    std::size_t end = 0;  // the position right after the size field plus the size
    uint32_t version = 0;
};

// Reads a chunk's tag, size and version. 3 for another tag or a header that
// is not all there, 4 for a version outside `accepted`, otherwise 0.
uint32_t ReadRequired(Vek::MemoryFile& file, const char* tag, std::initializer_list<uint32_t> accepted,
                      Header& header);
// As ReadRequired for a chunk that may be absent: another tag is put back
// (the position is where it was) and `present` is false with result 0.
uint32_t ReadOptional(Vek::MemoryFile& file, const char* tag, std::initializer_list<uint32_t> accepted,
                      Header& header, bool& present);
// The size and version after a tag already read.
uint32_t ReadSizeAndVersion(Vek::MemoryFile& file, std::initializer_list<uint32_t> accepted, Header& header);
// The same with the accepted versions a closed range.
uint32_t ReadSizeAndVersion(Vek::MemoryFile& file, uint32_t lowest, uint32_t highest, Header& header);

}  // namespace MeshChunk

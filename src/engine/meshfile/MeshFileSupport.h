#pragma once
// Services shared by the chunked mesh files, and the accessor interface
// through which a loaded mesh hands out its contents.
//
// A chunked file is an envelope: "VIRF", a uint32 size counting the bytes
// after the size field that belong to the file, a 4-byte type tag, then
// chunks. A chunk is a 4-byte tag, a uint32 size counting the bytes after
// the size field up to the chunk's end, a uint32 version and the body. All
// values are little-endian.
//
// Padded strings (WritePaddedString / ReadPaddedString), our layout:
//   uint32 n       the number of text bytes (no terminating NUL stored)
//   n bytes        the text
//   0 to 3 bytes   zeros, so that the text and its padding fill a multiple
//                  of 4 bytes
// A reader checks n and the padding against the bytes that remain; a string
// that does not fit leaves the position where it was and the read fails.
//
// Writing a chunk: write the tag, MarkSizePos (reserves the size field and
// returns where it is), write the version and the body, WriteSizeAtMark
// (fills the size field with the number of bytes written after it).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/File.h"
#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/meshfile/InfluenceDefinition.h"
#include "engine/meshfile/MemoryFile.h"

namespace Vek {

class DisplayMaterial;

// Where an accessor copies per-vertex values: element j goes to data + j x stride.
struct CopyDestination {
    uint32_t stride = 0;
    void* data = nullptr;
};

// One texture of a material: its stage, its file name and a value.
struct MeshTextureDefinition {
    uint32_t stage = 0;
    PString fileName;
    float value = 0.0f;
};

class MeshFileSupport {
public:
    // Limits that keep a damaged file from driving huge loops: no string
    // longer than this is read, and chunk and bone trees nest no deeper.
    static constexpr uint32_t kMaxPaddedString = 1u << 20;
    static constexpr uint32_t kMaxNesting = 64;

    virtual ~MeshFileSupport() = default;

    // --- the accessor interface, in slot order ---
    virtual uint32_t GetVertexCount(uint32_t chunk) const = 0;
    virtual uint32_t GetMaxInfluencesPerVertex() const = 0;
    virtual uint32_t GetMaxBonesPerChunk() const = 0;
    virtual uint32_t GetIndexCount(uint32_t chunk) const = 0;
    virtual uint32_t GetFaceNormalCount(uint32_t chunk) const = 0;
    virtual uint32_t GetTexCoordSetCount(uint32_t chunk) const = 0;
    virtual uint32_t GetChunkInfluencesPerVertex(uint32_t chunk) const = 0;
    virtual void CopyPositions(uint32_t chunk, const CopyDestination& destination) const = 0;
    virtual void CopyTexCoords(uint32_t chunk, uint32_t set, const CopyDestination& destination) const = 0;
    virtual void CopyIndices(uint32_t chunk, uint16_t* destination) const = 0;
    virtual void CopyNormals(uint32_t chunk, const CopyDestination& destination) const = 0;
    virtual void CopyColours(uint32_t chunk, const CopyDestination& destination, uint32_t defaultColour,
                             bool primary) const = 0;
    virtual void CopyFaceNormals(uint32_t chunk, Vector3* destination) const = 0;
    virtual PString GetMaterialName(uint32_t chunk) const = 0;
    virtual std::vector<MeshTextureDefinition> GetMaterialTextures(uint32_t chunk) const = 0;
    virtual bool GetMaterialFlag(uint32_t chunk) const = 0;
    virtual float GetMaterialScalar(uint32_t chunk) const = 0;
    virtual void GetDisplayMaterial(uint32_t chunk, DisplayMaterial& result) const = 0;
    virtual uint32_t GetMaterialPropertyCount(uint32_t chunk) const = 0;
    // A new[] copy of the key (value false) or value (value true) that the
    // caller frees with delete[]; null when the text is empty.
    virtual char* GetMaterialProperty(uint32_t chunk, uint32_t index, bool value) const = 0;
    virtual void NoOperation() {}
    virtual const std::vector<MeshTextureDefinition>& GetMissingTextures() const = 0;
    virtual PString GetBoneName(uint32_t bone) const = 0;
    virtual PString GetBoneParentName(uint32_t bone) const = 0;
    virtual Vector3 GetBonePosition(uint32_t bone) const = 0;
    virtual Quaternion GetBoneOrientation(uint32_t bone) const = 0;
    virtual uint32_t GetBoneEntryCount(uint32_t bone) const = 0;
    virtual uint32_t GetBoneEntryChunk(uint32_t bone, uint32_t entry) const = 0;
    virtual uint32_t GetBoneEntryWeightCount(uint32_t bone, uint32_t entry) const = 0;
    virtual void CopyBoneEntryWeights(uint32_t bone, uint32_t entry, InfluenceDefinition::Weight* destination) const = 0;
    virtual PString GetAttachmentName(uint32_t attachment) const = 0;
    virtual Quaternion GetAttachmentOrientation(uint32_t attachment) const = 0;
    virtual Vector3 GetAttachmentPosition(uint32_t attachment) const = 0;

    // --- padded strings ---
    static bool WritePaddedString(File& file, const char* text);
    static bool ReadPaddedString(MemoryFile& file, AnsiString& text);
    static bool ReadPaddedString(MemoryFile& file, PString& text);
    // A new[] array the caller frees with delete[]; null when the read fails.
    static char* ReadPaddedString(MemoryFile& file);

    // --- writing ---
    static bool WriteU32(File& file, uint32_t value) { return file.Write(&value, 4) == 4; }
    static bool WriteFloat(File& file, float value) { return file.Write(&value, 4) == 4; }
    static bool WriteTag(File& file, const char* tag);
    // Writes a zero size field and returns its position (-1 on failure).
    static int64_t MarkSizePos(File& file);
    // Fills the size field at `mark` with the number of bytes written after
    // it, and returns to the end of the file. False when the mark is not a
    // field of this file or a seek or write fails.
    static bool WriteSizeAtMark(File& file, int64_t mark);

    // --- the envelope ---
    // Writes "VIRF", a size field and the type tag; returns the size mark
    // for WriteSizeAtMark (-1 on failure).
    static int64_t WriteVIRFHeader(File& file, const char* type);
    // Reads "VIRF", the size and the type tag. On success `fileEnd` is the
    // position right after the size field plus the size. False for a file
    // that does not begin with "VIRF" or whose type differs.
    static bool ReadVIRFHeader(MemoryFile& file, const char* type, std::size_t& fileEnd);
};

// The engine-level name of the envelope writer.
inline int64_t VIRFWriteHeader(File& file, const char* type) { return MeshFileSupport::WriteVIRFHeader(file, type); }

}  // namespace Vek

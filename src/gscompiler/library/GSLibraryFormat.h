#pragma once
// Fixed values of the script-library (".gsl") image and the small helpers
// its writers share: chunk tags, header words, the flag masks of class and
// function records, chunk length patching and padding, and the class and
// function numbers that records refer to.
//
// An image is little-endian 32-bit words. A chunk is [length][tag][body],
// its length counting every byte from its own length word on. Alignment
// counts from the start of the image; only the string section (0x00) and
// the code of function chunks (0xFF) are padded.
#include <cstdint>

class GSCompileContext;
class GSLibraryBuffer;

namespace GSCompiler {
class GSFunctionSymbol;
class GSClassSymbol;
}  // namespace GSCompiler

namespace GSLibraryFormat {

constexpr uint32_t kMagic = 0xF762575D;
constexpr uint32_t kVersionBits = 0x3F828F5C;  // the float 1.02

constexpr uint32_t kDependentsTag = 2;
constexpr uint32_t kStringsTag = 3;
constexpr uint32_t kClassImportsTag = 4;
constexpr uint32_t kFunctionImportsTag = 5;
constexpr uint32_t kClassesTag = 6;
constexpr uint32_t kClassTag = 7;
constexpr uint32_t kFunctionTableTag = 8;
constexpr uint32_t kFunctionTag = 9;
constexpr uint32_t kMembersTag = 10;
constexpr uint32_t kVirtualTableTag = 11;
constexpr uint32_t kLayoutTag = 12;
constexpr uint32_t kLineTableTag = 0x6462676C;  // "dbgl"

// Specifier bits kept in class records: static, final, game, secured.
constexpr uint32_t kClassFlagMask = 0x14C;
// Specifier bits kept in function records: public, native, final, thread,
// constructor.
constexpr uint32_t kFunctionFlagMask = 0x3B;
// Slots of a frame beyond its local area.
constexpr uint32_t kFrameHeaderSlots = 4;
constexpr uint8_t kCodePadding = 0xFF;
// A string index that could not be had.
constexpr uint32_t kNoIndex = 0xFFFFFFFFu;

// Pads with `fill` bytes up to the next multiple of 4 of the position.
void PadTo4(GSLibraryBuffer& out, uint8_t fill);
// Writes the length of the chunk that starts at `start` (the distance to
// the current position) into its first word, and returns to the end.
void PatchChunkLength(GSLibraryBuffer& out, uint32_t start);

// The class symbol of a name in the compile's global table, without
// numbering it; null when the name is no class.
GSCompiler::GSClassSymbol* FindClassSymbol(GSCompileContext& unit, const char* name);
// The class index of a named class; -1 for no name, a name that is no
// class, or a class that has no index.
int32_t ClassIndexOf(GSCompileContext& unit, const char* className);
// A function's slot in its owner class's function table: the owner's
// function base plus the function's own index, added as 16-bit values and
// widened with sign; -1 without an owner class.
int32_t FunctionSlotOf(const GSCompiler::GSFunctionSymbol* function);

}  // namespace GSLibraryFormat

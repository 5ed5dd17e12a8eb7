#pragma once
// GSLibraryWriter: turns a compiled unit (its symbol table, string table
// and generated classes) into a script-library image:
//   header: image length, magic, version 1.02, the library id pair, the
//           lower-cased source name with its NUL;
//   sections, one chunk each: 2 dependents, 3 strings, 4 class imports,
//           5 function imports, 6 classes (class chunks with their function
//           table, members, virtual table and instance layout).
// Sections 4 to 6 are written first into a scratch buffer, because writing
// them puts names and signatures into the string table that section 3
// stores.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

class GSCompileContext;
class GSCompileLog;
class GSLibraryBuffer;

namespace GSCompiler {
class GSCClass;
class GSCClassList;
class GSClassSymbol;
class GSFunctionSymbol;
}  // namespace GSCompiler

class GSLibraryWriter {
public:
    static constexpr uint32_t kScratchGrowthStep = 512;

    // One entry of a class's virtual table: the function a slot of the
    // flattened function table runs, and the data offset of the class view
    // whose code implements it.
    struct VirtualEntry {
        GSCompiler::GSFunctionSymbol* function;
        int32_t viewOffset;
    };

    // Resets `out` and writes the whole image of `unit` with its generated
    // `classes`. False when a class cannot be written (a function that
    // leaves the stack unbalanced, an override with another result type,
    // which is logged) or when the image is incomplete because a buffer ran
    // out of memory: such an image must not be stored.
    static bool WriteLibrary(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClassList& classes,
                             GSCompileLog* log, const char* sourceName);

    // Gives an index to every class and function the classes' chunks refer
    // to (the classes, their bases and the functions of both, the classes of
    // members and results), so that the import sections written before the
    // class chunks hold them all.
    static void NumberReferences(GSCompileContext& unit, GSCompiler::GSCClassList& classes);

    // The sections. Each appends one chunk at the buffer's position.
    static bool WriteDependents(GSLibraryBuffer& out, GSCompileContext& unit);
    static bool WriteStrings(GSLibraryBuffer& out, GSCompileContext& unit);
    static bool WriteClassImports(GSLibraryBuffer& out, GSCompileContext& unit);
    static bool WriteFunctionImports(GSLibraryBuffer& out, GSCompileContext& unit);
    static bool WriteClasses(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClassList& classes,
                             GSCompileLog* log);
    static bool WriteClass(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClass& cls,
                           GSCompileLog* log);
    static bool WriteFunctionTable(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClass& cls);
    static bool WriteClassInitFunction(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClass& cls);
    static bool WriteMembers(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClass& cls);
    static bool WriteVirtualTable(GSLibraryBuffer& out, const std::vector<VirtualEntry>& list);
    static void WriteInstanceLayout(GSLibraryBuffer& out, GSCompiler::GSCClass& cls);

    // Builds into `list` (emptied first) the virtual table of `cls` as seen
    // from `root`: the tables of its direct bases first (recursively), then
    // its own functions in slot order. A function whose lookup name is
    // already in the list overrides those entries (they take its function
    // and view offset) and is appended as well. False, with "Wrong return
    // type on function: " and the signature logged, when an override's
    // result type differs.
    static bool BuildVirtualTable(GSCompiler::GSClassSymbol* root, GSCompiler::GSClassSymbol* cls,
                                  std::vector<VirtualEntry>& list, GSCompileLog* log);

private:
    // What building one virtual table looks up, kept so that a long chain
    // of bases is not searched again at every level: the list positions of
    // each lookup name, and the data offset of each base's view in the root.
    // Every entry of one lookup name holds the same function (an override
    // replaces them all), so each name keeps that entry and its positions,
    // and the list is filled in once at the end.
    struct NameEntries {
        VirtualEntry entry;
        std::vector<std::size_t> positions;
    };
    struct VirtualIndex {
        std::unordered_map<std::string_view, NameEntries> names;
        std::unordered_map<std::string_view, int32_t> viewOffsets;
        std::size_t length = 0;
    };
    static bool CollectVirtualTable(GSCompiler::GSClassSymbol* root, GSCompiler::GSClassSymbol* cls,
                                    VirtualIndex& index, GSCompileLog* log);
};

#pragma once
// GSLibraryWriter: turns a compiled unit (its symbol table, string table
// and generated classes) into a script-library image:
//   header: image length, magic, version 1.02, the library id pair, the
//           lower-cased source name with its NUL;
//   sections, one chunk each: 2 dependents, 3 strings, 4 class imports,
//           5 function imports, 6 classes (class chunks with their function
//           table, members, virtual table and instance layout).
// Sections 4 to 6 are written first, because writing them puts names and
// signatures into the string table that section 3 stores; the header and
// sections 2 and 3 then go in front of them.
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
    // Growth step of the buffer the header and sections 2 and 3 are built in.
    static constexpr uint32_t kHeadGrowthStep = 512;

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
    // What building virtual tables looks up, kept from one class to the next
    // so that a long chain of bases is neither searched nor allocated again
    // for every class that derives from it:
    // - the classes of the root's flattened list carry `viewMark` in their
    //   writer mark, with the data offset of their view in the root;
    // - each class's own functions in slot order, with a number for each
    //   lookup name (equal names, one number);
    // - per name number, the entry the name has in the table being built
    //   (valid while its generation is current): every position of one name
    //   holds the same function, since an override replaces them all, so
    //   `positions` gives each position's entry and the list is filled in
    //   once at the end.
    struct OwnFunction {
        GSCompiler::GSFunctionSymbol* function;
        uint32_t name;
    };
    struct VirtualIndex {
        uint64_t viewMark = 0;
        uint64_t generation = 0;
        std::unordered_map<const GSCompiler::GSClassSymbol*, std::vector<OwnFunction>> ownFunctions;
        std::unordered_map<std::string_view, uint32_t> nameNumbers;
        std::vector<uint32_t> entryOfName;
        std::vector<uint64_t> generationOfName;
        std::vector<VirtualEntry> entries;
        std::vector<uint32_t> positions;

        // The entry of name number `name` in the table being built, made
        // (with `added` set) when it has none yet.
        uint32_t EntryOf(uint32_t name, bool& added);
        // The functions of `cls` in slot order, worked out on first use.
        const std::vector<OwnFunction>& OwnFunctions(GSCompiler::GSClassSymbol* cls);
    };
    static bool WriteClass(GSLibraryBuffer& out, GSCompileContext& unit, GSCompiler::GSCClass& cls,
                           GSCompileLog* log, VirtualIndex& index);
    static bool BuildVirtualTable(GSCompiler::GSClassSymbol* root, GSCompiler::GSClassSymbol* cls,
                                  std::vector<VirtualEntry>& list, GSCompileLog* log, VirtualIndex& index);
    // Adds the virtual-table entries of `cls` (within `root`): its bases'
    // first, depth first, then its own.
    static bool CollectVirtualTable(GSCompiler::GSClassSymbol* root, GSCompiler::GSClassSymbol* cls,
                                    VirtualIndex& index, GSCompileLog* log);
    static bool CollectOwnFunctions(GSCompiler::GSClassSymbol* root, GSCompiler::GSClassSymbol* cls,
                                    VirtualIndex& index, GSCompileLog* log);
};

#pragma once
// GSLibrary: one loaded and linked script library. The image (the ".gsl"
// file, kept whole in memory) stays in the library for its whole life:
// names, signatures, code, line tables, base rows, member records,
// initialiser rows and reference-slot lists are read in place. Everything
// else the loader makes comes from the "#GSMachine" heap.
//
// Load reads and checks the whole image once, then links it:
//   0  loaded and linked;
//  -1  the image is malformed: a wrong magic, a section or sub-chunk tag out
//      of order, anything that lies outside the image or outside its chunk,
//      an index outside its table, inconsistent frame words, a slot outside
//      its frame or instance, or code that fails verification;
//  -2  a dependent library is not registered or failed to load;
//  -3  a class import, a function import or a class's link failed.
// Each code has its log lines (see GSLibrary.cpp).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/AnsiString.h"
#include "foundation/containers/IDoubleLinkList.h"
#include "gsruntime/GSConstantStrings.h"
#include "gsruntime/GSLibraryId.h"

class GSLibraryBuffer;

namespace GSRuntime {

class GSClass;
class GSFunction;
class GSMachine;

// Result codes of GSLibrary::Load.
enum : int32_t {
    kGSLoadOk = 0,
    kGSLoadMalformed = -1,
    kGSLoadMissingDependent = -2,
    kGSLoadLinkError = -3,
};

// Header values of a library image.
constexpr uint32_t kGSLibraryMagic = 0xF762575D;
constexpr uint32_t kGSLineTableTag = 0x6462676C;  // "dbgl"

class GSLibrary : public Utils::IDoubleLinkListNode {
public:
    struct Dependent {
        GSLibrary* library = nullptr;  // filled at link
        uint32_t a = 0;
        uint32_t b = 0;
    };
    struct ClassImport {
        GSLibrary* library = nullptr;  // the declaring library, filled at link
        const char* name = nullptr;
        GSClass* cls = nullptr;  // filled at link
        uint32_t dependentIndex = 0;
        uint32_t nameIndex = 0;
    };
    struct FunctionImport {
        GSClass* owner = nullptr;  // filled at link
        const char* signature = nullptr;
        int32_t slot = -1;                // as stored
        GSFunction* function = nullptr;  // filled at link
        uint32_t classImportIndex = 0;
        uint32_t signatureIndex = 0;
    };

    GSLibrary() = default;
    // Destroys the classes (last to first) with their records, gives their
    // function-table numbers back, and frees the image and every table.
    ~GSLibrary() override;

    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;

    // Loads and links the image. The library takes `image` (a buffer from the
    // "#GSMachine" heap, see GSMachine) at once, whatever the outcome.
    int32_t Load(GSMachine* machine, GSLibraryBuffer* image);

    // The class of that exact name, searched from the last class to the
    // first; null when none.
    GSClass* FindClass(const char* name) const;

    // The header's name (the lower-cased source path); empty while loading
    // has not read it.
    const char* GetName() const { return m_name.c_str(); }
    GSLibraryId Id() const { return m_id; }
    float Version() const { return m_version; }
    GSMachine* Machine() const { return m_machine; }

    uint32_t StringCount() const { return m_stringCount; }
    // String i of the string section, or null outside the table.
    const char* GetString(uint32_t index) const { return index < m_stringCount ? m_strings[index] : nullptr; }
    // The copy of string i (index below StringCount).
    const Vek::String& GetStringCopy(uint32_t index) const { return m_stringCopies[index]; }
    // What the running code keeps per string (GSConstantStrings), made on
    // first use; its count is StringCount.
    GSConstantStrings& Constants() {
        if (!m_constants) m_constants = std::make_unique<GSConstantStrings>(m_stringCount);
        return *m_constants;
    }

    uint32_t DependentCount() const { return m_dependentCount; }
    const Dependent& GetDependent(uint32_t index) const { return m_dependents[index]; }
    uint32_t ClassImportCount() const { return m_classImportCount; }
    // Class import i, or null outside the table.
    const ClassImport* GetClassImport(uint32_t index) const {
        return index < m_classImportCount ? &m_classImports[index] : nullptr;
    }
    uint32_t FunctionImportCount() const { return m_functionImportCount; }
    FunctionImport* GetFunctionImport(uint32_t index) const {
        return index < m_functionImportCount ? &m_functionImports[index] : nullptr;
    }
    uint32_t ClassCount() const { return m_classCount; }
    GSClass* GetClass(uint32_t index) const { return index < m_classCount ? m_classes[index] : nullptr; }

private:
    int32_t ReadImage();
    int32_t Link();

    GSMachine* m_machine = nullptr;
    GSLibraryBuffer* m_image = nullptr;
    float m_version = 0.0f;
    GSLibraryId m_id;
    uint32_t m_dependentCount = 0;
    Dependent* m_dependents = nullptr;
    uint32_t m_stringCount = 0;
    const char** m_strings = nullptr;
    Vek::String* m_stringCopies = nullptr;
    uint32_t m_classImportCount = 0;
    ClassImport* m_classImports = nullptr;
    uint32_t m_functionImportCount = 0;
    FunctionImport* m_functionImports = nullptr;
    uint32_t m_classCount = 0;
    GSClass** m_classes = nullptr;
    Vek::String m_name;
    std::unique_ptr<GSConstantStrings> m_constants;
};

}  // namespace GSRuntime

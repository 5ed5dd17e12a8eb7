#include "gsruntime/GSLibrary.h"

#include <cstring>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSCodeLinkCheck.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSHeap.h"
#include "gsruntime/GSImageReader.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSMachine.h"

namespace GSRuntime {

namespace {

// Section tags, in the order the image holds them.
constexpr uint32_t kDependentsTag = 2;
constexpr uint32_t kStringsTag = 3;
constexpr uint32_t kClassImportsTag = 4;
constexpr uint32_t kFunctionImportsTag = 5;
constexpr uint32_t kClassesTag = 6;

// Smallest class chunk: length and tag, name, flags and base count, and its
// four sub-chunks with their counts (the layout sub-chunk has three words).
constexpr uint32_t kMinClassChunk = 8 + 12 + 12 + 12 + 12 + 20;

}  // namespace

void* GSLibrary::operator new(std::size_t size) noexcept { return GSMachineHeap().Alloc(size); }

void GSLibrary::operator delete(void* block) noexcept { GSMachineHeap().Free(block); }

GSLibrary::~GSLibrary() {
    GSHeap& heap = GSMachineHeap();
    if (m_classes) {
        for (uint32_t i = m_classCount; i-- > 0;) delete m_classes[i];
        heap.Free(m_classes);
    }
    GSHeapDelete(heap, m_image);
    GSHeapDeleteArray(heap, m_dependents, m_dependentCount);
    GSHeapDeleteArray(heap, m_strings, m_stringCount);
    GSHeapDeleteArray(heap, m_stringCopies, m_stringCount);
    GSHeapDeleteArray(heap, m_classImports, m_classImportCount);
    GSHeapDeleteArray(heap, m_functionImports, m_functionImportCount);
}

int32_t GSLibrary::Load(GSMachine* machine, GSLibraryBuffer* image) {
    m_machine = machine;
    m_image = image;
    if (!m_image || !m_image->Data()) return kGSLoadMalformed;
    const int32_t result = ReadImage();
    return result != kGSLoadOk ? result : Link();
}

int32_t GSLibrary::ReadImage() {
    GSHeap& heap = GSMachineHeap();
    const uint8_t* image = m_image->Data();
    const uint32_t length = m_image->Length();
    GSImageReader reader(image, length);

    // Header: the length word and the version are not checked.
    uint32_t lengthWord = 0;
    uint32_t magic = 0;
    uint32_t versionBits = 0;
    reader.ReadUInt32(lengthWord);
    reader.ReadUInt32(magic);
    reader.ReadUInt32(versionBits);
    reader.ReadUInt32(m_id.a);
    reader.ReadUInt32(m_id.b);
    if (reader.Failed() || magic != kGSLibraryMagic) return kGSLoadMalformed;
    std::memcpy(&m_version, &versionBits, sizeof m_version);

    // The name: n bytes, its NUL included.
    uint32_t nameLength = 0;
    if (!reader.ReadUInt32(nameLength) || !reader.Fits(nameLength, 1)) return kGSLoadMalformed;
    if (nameLength > 0) {
        const char* name = reinterpret_cast<const char*>(image + reader.Position());
        const void* end = std::memchr(name, 0, nameLength);
        if (!end) return kGSLoadMalformed;
        m_name = Vek::String(name, static_cast<const char*>(end) - name);
    }
    reader.Skip(nameLength);

    // Section 2: dependents.
    GSImageReader::Chunk chunk;
    uint32_t count = 0;
    if (!reader.EnterChunk(kDependentsTag, chunk) || !reader.ReadUInt32(count) || !reader.Fits(count, 8))
        return kGSLoadMalformed;
    if (count) {
        if (!(m_dependents = GSHeapNewArray<Dependent>(heap, count))) return kGSLoadMalformed;
        m_dependentCount = count;
        for (uint32_t i = 0; i < count; ++i) {
            reader.ReadUInt32(m_dependents[i].a);
            reader.ReadUInt32(m_dependents[i].b);
        }
    }
    if (!reader.LeaveChunk(chunk)) return kGSLoadMalformed;

    // Section 3: strings. Each offset lies inside the section and its text
    // ends inside the image.
    if (!reader.EnterChunk(kStringsTag, chunk) || !reader.ReadUInt32(count) || !reader.Fits(count, 4))
        return kGSLoadMalformed;
    if (count) {
        m_strings = GSHeapNewArray<const char*>(heap, count);
        m_stringCopies = GSHeapNewArray<Vek::String>(heap, count);
        if (!m_strings || !m_stringCopies) {
            GSHeapDeleteArray(heap, m_strings, count);
            GSHeapDeleteArray(heap, m_stringCopies, count);
            m_strings = nullptr;
            m_stringCopies = nullptr;
            return kGSLoadMalformed;
        }
        m_stringCount = count;
        const uint64_t base = uint64_t(reader.Position()) + 4 * uint64_t(count);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t offset = 0;
            reader.ReadUInt32(offset);
            const uint64_t start = base + offset;
            if (start >= chunk.end) return kGSLoadMalformed;
            const char* text = reinterpret_cast<const char*>(image + start);
            const void* end = std::memchr(text, 0, length - start);
            if (!end) return kGSLoadMalformed;
            m_strings[i] = text;
            m_stringCopies[i] = Vek::String(text, static_cast<const char*>(end) - text);
        }
    }
    if (!reader.LeaveChunk(chunk)) return kGSLoadMalformed;

    // Section 4: class imports {dependent index, name string index}.
    if (!reader.EnterChunk(kClassImportsTag, chunk) || !reader.ReadUInt32(count) || !reader.Fits(count, 8))
        return kGSLoadMalformed;
    if (count) {
        if (!(m_classImports = GSHeapNewArray<ClassImport>(heap, count))) return kGSLoadMalformed;
        m_classImportCount = count;
        for (uint32_t i = 0; i < count; ++i) {
            ClassImport& row = m_classImports[i];
            reader.ReadUInt32(row.dependentIndex);
            reader.ReadUInt32(row.nameIndex);
            if (row.dependentIndex >= m_dependentCount || row.nameIndex >= m_stringCount) return kGSLoadMalformed;
            row.name = m_strings[row.nameIndex];
        }
    }
    if (!reader.LeaveChunk(chunk)) return kGSLoadMalformed;

    // Section 5: function imports {class import index, signature index, slot}.
    if (!reader.EnterChunk(kFunctionImportsTag, chunk) || !reader.ReadUInt32(count) || !reader.Fits(count, 12))
        return kGSLoadMalformed;
    if (count) {
        if (!(m_functionImports = GSHeapNewArray<FunctionImport>(heap, count))) return kGSLoadMalformed;
        m_functionImportCount = count;
        for (uint32_t i = 0; i < count; ++i) {
            FunctionImport& row = m_functionImports[i];
            reader.ReadUInt32(row.classImportIndex);
            reader.ReadUInt32(row.signatureIndex);
            reader.ReadInt32(row.slot);
            if (row.classImportIndex >= m_classImportCount || row.signatureIndex >= m_stringCount)
                return kGSLoadMalformed;
            row.signature = m_strings[row.signatureIndex];
        }
    }
    if (!reader.LeaveChunk(chunk)) return kGSLoadMalformed;

    // Section 6: classes.
    if (!reader.EnterChunk(kClassesTag, chunk) || !reader.ReadUInt32(count) || !reader.Fits(count, kMinClassChunk))
        return kGSLoadMalformed;
    if (count) {
        if (!(m_classes = GSHeapNewArray<GSClass*>(heap, count))) return kGSLoadMalformed;
        m_classCount = count;
        for (uint32_t i = 0; i < count; ++i) {
            GSClass* cls = new GSClass();
            if (!cls) return kGSLoadMalformed;
            m_classes[i] = cls;
            const int32_t result = cls->Load(reader, m_machine, i, this);
            if (result != kGSLoadOk) {
                GSLog("GS Link error: Unable to initialise class '%s'", cls->Name() ? cls->Name() : "");
                return result;
            }
        }
    }
    if (!reader.LeaveChunk(chunk)) return kGSLoadMalformed;
    return kGSLoadOk;
}

int32_t GSLibrary::Link() {
    // Dependents first: each is loaded and linked before this library links.
    // Dependent 0 is this library itself, which the machine already holds.
    for (uint32_t i = 0; i < m_dependentCount; ++i) {
        Dependent& dependent = m_dependents[i];
        dependent.library = m_machine ? m_machine->GetLibrary(GSLibraryId{dependent.a, dependent.b}) : nullptr;
        if (!dependent.library) return kGSLoadMissingDependent;
    }

    // Class imports: every row is examined and reported.
    int32_t result = kGSLoadOk;
    for (uint32_t i = 0; i < m_classImportCount; ++i) {
        ClassImport& row = m_classImports[i];
        const Dependent& dependent = m_dependents[row.dependentIndex];
        row.library = dependent.library;
        row.cls = row.library ? row.library->FindClass(row.name) : nullptr;
        if (row.cls) continue;
        result = kGSLoadLinkError;
        if (!row.library)
            GSLog("GS Link error: Unable to find library for class '%s' (lib id: %x.%x)", row.name, dependent.a,
                  dependent.b);
        else
            GSLog("GS Link error: Unable to find class '%s'", row.name);
    }
    if (result != kGSLoadOk) return result;

    // Function imports: by signature in the owner class; the stored slot is
    // not used to find them.
    for (uint32_t i = 0; i < m_functionImportCount; ++i) {
        FunctionImport& row = m_functionImports[i];
        row.owner = m_classImports[row.classImportIndex].cls;
        const int32_t index = row.owner->FindFunctionIndex(row.signature);
        if (index < 0) {
            GSLog("GS Link error: Unable to link function '%s'", row.signature);
            return kGSLoadLinkError;
        }
        row.function = row.owner->GetFunction(static_cast<uint32_t>(index));
    }

    for (uint32_t i = 0; i < m_classCount; ++i) {
        if (!m_classes[i]->LinkNatives()) {
            GSLog("GS Link error: Unable to link '%s'", m_classes[i]->Name());
            return kGSLoadLinkError;
        }
    }

    // Member slots and method indices against the layouts and method tables
    // the code can reach, now that every class is linked.
    const GSCodeLinkCheck check(*this);
    for (uint32_t i = 0; i < m_classCount; ++i) {
        if (!check.CheckClass(*m_classes[i])) {
            GSLog("GS Link error: Unable to link '%s'", m_classes[i]->Name());
            return kGSLoadLinkError;
        }
    }
    return kGSLoadOk;
}

GSClass* GSLibrary::FindClass(const char* name) const {
    if (!name) return nullptr;
    for (uint32_t i = m_classCount; i-- > 0;) {
        if (m_classes[i] && m_classes[i]->Name() && std::strcmp(m_classes[i]->Name(), name) == 0) return m_classes[i];
    }
    return nullptr;
}

}  // namespace GSRuntime

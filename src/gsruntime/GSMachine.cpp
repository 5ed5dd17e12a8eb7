#include "gsruntime/GSMachine.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/Alloc.h"
#include "engine/File.h"
#include "foundation/containers/GSLibraryBuffer.h"
#include "gsruntime/GSHeap.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSLog.h"
#include "gsruntime/GSNativeFunction.h"
#include "gsruntime/natives/GSObjectNatives.h"

namespace GSRuntime {

namespace {

GSMachine* g_machine = nullptr;
bool g_initialised = false;  // set just before Init runs
bool g_initDone = false;     // set when Init has finished
// The GSObject natives are the runtime's own; the other groups' registrars
// are installed by the code that implements them.
GSNativeRegistrar g_registrars[kGSNativeGroupCount] = {&RegisterGSObjectNatives};
GSStaticThreadFactory g_threadFactory;

// Growth step of the buffer a library image is read into.
constexpr uint32_t kImageGrowthStep = 1024;
constexpr std::size_t kHeaderBytes = 20;

// A copy of a path with A to Z lowered, from the engine allocator.
char* LowerCopy(const char* text) {
    const std::size_t length = std::strlen(text);
    char* copy = static_cast<char*>(Vek::Alloc::New(length + 1));
    if (!copy) return nullptr;
    for (std::size_t i = 0; i <= length; ++i) {
        const char c = text[i];
        copy[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return copy;
}

}  // namespace

GSMachine* GSMachine::Instance() {
    if (!g_machine) {
        // What the machine's exit-time shutdown uses must outlive it: made
        // first, they are destroyed after the shutdown has run.
        Vek::PStringCache::Instance();
        GSMachineHeap();
        g_machine = new GSMachine();
        GSFunctionTable::SetMachineTable(&g_machine->Functions());
        std::atexit(DestroyAtExit);
    }
    if (!g_initialised) {
        g_initialised = true;
        g_machine->Init();
        g_initDone = true;
    }
    return g_machine;
}

void GSMachine::DestroyAtExit() {
    // The object itself stays (still reachable through the pointer); every
    // resource it holds is released.
    if (g_machine) g_machine->Shutdown();
}

void GSMachine::SetNativeRegistrar(GSNativeGroup group, GSNativeRegistrar registrar) {
    const uint32_t index = static_cast<uint32_t>(group);
    if (index >= kGSNativeGroupCount) return;
    g_registrars[index] = registrar;
    if (g_initDone && registrar) registrar(*g_machine);
}

void GSMachine::SetStaticThreadFactory(const GSStaticThreadFactory& factory) {
    g_threadFactory = factory;
    if (g_initDone && !g_machine->m_staticThread && factory.create) g_machine->m_staticThread = factory.create();
}

void GSMachine::Init() {
    if (m_initDone) return;
    m_initDone = true;
    m_byId.Init(kLibraryBuckets);
    m_byName.Init(kLibraryBuckets);
    if (g_threadFactory.create) m_staticThread = g_threadFactory.create();
    for (uint32_t group = 0; group < kGSNativeGroupCount; ++group) {
        if (g_registrars[group]) g_registrars[group](*this);
    }
}

void GSMachine::Shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_byId.ClearWith([this](LibraryEntry* entry) { DeleteEntry(entry); });
    m_byId.Free();
    m_byName.ClearDeletingKeys();
    m_byName.Init(0);  // frees the bucket array
    while (!m_loaded.IsEmpty()) {
        Utils::IDoubleLinkListNode* node = m_loaded.Begin();
        m_loaded.Remove(node);
        delete static_cast<GSLibrary*>(node);
    }
    while (!m_natives.IsEmpty()) {
        Utils::IDoubleLinkListNode* node = m_natives.Begin();
        m_natives.Remove(node);
        delete static_cast<GSNativeFunction*>(node);
    }
    if (m_staticThread && g_threadFactory.destroy) g_threadFactory.destroy(m_staticThread);
    m_staticThread = nullptr;
    m_completedLoads.clear();
}

bool GSMachine::ReadHeader(const Vek::PString& root, const char* path, GSLibraryId& id) {
    Vek::File file;
    if (!file.Open(root, path, Vek::File::kModeRead)) return false;
    uint8_t header[kHeaderBytes];
    if (file.Read(header, kHeaderBytes) != kHeaderBytes) return false;
    uint32_t words[5];
    std::memcpy(words, header, sizeof words);
    if (words[1] != kGSLibraryMagic) return false;
    id.a = words[3];
    id.b = words[4];
    return true;
}

GSMachine::LibraryEntry* GSMachine::NewEntry(GSLibraryId id, const Vek::PString& root, const char* path) {
    LibraryEntry* entry = GSHeapNew<LibraryEntry>(GSMachineHeap());
    if (!entry) return nullptr;
    entry->a = id.a;
    entry->b = id.b;
    entry->root = root;
    entry->path = path;
    return entry;
}

void GSMachine::DeleteEntry(LibraryEntry* entry) { GSHeapDelete(GSMachineHeap(), entry); }

void GSMachine::AddName(const char* path, LibraryEntry* entry) {
    char* key = LowerCopy(path);
    if (!key) return;
    if (!m_byName.Insert(key, entry)) Vek::Alloc::Delete(key);
}

bool GSMachine::AddLibrary(const Vek::PString& root, const char* folder, const char* fileName, GSLibraryId* out) {
    Vek::File::Path path(folder ? folder : "");
    path.AddPath(fileName ? fileName : "");
    GSLibraryId id;
    if (!ReadHeader(root, path.c_str(), id)) return false;
    if (out) *out = id;
    if (LibraryEntry* existing = m_byId.Lookup(id)) {
        // Another file with a registered pair: its name leads to the entry
        // that holds the pair; the file itself is never read again.
        AddName(path.c_str(), existing);
        return true;
    }
    LibraryEntry* entry = NewEntry(id, root, path.c_str());
    if (!entry || !m_byId.Insert(id, entry)) {
        GSLog("Could not add game script library %s to GSMachine", path.c_str());
        DeleteEntry(entry);
        return false;
    }
    AddName(path.c_str(), entry);
    return true;
}

bool GSMachine::AddLibraryDirectory(const Vek::PString& root) {
    Vek::File::Path pattern("");
    pattern.AddPath("*.gsl");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str(), root)) return false;
    do {
        const std::string name = find.GetName();
        GSLibraryId id;
        if (!ReadHeader(root, name.c_str(), id)) continue;
        LibraryEntry* entry = NewEntry(id, root, name.c_str());
        if (!entry || !m_byId.Insert(id, entry)) {
            GSLog("Could not add game script library %s to GSMachine", name.c_str());
            DeleteEntry(entry);
            continue;
        }
        AddName(name.c_str(), entry);
    } while (find.Next());
    find.Close();
    return true;
}

GSLibrary* GSMachine::GetLibrary(GSLibraryId id) {
    LibraryEntry* entry = m_byId.Lookup(id);
    if (!entry) {
        GSLog("GSMachine::GetLibrary> library '0x%X 0x%X' not found in link table", id.a, id.b);
        for (Utils::IDoubleLinkListNode* node = m_loaded.Begin(); node != m_loaded.End(); node = node->Next()) {
            const GSLibrary* library = static_cast<const GSLibrary*>(node);
            if (library->Id().b == id.b)
                GSLog("  Similar library found with matching filename hash but built from different source: %s",
                      library->GetName());
        }
        if (m_loadDepth > 0) m_requestFailed = true;
        return nullptr;
    }
    // Also while the library is still being loaded: its dependent 0 and the
    // libraries of an include cycle link against it.
    if (entry->library) return entry->library;
    return LoadEntry(entry);
}

GSLibrary* GSMachine::LoadEntry(LibraryEntry* entry) {
    GSHeap& heap = GSMachineHeap();
    Vek::File file;
    if (!file.Open(entry->root, entry->path.c_str(), Vek::File::kModeRead)) {
        if (m_loadDepth > 0) m_requestFailed = true;
        return nullptr;
    }
    const int64_t size = file.Length();
    GSLibraryBuffer* image = GSHeapNew<GSLibraryBuffer>(heap);
    bool read = false;
    if (image && size >= 0 && size < int64_t(UINT32_MAX)) {
        image->Init(kImageGrowthStep);
        image->EnsureSize(static_cast<uint32_t>(size));
        if (!(image->Flags() & GSLibraryBuffer::kOutOfMemory) && image->Length() == static_cast<uint32_t>(size))
            read = size == 0 || file.Read(image->Data(), static_cast<std::size_t>(size)) == static_cast<std::size_t>(size);
    }
    file.Close();
    if (!read) {
        GSLog("GSMachine: Error loading library file %s", entry->path.c_str());
        GSHeapDelete(heap, image);
        if (m_loadDepth > 0) m_requestFailed = true;
        return nullptr;
    }

    GSLibrary* library = new GSLibrary();
    if (!library) {
        GSHeapDelete(heap, image);
        if (m_loadDepth > 0) m_requestFailed = true;
        return nullptr;
    }
    // The entry holds the library before it loads, so that a nested request
    // for the same pair gets it back instead of loading it again.
    entry->library = library;
    m_loadDepth += 1;
    const int32_t result = library->Load(this, image);
    m_loadDepth -= 1;
    if (result != kGSLoadOk) {
        GSLog("GSMachine: Error %d loading library %s (%s)", result, entry->path.c_str(), library->GetName());
        entry->library = nullptr;
        delete library;
        library = nullptr;
        m_requestFailed = true;
    } else {
        m_loaded.AddTail(library);
        m_completedLoads.push_back(entry);
    }
    if (m_loadDepth == 0) {
        if (m_requestFailed) {
            UnloadCompletedLoads();
            library = nullptr;
        }
        m_completedLoads.clear();
        m_requestFailed = false;
    }
    return library;
}

void GSMachine::UnloadCompletedLoads() {
    // A failed request leaves nothing that may have linked against a
    // library it deleted: every load it completed is undone, latest first.
    for (auto it = m_completedLoads.rbegin(); it != m_completedLoads.rend(); ++it) {
        LibraryEntry* entry = *it;
        GSLibrary* library = entry->library;
        if (!library) continue;
        GSLog("GSMachine: Library %s unloaded: a library loaded with it failed to load", entry->path.c_str());
        m_loaded.Remove(library);
        entry->library = nullptr;
        delete library;
    }
}

GSLibrary* GSMachine::GetLibraryByName(const char* path) {
    if (!path) return nullptr;
    char* key = LowerCopy(path);
    if (!key) return nullptr;
    LibraryEntry* entry = m_byName.Lookup(key);
    Vek::Alloc::Delete(key);
    return entry ? GetLibrary(GSLibraryId{entry->a, entry->b}) : nullptr;
}

void GSMachine::AddNative(GSNativeFunction* native) {
    if (native) m_natives.AddHead(native);
}

GSNativeFunction* GSMachine::FindNative(const Vek::PString& className, const Vek::PString& signature) {
    for (Utils::IDoubleLinkListNode* node = m_natives.Begin(); node != m_natives.End(); node = node->Next()) {
        GSNativeFunction* native = static_cast<GSNativeFunction*>(node);
        if (native->ClassName() == className && native->Signature() == signature) return native;
    }
    return nullptr;
}

}  // namespace GSRuntime

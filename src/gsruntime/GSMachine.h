#pragma once
// GSMachine: the one process-wide script machine. It knows every registered
// script library (".gsl") by its id pair and by its lower-cased path, loads
// and links a library the first time it is asked for it, keeps the native
// functions that library code may call, numbers the loaded functions, and
// owns the machine's static script thread.
//
// Registration reads only a file's 20-byte header; the whole image is read
// on the first GetLibrary. A library that fails to load is deleted and
// reported, and the next request tries again. Libraries loaded while one
// outermost request runs (its dependents, recursively) that has failed are
// unloaded again, so that nothing stays linked against a library that was
// deleted (an include cycle links against a library still being loaded).
//
// No lock: callers use the machine from one thread of control at a time.
#include <cstdint>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/containers/HashTable.h"
#include "foundation/containers/IDoubleLinkList.h"
#include "gsruntime/GSFunctionTable.h"
#include "gsruntime/GSLibraryId.h"
#include "gsruntime/GSLibraryIdTable.h"

namespace GSRuntime {

class GSLibrary;
class GSNativeFunction;
class GSThread;

// The groups of built-in natives that Init registers, in this order. Each
// group's registrar is supplied by the code that implements its natives.
enum class GSNativeGroup : uint32_t {
    GSObject = 0,    // "$string@GSObject::GetGSClassName()"
    GameObject = 1,  // the GameObject natives
    Router = 2,      // the Router natives
    Math = 3,        // the Math natives
    Str = 4,         // the Str natives
};
constexpr uint32_t kGSNativeGroupCount = 5;

class GSMachine;
// Registers one group's natives with GSMachine::AddNative.
using GSNativeRegistrar = void (*)(GSMachine& machine);

// Makes and destroys the machine's static thread (a thread without owning
// game object, with the static flag).
struct GSStaticThreadFactory {
    GSThread* (*create)() = nullptr;
    void (*destroy)(GSThread* thread) = nullptr;
};

class GSMachine {
public:
    // One registered library file.
    struct LibraryEntry {
        uint32_t a = 0;
        uint32_t b = 0;
        Vek::PString root;             // engine file root; empty for a plain path
        Vek::String path;              // as registered, relative to the root
        GSLibrary* library = nullptr;  // null until loaded and linked
    };

    // Hash buckets of the two library tables.
    static constexpr uint32_t kLibraryBuckets = 251;

    // The machine; the first call constructs it, arranges for its shutdown
    // at process exit and runs Init once. Calls made while Init runs (by the
    // native registrars) get the machine too.
    static GSMachine* Instance();

    // Installs the registrar of a native group (the GSObject group has the
    // runtime's own, RegisterGSObjectNatives, unless replaced). Init calls
    // the installed registrars in group order; a registrar installed after
    // Init has run is called at once. A later call replaces the registrar
    // of its group (one that Init has already run stays registered).
    static void SetNativeRegistrar(GSNativeGroup group, GSNativeRegistrar registrar);
    // Installs how the static thread is made; Init makes it, Shutdown
    // destroys it. Without a factory the machine has no static thread.
    static void SetStaticThreadFactory(const GSStaticThreadFactory& factory);

    // Empty tables with 251 buckets each, the static thread, then the
    // built-in natives through the registrars. Instance runs it; it runs
    // once per process (a second call does nothing).
    void Init();
    // Frees the registry, deletes every loaded library, every native and
    // the static thread. Runs at process exit; a second call does nothing.
    void Shutdown();

    // Registers one library file from its header: the path is `folder`
    // joined with `fileName` (an empty or null folder leaves the name),
    // opened under `root`. False when the file cannot be opened, is shorter
    // than 20 bytes, or its magic is wrong. `out`, when given, receives the
    // file's id pair (also when registration then fails). A file whose pair
    // is registered already only adds its lower-cased path as another name
    // of the existing entry.
    bool AddLibrary(const Vek::PString& root, const char* folder, const char* fileName, GSLibraryId* out);
    // Registers every "*.gsl" file at the top of a root, in name order.
    // Unreadable files and files with a wrong magic are skipped; a file whose
    // pair is registered already is reported and ignored. False only when
    // nothing matches or the folder cannot be listed.
    bool AddLibraryDirectory(const Vek::PString& root);

    // The library of an id pair, loaded and linked on first use; null when
    // the pair is not registered or loading fails.
    GSLibrary* GetLibrary(GSLibraryId id);
    // The same by registered path, without regard to case.
    GSLibrary* GetLibraryByName(const char* path);

    // Takes ownership of a native record and puts it at the front of the
    // native list; duplicates are kept.
    void AddNative(GSNativeFunction* native);
    // The most recently added record with these very class-name and
    // signature strings; null when none.
    GSNativeFunction* FindNative(const Vek::PString& className, const Vek::PString& signature);

    GSThread* GetStaticThread() const { return m_staticThread; }
    GSFunctionTable& Functions() { return m_functions; }
    // Loaded libraries in the order their loads completed.
    Utils::IDoubleLinkList& LoadedLibraries() { return m_loaded; }
    Utils::IDoubleLinkList& Natives() { return m_natives; }
    // Registered library files.
    int32_t LibraryEntryCount() const { return m_byId.Count(); }
    // Names (lower-cased paths) registered.
    int32_t LibraryNameCount() const { return m_byName.Count(); }

private:
    GSMachine() = default;
    ~GSMachine() = default;
    GSMachine(const GSMachine&) = delete;
    GSMachine& operator=(const GSMachine&) = delete;

    static void DestroyAtExit();

    // Reads the 20-byte header of a file under a root: its pair, or false
    // when it cannot be opened, is short or has the wrong magic.
    static bool ReadHeader(const Vek::PString& root, const char* path, GSLibraryId& id);
    // Adds the lower-cased copy of `path` as a name of `entry`; a name that
    // is present already is left as it is.
    void AddName(const char* path, LibraryEntry* entry);
    LibraryEntry* NewEntry(GSLibraryId id, const Vek::PString& root, const char* path);
    void DeleteEntry(LibraryEntry* entry);
    GSLibrary* LoadEntry(LibraryEntry* entry);
    void UnloadCompletedLoads();

    GSThread* m_staticThread = nullptr;
    GSLibraryIdTable<LibraryEntry> m_byId;
    // Keys are owned copies of the lower-cased paths.
    Utils::HashTable<const char*, LibraryEntry> m_byName;
    Utils::IDoubleLinkList m_loaded;
    Utils::IDoubleLinkList m_natives;
    GSFunctionTable m_functions;
    // Nesting of loads in progress, whether one of them failed, and the
    // entries whose loads completed within the current outermost request.
    int32_t m_loadDepth = 0;
    bool m_requestFailed = false;
    std::vector<LibraryEntry*> m_completedLoads;
    bool m_initDone = false;
    bool m_shutDown = false;
};

}  // namespace GSRuntime

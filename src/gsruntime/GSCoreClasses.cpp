#include "gsruntime/GSCoreClasses.h"

#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"

namespace GSRuntime {

namespace {

GSLibrary* g_library = nullptr;
GSClass* g_gameObject = nullptr;
GSClass* g_message = nullptr;

GSClass* Find(GSClass*& cache, const char* name) {
    if (cache) return cache;
    if (!g_library) g_library = GSMachine::Instance()->GetLibraryByName(kGSCoreLibrary);
    if (g_library) cache = g_library->FindClass(name);
    return cache;
}

}  // namespace

GSClass* GetGameObjectClass() { return Find(g_gameObject, "GameObject"); }

GSClass* GetMessageClass() { return Find(g_message, "Message"); }

}  // namespace GSRuntime

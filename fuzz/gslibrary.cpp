// Fuzz target: the script-library loader and the interpreter. Each input is
// a library image; it is registered under an id of its own and loaded and
// linked. When it loads, an object of every class is made in a fresh
// context with a router (a game object for game-object classes) and every
// script function of every class is called with zero arguments (null
// references, 0 values); thread functions start threads, which a few
// router ticks run. The execution budget bounds every run.
//
// The runtime's own library "gs.gs" is compiled once at start, so that
// seeds compiled against it link.
#include "GSLibraryFuzzHarness.h"

namespace {

using namespace GSFuzz;

void RunEveryFunction(GSLibrary* library) {
    GSContext* context = new GSContext(true, false);
    std::vector<GSObject*> plain;
    for (uint32_t c = 0; c < library->ClassCount(); ++c) {
        GSClass* cls = library->GetClass(c);
        GSObject* object = cls ? MakeObject(cls, context, plain) : nullptr;
        if (object) CallEveryFunction(context, object, [](const GSFunction&, uint32_t) { return 0u; });
    }
    if (GSRouter* router = context->GetRouter())
        for (int i = 0; i < 4; ++i) Tick(router, 100);
    for (GSObject* object : plain) delete object;
    delete context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Once();
    if (GSLibrary* library = LoadInput(data, size)) RunEveryFunction(library);
    return 0;
}

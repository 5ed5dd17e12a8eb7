// Fuzz target: the script-library loader and the interpreter. Each input is
// a library image; it is registered under an id of its own (the header's
// pair and dependent 0 are rewritten, so that every input is a new library)
// and loaded and linked. When it loads, an object of every class is made in
// a fresh context with a router (a game object for game-object classes)
// and every script function of every class is called with zero arguments
// (null references, 0 values); thread functions start threads, which a few
// router ticks run. The execution budget bounds every run.
//
// The runtime's own library "gs.gs" is compiled once at start, so that
// seeds compiled against it link.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/File.h"
#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/IncludePath.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSFunction.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSObject.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/interpreter/GSInterpreterSetup.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSMessage.h"
#include "gsruntime/router/GSRouter.h"
#include "gsruntime/router/GSRouterSetup.h"

namespace {

using namespace GSRuntime;

struct Setup {
    std::filesystem::path dir;
    Vek::PString root;
    GSMachine* machine = nullptr;
};

void WriteFile(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Compiles the runtime's own library into the fuzz root and registers it.
void CompileCoreLibrary(Setup& setup) {
    std::ifstream in(std::string(VORLEX_SOURCE_DIR) + "/src/gsruntime/scripts/gs.gs", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    WriteFile(setup.dir / "gs.gs", source.data(), source.size());
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(setup.dir.string().c_str()), Vek::PString()));
    GSCompileContext compiler;
    GSCompileLog log;
    if (compiler.Compile("gs.gs", &log) != 0) return;
    GSLibraryBuffer buffer;
    buffer.Init(1024);
    if (!compiler.WriteLibrary(buffer, &log, "gs.gs")) return;
    WriteFile(setup.dir / "gs.gsl", buffer.Data(), buffer.Length());
    ClearIncludePaths(IncludePaths());
    setup.machine->AddLibrary(setup.root, "", "gs.gsl", nullptr);
}

Setup& Once() {
    static Setup setup = [] {
        Setup s;
        char pattern[] = "/tmp/fuzz_gslibrary.XXXXXX";
        const char* made = mkdtemp(pattern);
        s.dir = made ? made : "/tmp";
        s.root = Vek::PString("fuzzgslibrary");
        Vek::File::Subst(s.root, s.dir.string().c_str(), true);
        GSInstallInterpreter();
        GSInstallRouter();
        s.machine = GSMachine::Instance();
        CompileCoreLibrary(s);
        return s;
    }();
    return setup;
}

void PatchWord(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value) {
    if (at + 4 <= bytes.size()) std::memcpy(bytes.data() + at, &value, 4);
}

uint32_t WordAt(const std::vector<uint8_t>& bytes, std::size_t at) {
    uint32_t value = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// One tick of the router: messages due and posted, then the active nodes.
void Tick(GSRouter* router, uint32_t ms) {
    router->SetClock(router->Clock() + ms);
    while (GSMessage* message = router->TakeDueMessage()) {
        router->SendMessage(message);
        message->ReleaseReference();
    }
    for (int32_t n = router->PostedCount(); n > 0; --n) {
        GSMessage* message = router->TakePostedMessage();
        router->SendMessage(message);
        message->ReleaseReference();
    }
    std::vector<int32_t> ids;
    for (GSNode* node : router->ActiveNodes()) ids.push_back(node->Id());
    for (int32_t id : ids) {
        GSNode* node = router->GetNode(id);
        if (node && node->IsActive()) node->Update(static_cast<float>(ms) / 1000.0f);
    }
    std::vector<GSNode*> destroyed;
    for (GSNode* node : router->Nodes())
        if (node->IsDestroyPending()) destroyed.push_back(node);
    for (GSNode* node : destroyed) delete node;
}

void RunEveryFunction(GSLibrary* library) {
    GSContext* context = new GSContext(true, false);
    GSRouter* router = context->GetRouter();
    std::vector<GSObject*> plain;
    for (uint32_t c = 0; c < library->ClassCount(); ++c) {
        GSClass* cls = library->GetClass(c);
        if (!cls) continue;
        GSObject* object = nullptr;
        if (cls->IsA("GameObject")) {
            auto* game = new GSGameObject();
            if (!game->BindClass(cls, context)) {
                delete game;
                continue;
            }
            if (router) router->AddNode(game);
            object = game;
        } else {
            object = new GSObject();
            if (!object->BindClass(cls, context)) {
                delete object;
                continue;
            }
            plain.push_back(object);
        }
        GSScriptInstance* header = GSScriptInstance::FromReference(object->GetReference());
        for (uint32_t f = 0; f + 1 < cls->FunctionCount(); ++f) {
            const GSFunction* function = cls->GetFunction(f);
            if (!function || function->IsNative() || !function->signature) continue;
            std::vector<uint32_t> arguments(function->argumentSlotCount - 1, 0);
            uint32_t result = 0;
            const bool ok = CallScriptFunction(context, cls, header, function->signature, &result,
                                               arguments.data(), static_cast<uint32_t>(arguments.size()));
            if (ok && GSResultShapeOf(function->resultType) == kGSShapeReference)
                GSScriptInstance::ReleaseReference(result);
        }
    }
    if (router)
        for (int i = 0; i < 4; ++i) Tick(router, 100);
    for (GSObject* object : plain) delete object;
    delete context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup& setup = Once();
    if (size < 24 || size > (1u << 20)) return 0;
    static uint32_t counter = 0;
    ++counter;
    std::vector<uint8_t> bytes(data, data + size);
    // A fresh id: the header's pair and, when it names the library itself,
    // dependent 0.
    const uint32_t oldA = WordAt(bytes, 12);
    const uint32_t oldB = WordAt(bytes, 16);
    const uint32_t a = 0x46000000u + counter;
    const uint32_t b = 0x5A5A0000u ^ counter;
    PatchWord(bytes, 12, a);
    PatchWord(bytes, 16, b);
    const uint64_t dependents = 24ull + WordAt(bytes, 20);
    if (dependents + 20 <= bytes.size() && WordAt(bytes, dependents + 12) == oldA &&
        WordAt(bytes, dependents + 16) == oldB) {
        PatchWord(bytes, dependents + 12, a);
        PatchWord(bytes, dependents + 16, b);
    }
    const std::string file = "in" + std::to_string(counter) + ".gsl";
    WriteFile(setup.dir / file, bytes.data(), bytes.size());
    GSLibraryId id;
    if (setup.machine->AddLibrary(setup.root, "", file.c_str(), &id)) {
        if (GSLibrary* library = setup.machine->GetLibrary(id)) RunEveryFunction(library);
    }
    std::filesystem::remove(setup.dir / file);
    return 0;
}

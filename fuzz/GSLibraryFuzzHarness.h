#pragma once
// What the script-library fuzz targets share: one machine with the
// interpreter and the router installed and the runtime's own library
// "gs.gs" compiled into a temporary root; loading an input as a library of
// its own; objects of a library's classes in a context; calling every
// script function of a class; and router ticks. The execution budget bounds
// every run.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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

namespace GSFuzz {

using namespace GSRuntime;

struct Setup {
    std::filesystem::path dir;
    Vek::PString root;
    GSMachine* machine = nullptr;
};

inline void WriteFile(const std::filesystem::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Compiles `source` as `name` (".gs") into the fuzz root and loads it; null
// when it does not compile or load.
inline GSLibrary* CompileLibrary(Setup& setup, const std::string& name, const std::string& source) {
    WriteFile(setup.dir / name, source.data(), source.size());
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(setup.dir.string().c_str()), Vek::PString()));
    GSCompileContext compiler;
    GSCompileLog log;
    GSLibraryBuffer buffer;
    buffer.Init(1024);
    const bool written = compiler.Compile(name.c_str(), &log) == 0 && compiler.WriteLibrary(buffer, &log, name.c_str());
    ClearIncludePaths(IncludePaths());
    if (!written) return nullptr;
    const std::string file = name + "l";
    WriteFile(setup.dir / file, buffer.Data(), buffer.Length());
    if (!setup.machine->AddLibrary(setup.root, "", file.c_str(), nullptr)) return nullptr;
    return setup.machine->GetLibraryByName(file.c_str());
}

inline Setup& Once() {
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
        std::ifstream in(std::string(VORLEX_SOURCE_DIR) + "/src/gsruntime/scripts/gs.gs", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        CompileLibrary(s, "gs.gs", text.str());
        return s;
    }();
    return setup;
}

inline void PatchWord(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value) {
    if (at + 4 <= bytes.size()) std::memcpy(bytes.data() + at, &value, 4);
}

inline uint32_t WordAt(const std::vector<uint8_t>& bytes, std::size_t at) {
    uint32_t value = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// Registers an input under an id of its own (the header's pair and, when
// it names the library itself, dependent 0 are rewritten, so that every
// input is a new library) and loads and links it; null when it fails.
inline GSLibrary* LoadInput(const uint8_t* data, std::size_t size) {
    Setup& setup = Once();
    if (size < 24 || size > (1u << 20)) return nullptr;
    static uint32_t counter = 0;
    ++counter;
    std::vector<uint8_t> bytes(data, data + size);
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
    GSLibrary* library = nullptr;
    GSLibraryId id;
    if (setup.machine->AddLibrary(setup.root, "", file.c_str(), &id)) library = setup.machine->GetLibrary(id);
    std::filesystem::remove(setup.dir / file);
    return library;
}

// One tick of the router: messages due and posted, then the active nodes.
inline void Tick(GSRouter* router, uint32_t ms) {
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

// An object of the class in the context: a game object, registered with
// the context's router, for a game-object class; otherwise a plain object,
// also listed in `plain` (the caller deletes those). Null when the class
// cannot be bound.
inline GSObject* MakeObject(GSClass* cls, GSContext* context, std::vector<GSObject*>& plain) {
    if (cls->IsA("GameObject")) {
        auto* game = new GSGameObject();
        if (!game->BindClass(cls, context)) {
            delete game;
            return nullptr;
        }
        if (GSRouter* router = context ? context->GetRouter() : nullptr) router->AddNode(game);
        return game;
    }
    auto* object = new GSObject();
    if (!object->BindClass(cls, context)) {
        delete object;
        return nullptr;
    }
    plain.push_back(object);
    return object;
}

// Calls every script function of the object's class with the arguments
// `argument` gives for each (function, argument index); a returned
// reference is released.
using ArgumentSource = std::function<uint32_t(const GSFunction&, uint32_t)>;

inline void CallEveryFunction(GSContext* context, GSObject* object, const ArgumentSource& argument) {
    GSClass* cls = object->GetClass();
    if (!cls || !object->GetReference()) return;
    GSScriptInstance* header = GSScriptInstance::FromReference(object->GetReference());
    for (uint32_t f = 0; f + 1 < cls->FunctionCount(); ++f) {
        const GSFunction* function = cls->GetFunction(f);
        if (!function || function->IsNative() || !function->signature) continue;
        std::vector<uint32_t> arguments(function->argumentSlotCount - 1, 0);
        for (uint32_t i = 0; i < arguments.size(); ++i) arguments[i] = argument(*function, i);
        uint32_t result = 0;
        const bool ok = CallScriptFunction(context, cls, header, function->signature, &result, arguments.data(),
                                           static_cast<uint32_t>(arguments.size()));
        if (ok && GSResultShapeOf(function->resultType) == kGSShapeReference) GSScriptInstance::ReleaseReference(result);
    }
}

}  // namespace GSFuzz

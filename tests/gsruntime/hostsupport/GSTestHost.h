#pragma once
// A small host for running compiled scripts with game objects and their
// router, the way a program drives them: the interpreter and the router
// installed before the machine is made, the runtime's own library "gs.gs"
// and the test's script compiled by the compiler and loaded, one context
// with a router, game objects made from script classes, and a tick driver.
//
// Each tick advances the router's clock (30-bit milliseconds), delivers
// the delayed messages that are due (in due-time order) and the posted ones
// (in posting order), updates a snapshot of the active nodes (each looked
// up again, since updates may remove nodes), and deletes registered nodes
// that became destroy-pending.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/interpreter/GSInterpreterSetup.h"
#include "gsruntime/interpreter/GSCompiledScript.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSRouter.h"
#include "gsruntime/router/GSRouterSetup.h"
#include "gsruntime/support/GSTestSupport.h"
#include "support/SourceTree.h"

namespace GSTest {

inline std::string CoreScriptSource() {
    const auto path = std::filesystem::path(SourceTreePath("src/gsruntime/scripts/gs.gs"))
                          .lexically_normal();
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Installs the interpreter and the router; the machine is made afterwards.
inline GSRuntime::GSMachine* InstallRuntime() {
    GSRuntime::GSInstallInterpreter();
    GSRuntime::GSInstallRouter();
    return GSRuntime::GSMachine::Instance();
}

class TestHost {
public:
    TestHost() : machine(InstallRuntime()) {}
    ~TestHost() { EndContext(); }
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Compiles "gs.gs" (once) and `source` as `name`, loads it and makes
    // the context; false when anything fails.
    bool Load(const std::string& name, const std::string& source) {
        if (!core) core = CompileAndLoad(root, "gs.gs", CoreScriptSource());
        if (!core) return false;
        library = CompileAndLoad(root, name, source);
        if (!library) return false;
        if (!context) {
            blocksBefore = GSRuntime::GSScriptArena::Instance().LiveBlocks();
            context = new GSRuntime::GSContext(true, false);
        }
        return context->GetRouter() != nullptr;
    }

    GSRuntime::GSRouter* Router() const { return context ? context->GetRouter() : nullptr; }

    // A game object of a script class of the loaded library, registered in
    // the context's router; null when the class cannot be bound.
    GSRuntime::GSGameObject* Spawn(const char* className, const char* name = nullptr) {
        GSRuntime::GSClass* cls = library ? library->FindClass(className) : nullptr;
        if (!cls) return nullptr;
        auto* object = new GSRuntime::GSGameObject();
        if (name) object->SetName(Vek::PString(name));
        if (!object->BindClass(cls, context)) {
            delete object;
            return nullptr;
        }
        Router()->AddNode(object);
        return object;
    }

    // A reference with a count of its own, for a call argument: the call
    // takes the count over.
    static uint32_t Counted(uint32_t reference) {
        if (reference) GSRuntime::GSScriptInstance::AddRef(reference);
        return reference;
    }

    // Calls a method of the object's class (a thread method starts a new
    // thread on the object); CallScriptFunction's result. Reference
    // arguments pass their counts to the call (see Counted).
    bool Call(GSRuntime::GSGameObject* object, const char* signature, uint32_t* result = nullptr,
              std::initializer_list<uint32_t> arguments = {}) {
        GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromReference(object->GetReference());
        return GSRuntime::CallScriptFunction(context, object->GetClass(), header, signature, result, arguments);
    }

    // Drops the host's reference to an object: it becomes destroy-pending
    // and the next tick deletes it.
    void Release(GSRuntime::GSGameObject* object) {
        GSRuntime::GSScriptInstance::ReleaseReference(object->GetReference());
    }

    // One tick of `ms` milliseconds.
    void Tick(uint32_t ms) {
        GSRuntime::GSRouter* router = Router();
        if (!router) return;
        router->SetClock(router->Clock() + ms);
        while (GSRuntime::GSMessage* message = router->TakeDueMessage()) {
            router->SendMessage(message);
            message->ReleaseReference();
        }
        // Messages posted while these are delivered wait for the next tick.
        for (int32_t n = router->PostedCount(); n > 0; --n) {
            GSRuntime::GSMessage* message = router->TakePostedMessage();
            router->SendMessage(message);
            message->ReleaseReference();
        }
        // The lists are kept from tick to tick (a tick inside an update
        // finds them taken and makes its own).
        std::vector<int32_t> ids;
        ids.swap(m_tickIds);
        ids.clear();
        for (GSRuntime::GSNode* node : router->ActiveNodes()) ids.push_back(node->Id());
        for (int32_t id : ids) {
            GSRuntime::GSNode* node = router->GetNode(id);
            if (node && node->IsActive()) node->Update(static_cast<float>(ms) / 1000.0f);
        }
        m_tickIds.swap(ids);
        std::vector<GSRuntime::GSNode*> destroyed;
        for (GSRuntime::GSNode* node : router->Nodes())
            if (node->IsDestroyPending()) destroyed.push_back(node);
        for (GSRuntime::GSNode* node : destroyed) delete node;
    }

    void Run(int ticks, uint32_t ms) {
        for (int i = 0; i < ticks; ++i) Tick(ms);
    }

    // Ends the context; the script heap must be back where it was.
    void EndContext() {
        if (!context) return;
        delete context;
        context = nullptr;
        leftBlocks = GSRuntime::GSScriptArena::Instance().LiveBlocks() - blocksBefore;
    }

    GSRuntime::GSMachine* machine;
    TempRoot root;
    LogCapture log;
    GSRuntime::GSLibrary* core = nullptr;
    GSRuntime::GSLibrary* library = nullptr;
    GSRuntime::GSContext* context = nullptr;
    int64_t blocksBefore = 0;
    int64_t leftBlocks = 0;

private:
    std::vector<int32_t> m_tickIds;
};

}  // namespace GSTest

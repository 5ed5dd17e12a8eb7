#pragma once
// A script host for the native classes: the shipped libraries and a probe
// source of the test compiled into the "libraries" folder, the one-time
// script-system set-up, one context with a router and a game object of the
// probe's class "Probe". Calls run the probe's methods; references passed
// as arguments hand their counts to the call, and results that are
// references come with a count that the host keeps and gives back when the
// context ends (before the KUID cache is purged and the context deleted,
// as the product context does it).
//
// The set-up runs once per process and the probe library is loaded once:
// every test runs in a process of its own (as ctest runs them).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gsnatives/GSOKUID.h"
#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSContext.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptArena.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSRouter.h"
#include "gsruntime/support/GSTestSupport.h"

namespace GSNativesTest {

class NativeScriptHost {
public:
    // Compiles everything with `probe` as "probe.gs" and runs the set-up;
    // false when anything fails.
    bool Start(const std::string& source) {
        GSNatives::GSOKUID::ResetCacheForTests();
        libraries.AddSource("probe.gs", source);
        const std::string failures = libraries.CompileAll();
        EXPECT_EQ(failures, "");
        if (!failures.empty() || !GSNatives::InitializeScriptSystem()) return false;
        GSRuntime::GSLibrary* library = GSRuntime::GSMachine::Instance()->GetLibraryByName("probe.gsl");
        if (!library) return false;
        blocksBefore = GSRuntime::GSScriptArena::Instance().LiveBlocks();
        context = NewContext();
        probe = new GSRuntime::GSGameObject();
        if (!probe->BindClass(library->FindClass("Probe"), context)) return false;
        context->GetRouter()->AddNode(probe);
        return true;
    }

    ~NativeScriptHost() { EndContext(); }

    // A further context with a router; ended with the host's own.
    GSRuntime::GSContext* NewContext() {
        auto* created = new GSRuntime::GSContext(true, false);
        contexts.push_back(created);
        return created;
    }

    // Gives back the results, purges the KUID cache of every context and
    // deletes them; `leftBlocks` is what the script heap kept.
    void EndContext() {
        if (contexts.empty()) return;
        for (uint32_t reference : results) GSRuntime::GSScriptInstance::ReleaseReference(reference);
        results.clear();
        for (GSRuntime::GSContext* each : contexts) {
            GSNatives::GSOKUID::PurgeContext(each);
            delete each;
        }
        contexts.clear();
        context = nullptr;
        leftBlocks = GSRuntime::GSScriptArena::Instance().LiveBlocks() - blocksBefore;
    }

    // Runs a probe method; its result (0 when none). A reference result is
    // kept for the host.
    uint32_t Call(const char* signature, std::initializer_list<uint32_t> arguments = {}, bool* ok = nullptr) {
        uint32_t result = 0;
        GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromReference(probe->GetReference());
        const bool called =
            GSRuntime::CallScriptFunction(context, probe->GetClass(), header, signature, &result, arguments);
        if (ok) *ok = called;
        return result;
    }
    // The same for a method whose result is a reference.
    uint32_t CallRef(const char* signature, std::initializer_list<uint32_t> arguments = {}) {
        const uint32_t result = Call(signature, arguments);
        if (result) results.push_back(result);
        return result;
    }
    // The same for a method whose result is a string.
    std::string CallText(const char* signature, std::initializer_list<uint32_t> arguments = {}) {
        const GSRuntime::GSString* text = GSRuntime::GSString::FromReference(CallRef(signature, arguments));
        return text ? std::string(text->c_str(), text->Length()) : std::string("<null>");
    }
    float CallFloat(const char* signature, std::initializer_list<uint32_t> arguments = {}) {
        const uint32_t bits = Call(signature, arguments);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Keeps the creation count of an object the test made, given back when
    // the context ends; its reference (0 for null).
    uint32_t Own(GSRuntime::GSObjectReference* object) {
        const uint32_t reference = object ? object->GetReference() : 0;
        if (reference) results.push_back(reference);
        return reference;
    }
    // A new string argument (its creation count goes to the call).
    uint32_t Text(const char* text) { return (new GSRuntime::GSString(context, text))->GetReference(); }
    // A reference argument with a count of its own for the call.
    static uint32_t Counted(uint32_t reference) {
        if (reference) GSRuntime::GSScriptInstance::AddRef(reference);
        return reference;
    }
    static uint32_t Float(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    // The native object behind a reference.
    template <class T>
    static T* Native(uint32_t reference) {
        return reference ? dynamic_cast<T*>(GSRuntime::GSScriptInstance::OwnerOf(reference)) : nullptr;
    }

    // Log lines containing `text`.
    static int Lines(const std::string& text) {
        int n = 0;
        for (const std::string& line : GSTest::LogCapture::Lines()) n += line.find(text) != std::string::npos;
        return n;
    }

    ShippedLibraries libraries;
    GSTest::LogCapture log;
    GSRuntime::GSContext* context = nullptr;
    GSRuntime::GSGameObject* probe = nullptr;
    std::vector<GSRuntime::GSContext*> contexts;
    std::vector<uint32_t> results;
    int64_t blocksBefore = 0;
    int64_t leftBlocks = 0;
};

}  // namespace GSNativesTest

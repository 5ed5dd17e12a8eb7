#pragma once
// A script host for the native library's tests: the shipped libraries and
// the test's own sources compiled into "libraries", the script system set
// up, and one product script context. Scriptable objects of the tests
// stand for an asset through a VorlexBaseSpec of their own (no database).
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assetdb/specs/VorlexBaseSpec.h"
#include "gsnatives/InitializeScriptSystem.h"
#include "gsnatives/ScriptClasses.h"
#include "gsnatives/ScriptableObject.h"
#include "gsnatives/VorlexScriptContext.h"
#include "gsnatives/support/ShippedLibraries.h"
#include "gsruntime/GSCallScriptFunction.h"
#include "gsruntime/GSClass.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/GSScriptInstance.h"
#include "gsruntime/GSString.h"
#include "gsruntime/support/GSTestSupport.h"

namespace GSNativesTest {

// An asset's AssetSpec without a location, named by its KUID.
inline std::unique_ptr<VorlexBaseSpec> NewTestSpec(const KUID& kuid) {
    SoupHandle config;
    config.SetString(Vek::PString("kind"), "scenery");
    return std::make_unique<VorlexBaseSpec>(Vek::PString(), "", kuid, config, "asset");
}

// A scriptable object whose class the test chooses (or, with a source
// text, the compiled "CustomObject").
class TestScriptable : public GSNatives::ScriptableObject {
public:
    TestScriptable(GSNatives::VorlexScriptContext* context, AssetSpec* spec, GSRuntime::GSClass* cls = nullptr)
        : ScriptableObject(context), m_spec(spec), m_class(cls) {}

    SpecHandle GetSpec() const override { return SpecHandle(m_spec); }
    GSRuntime::GSClass* GetScriptClass() override {
        ++scriptClassCalls;
        if (m_class && GetStoredSourceText().Length() == 0) return m_class;
        return ScriptableObject::GetScriptClass();
    }
    void AfterInit() override { ++afterInitCalls; }

    void SetClass(GSRuntime::GSClass* cls) { m_class = cls; }
    void SetSpec(AssetSpec* spec) { m_spec = spec; }

    int scriptClassCalls = 0;
    int afterInitCalls = 0;

private:
    AssetSpec* m_spec;
    GSRuntime::GSClass* m_class;
};

class VorlexScriptHost {
public:
    // Compiles the shipped libraries and `sources` ({name, text}), sets the
    // script system up and makes the context.
    bool Start(std::initializer_list<std::pair<std::string, std::string>> sources = {}) {
        for (const auto& [name, text] : sources) libraries.AddSource(name, text);
        const std::string failures = libraries.CompileAll();
        EXPECT_EQ(failures, "");
        if (!failures.empty() || !GSNatives::InitializeScriptSystem()) return false;
        Vek::File::Subst(Vek::PString("scripts"), libraries.ScriptsFolder().c_str(), true);
        context = new GSNatives::VorlexScriptContext();
        return context->GetRouter() != nullptr;
    }
    // Every asset gets the one script object of the class Asset of its
    // context, made on first use and dropped with the context.
    static void InstallAssetObjects() {
        GSNatives::AssetObjectCache cache;
        cache.get = [](GSNatives::VorlexScriptContext* context, const KUID&) -> GSRuntime::GSObject* {
            GSRuntime::GSObject*& object = AssetObjects()[context];
            if (!object) {
                object = new GSRuntime::GSObject();
                object->BindClass(GSNatives::GetScriptClass(GSNatives::ScriptClass::Asset), context);
            }
            return object;
        };
        cache.purge = [](GSNatives::VorlexScriptContext* context) {
            auto it = AssetObjects().find(context);
            if (it == AssetObjects().end()) return;
            GSRuntime::GSObject* object = it->second;
            AssetObjects().erase(it);
            GSRuntime::GSScriptInstance::ReleaseReference(object->GetReference());
        };
        GSNatives::VorlexScriptContext::SetAssetObjectCache(cache);
    }
    static std::map<GSNatives::VorlexScriptContext*, GSRuntime::GSObject*>& AssetObjects() {
        static std::map<GSNatives::VorlexScriptContext*, GSRuntime::GSObject*> objects;
        return objects;
    }

    ~VorlexScriptHost() {
        delete context;
        GSNatives::VorlexScriptContext::SetAssetObjectCache({});
        Vek::File::Subst(Vek::PString("scripts"), nullptr, true);
    }

    GSRuntime::GSClass* Class(const char* library, const char* name) const {
        GSRuntime::GSLibrary* lib = GSRuntime::GSMachine::Instance()->GetLibraryByName(library);
        return lib ? lib->FindClass(name) : nullptr;
    }

    // Calls a method of an object's instance; false when the call fails.
    static bool Call(GSRuntime::GSObject* object, const char* signature, uint32_t* result = nullptr,
                     std::initializer_list<uint32_t> arguments = {}) {
        return GSRuntime::CallScriptFunction(object->GetContext(), object->GetClass(),
                                             GSRuntime::GSScriptInstance::FromReference(object->GetReference()),
                                             signature, result, arguments);
    }
    // Calls a method that returns a string; "<failed>" when the call fails.
    static std::string CallString(GSRuntime::GSObject* object, const char* signature) {
        uint32_t result = 0;
        if (!Call(object, signature, &result)) return "<failed>";
        const GSRuntime::GSString* text = GSRuntime::GSString::FromReference(result);
        std::string value = text ? text->c_str() : "<null>";
        GSRuntime::GSScriptInstance::ReleaseReference(result);
        return value;
    }

    ShippedLibraries libraries;
    GSTest::LogCapture log;
    GSNatives::VorlexScriptContext* context = nullptr;
};

}  // namespace GSNativesTest

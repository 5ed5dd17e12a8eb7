#pragma once
// A fixture for compiler tests: every library it compiles is checked in
// full before the test looks at it: the test-side reader's findings and the
// stack depth of every function (GSScriptBuild.h) must be clean, and the
// library, with the libraries of its includes, must load and link through
// the runtime's own loader, which verifies the code once more.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gscompiler/libsupport/GSScriptBuild.h"
#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/support/GSTestSupport.h"

namespace GSTest {

class CheckedBuildTest : public ::testing::Test {
protected:
    struct Source {
        std::string name;
        std::string text;
    };

    // Compiles `main` (as "test.gs" unless named) with the given include
    // files beside it; expects success and a clean, loadable library.
    std::unique_ptr<CompiledScript> Build(const std::string& main, const std::vector<Source>& includes = {},
                                          const std::string& name = "test.gs") {
        for (const Source& include : includes) folder.Write(include.name, include.text);
        folder.Write(name, main);
        auto compiled = folder.Compile(name);
        EXPECT_EQ(compiled->result, 0) << Join(compiled->messages);
        EXPECT_TRUE(compiled->written) << Join(compiled->messages);
        if (compiled->result != 0 || !compiled->written) return compiled;
        Expect(*compiled, name);
        std::vector<std::pair<std::string, const CompiledScript*>> libraries{{name, compiled.get()}};
        std::vector<std::unique_ptr<CompiledScript>> kept;
        for (const Source& include : includes) {
            kept.push_back(folder.Compile(include.name));
            EXPECT_EQ(kept.back()->result, 0) << include.name << ": " << Join(kept.back()->messages);
            Expect(*kept.back(), include.name);
            libraries.push_back({include.name, kept.back().get()});
        }
        ExpectLoads(libraries);
        return compiled;
    }

    // Compiles `main` expecting failure; returns its messages.
    std::vector<std::string> Fail(const std::string& main, const std::string& name = "test.gs") {
        folder.Write(name, main);
        auto compiled = folder.Compile(name);
        EXPECT_NE(compiled->result, 0);
        return compiled->messages;
    }

    static void Expect(const CompiledScript& compiled, const std::string& name) {
        EXPECT_EQ(compiled.Check(), std::vector<std::string>{}) << name;
    }

    // Registers the images with the script machine and loads each.
    static void ExpectLoads(const std::vector<std::pair<std::string, const CompiledScript*>>& libraries) {
        TempRoot root;
        LogCapture log;
        GSRuntime::GSMachine* machine = GSRuntime::GSMachine::Instance();
        std::vector<GSRuntime::GSLibraryId> ids;
        for (const auto& [name, compiled] : libraries) {
            const std::string file = name + "l";  // "x.gs" -> "x.gsl"
            root.Write(file, compiled->image);
            GSRuntime::GSLibraryId id;
            EXPECT_TRUE(machine->AddLibrary(root.Root(), "", file.c_str(), &id)) << file;
            ids.push_back(id);
        }
        for (std::size_t i = 0; i < ids.size(); ++i)
            EXPECT_NE(machine->GetLibrary(ids[i]), nullptr)
                << libraries[i].first << " does not load: " << Join(LogCapture::Lines());
    }

    static std::string Join(const std::vector<std::string>& lines) {
        std::string out;
        for (const std::string& line : lines) out += line + "\n";
        return out;
    }

    ScriptFolder folder;
};

}  // namespace GSTest

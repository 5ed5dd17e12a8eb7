#pragma once
// Compiles GameScript sources written into a temporary folder and keeps
// everything a test wants to look at: the result and the messages, the
// library image, the image as the test-side reader sees it, the generated
// records (for the results of calls, which the bytecode does not carry),
// and checks of the whole library: the reader's findings and the stack
// depth of every function's code along every path.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileContext.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/IncludePath.h"
#include "gscompiler/codegen/GSCClass.h"
#include "gscompiler/codegen/GSCFunction.h"
#include "gscompiler/libsupport/GSBytecodeListing.h"
#include "gscompiler/libsupport/GSLibraryImageReader.h"
#include "gscompiler/libsupport/GSStackDepthVerifier.h"
#include "support/TempDir.h"

namespace GSTest {

struct CompiledScript {
    int result = -1;
    std::vector<std::string> messages;
    bool written = false;  // the image could be built
    std::vector<uint8_t> image;
    LibraryImage library;
    // Per class in declaration order, per function in image order (the
    // class initialisation last): what each call leaves on the stack.
    std::vector<std::vector<std::map<uint32_t, int32_t>>> callResults;

    const ImageFunction* Function(const std::string& className, const std::string& signature) const {
        return library.Function(className, signature);
    }
    // The listing of a function's code.
    std::vector<std::string> Listing(const std::string& className, const std::string& signature) const {
        const ImageFunction* f = Function(className, signature);
        return f ? ListBytecode(f->code, &library) : std::vector<std::string>{"<no such function>"};
    }

    // The reader's findings and every stack-depth finding, each naming its
    // function.
    std::vector<std::string> Check() const {
        std::vector<std::string> findings = library.errors;
        for (std::size_t c = 0; c < library.classes.size(); ++c) {
            const ImageClass& cls = library.classes[c];
            for (std::size_t i = 0; i < cls.functions.size(); ++i) {
                const ImageFunction& f = cls.functions[i];
                const std::string name = library.String(cls.name) + " " + library.String(f.signature);
                // Frame words: L + 4, L + 1, 1 - a; the stack need is the
                // greatest depth + L + 4.
                const int64_t locals = int64_t(f.frameSize) - 4;
                if (locals < 0 || f.headerOffset != locals + 1 || f.argumentOffset != 1 - int64_t(f.argumentSlots) ||
                    f.slotsNeeded < f.frameSize)
                    findings.push_back(name + ": inconsistent frame words");
                // Temporaries and locals lie below the frame header.
                if (int64_t(f.localCount) + f.highestTemporary > locals)
                    findings.push_back(name + ": locals and temporaries exceed the local area");
                std::map<uint32_t, int32_t> calls;
                if (c < callResults.size() && i < callResults[c].size()) calls = callResults[c][i];
                for (const std::string& e :
                     VerifyStackDepth(f.code, static_cast<int32_t>(f.slotsNeeded - f.frameSize), calls))
                    findings.push_back(name + ": " + e);
            }
        }
        return findings;
    }
};

class ScriptFolder {
public:
    ScriptFolder() = default;
    ~ScriptFolder() { ClearIncludePaths(IncludePaths()); }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream out(m_dir / name, std::ios::binary | std::ios::trunc);
        out << text;
    }
    const std::string& Path() const { return m_dir.Path(); }
    std::string PathOf(const std::string& name) const { return m_dir / name; }

    // Compiles `name` from the folder (its includes found there too) and
    // builds its image when the compile succeeds.
    std::unique_ptr<CompiledScript> Compile(const std::string& name) const {
        ClearIncludePaths(IncludePaths());
        IncludePaths().AddTail(new IncludePath(Vek::File::Path(m_dir.Path()), Vek::PString()));
        auto out = std::make_unique<CompiledScript>();
        GSCompileContext context;
        GSCompileLog log;
        out->result = context.Compile(name.c_str(), &log);
        if (out->result == 0) {
            GSLibraryBuffer buffer;
            buffer.Init(1024);
            out->written = context.WriteLibrary(buffer, &log, name.c_str());
            if (out->written) {
                out->image.assign(buffer.Data(), buffer.Data() + buffer.Length());
                out->library = LibraryImageReader(out->image).Read();
            }
            for (auto* node = context.classes.Begin(); node != context.classes.End(); node = node->Next()) {
                auto* cls = static_cast<GSCompiler::GSCClass*>(node);
                out->callResults.emplace_back();
                auto add = [&](const GSCodeEmitter& emitter) {
                    std::map<uint32_t, int32_t> calls;
                    for (const auto& site : emitter.callSites) calls[site.offset] = site.results;
                    out->callResults.back().push_back(calls);
                };
                for (auto* f = cls->functions.Begin(); f != cls->functions.End(); f = f->Next())
                    add(static_cast<GSCompiler::GSCFunction*>(f)->emitter);
                add(cls->initEmitter);
            }
        }
        for (int i = 0; i < log.Count(); ++i) out->messages.push_back(log.At(i));
        return out;
    }

private:
    VorlexTest::TempDir m_dir;
};

}  // namespace GSTest

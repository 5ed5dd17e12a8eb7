#pragma once
// The shipped script libraries compiled into a temporary folder that is
// mapped as the file-system root "libraries", the way an installation has
// them: "gs.gs" of the runtime and every source of data/scripts, each into
// "<name>.gsl". Tests may leave some out or add sources of their own.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/containers/DoubleLinkList.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/IncludePath.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"

namespace GSNativesTest {

class ShippedLibraries {
public:
    ShippedLibraries() {
        namespace fs = std::filesystem;
        fs::create_directories(m_dir / "scripts");
        fs::create_directories(m_dir / "libraries");
        fs::copy_file(SourceTreePath("src/gsruntime/scripts/gs.gs"), m_dir / "scripts/gs.gs");
        for (const auto& entry : fs::directory_iterator(SourceTreePath("data/scripts")))
            if (entry.path().extension() == ".gs")
                fs::copy_file(entry.path(), fs::path(m_dir / "scripts") / entry.path().filename());
    }
    ~ShippedLibraries() { Vek::File::Subst(Vek::PString("libraries"), nullptr, true); }
    ShippedLibraries(const ShippedLibraries&) = delete;
    ShippedLibraries& operator=(const ShippedLibraries&) = delete;

    std::string ScriptsFolder() const { return m_dir / "scripts"; }
    std::string LibrariesFolder() const { return m_dir / "libraries"; }

    // Writes a source of the test's own next to the shipped ones.
    void AddSource(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / ("scripts/" + name)) << text;
    }

    // Compiles one source into the libraries folder; the compile messages
    // when it fails, else empty.
    std::string Compile(const std::string& name) const {
        Utils::DoubleLinkList includes;
        GSCompileLog log;
        const std::string source = m_dir / ("scripts/" + name);
        const std::string output = m_dir / ("libraries/" + name);
        if (CompileScriptToFolder(source.c_str(), output.c_str(), includes, &log) == 0) return std::string();
        std::string messages = name + ":";
        for (int32_t i = 0; i < log.Count(); ++i) messages += std::string("\n") + log.At(i);
        return messages;
    }

    // Compiles every source but those in `leaveOut`, maps the root and
    // returns the messages of the sources that failed.
    std::string CompileAll(const std::set<std::string>& leaveOut = {}) const {
        std::string failures;
        for (const std::string& name : Sources())
            if (!leaveOut.count(name)) failures += Compile(name);
        Vek::File::Subst(Vek::PString("libraries"), LibrariesFolder().c_str(), true);
        return failures;
    }

    std::vector<std::string> Sources() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(ScriptsFolder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    VorlexTest::TempDir m_dir;
};

}  // namespace GSNativesTest

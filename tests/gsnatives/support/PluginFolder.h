#pragma once
// An installation folder for plug-in tests: a temporary folder set as the
// installation folder, whose "bin/plugins" holds copies of the test
// plug-ins (tests/gsnatives/testplugins) under names the test chooses.
// The installation folder is cleared again at the end.
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "foundation/files/InstallFolders.h"
#include "support/TempDir.h"

namespace GSNativesTest {

class PluginFolder {
public:
    PluginFolder() {
        std::filesystem::create_directories(PluginsPath());
        SetInstallationFolders(m_dir.Path().c_str());
    }
    ~PluginFolder() { SetInstallationFolders(""); }
    PluginFolder(const PluginFolder&) = delete;
    PluginFolder& operator=(const PluginFolder&) = delete;

    std::string Root() const { return m_dir.Path(); }
    std::string PluginsPath() const { return m_dir / "bin/plugins"; }

    // Copies the built test plug-in `plugin` ("EchoPlugin", "NoEntryPlugin",
    // "RefusingPlugin", "WrongClassPlugin") to `relativePath` below the
    // installation folder; returns the copy's path.
    std::string Install(const std::string& plugin, const std::string& relativePath) const {
        const std::string target = m_dir / relativePath;
        std::filesystem::create_directories(std::filesystem::path(target).parent_path());
        std::filesystem::copy_file(std::string(VORLEX_TEST_PLUGIN_DIR) + "/" + plugin + ".so", target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }
    // As Install, into "bin/plugins/<name>.so".
    std::string InstallPlugin(const std::string& plugin, const std::string& name) const {
        return Install(plugin, "bin/plugins/" + name + ".so");
    }

    // Whether the shared object at `path` is loaded in this process.
    static bool IsLoaded(const std::string& path) {
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!module) return false;
        ::dlclose(module);
        return true;
    }

private:
    VorlexTest::TempDir m_dir;
};

}  // namespace GSNativesTest

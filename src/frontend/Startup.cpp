#include "frontend/Startup.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "assetdb/client/VADConnection.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "assetdb/layout/AssetFolders.h"
#include "assetdb/layout/InstallLayout.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/specs/SpecRegistry.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "engine/File.h"
#include "engine/Log.h"
#include "engine/OS.h"
#include "engine/PluginBase.h"
#include "engine/PluginType.h"
#include "engine/resources/PluginEntry.h"
#include "engine/RenderKernel.h"
#include "engine/ResourceSystem.h"
#include "engine/materials/MaterialManager.h"
#include "engine/resources/UnusedResources.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/network/NetworkStart.h"
#include "foundation/threads/EngineLock.h"
#include "gsnatives/GSOLibrarySpecFactory.h"
#include "meshes/materials/CreatePlugins.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/textures/CompressAsciiResource.h"

namespace {

// The longest start-up directory kept.
constexpr std::size_t kMaxStartupDirectory = 4096;
constexpr const char* kRetryMessage = "Unable to load render kernel. Retrying with -NullRender.\n";

std::string g_startupDirectory;

// Holds the engine's bitmap plug-in type for the whole run, so that the
// engine keeps it loaded.
class BitmapPluginHolder {
public:
    BitmapPluginHolder() {
        Vek::PluginType* type = Vek::PluginBase::LookupPluginType(Vek::ResourceSystem::kBitmapPluginTypeName,
                                                                  Vek::ResourceSystem::kBitmapPluginId);
        if (type) {
            Release();
            m_type = type;
        }
    }
    ~BitmapPluginHolder() { Release(); }
    BitmapPluginHolder(const BitmapPluginHolder&) = delete;
    BitmapPluginHolder& operator=(const BitmapPluginHolder&) = delete;

    void Release() {
        if (m_type) m_type->ReleaseReference();
        m_type = nullptr;
    }

private:
    Vek::PluginType* m_type = nullptr;
};

BitmapPluginHolder* g_bitmapPlugins = nullptr;
VADUrlRequestService* g_urlRequestService = nullptr;
bool g_networkStarted = false;

// The engine lock's long waits drop unused resources and textures.
void PurgeResourceCache() {
    Vek::DumpUnusedResources(Vek::ResourceSystem::GetCurrent(), Vek::RenderKernel::GetCurrent());
}

// The product's vertex type and material caches, registered before the
// first material of the start-up kernel is made: only words that load
// meshes or materials need them, and registering them cost every start
// more than the rest of start-up.
void RegisterProductRendering(Vek::RenderKernel* kernel) {
    if (kernel && kernel == TETLib::DataManager::ToolsRenderKernel()) TETLib::DataManager::RegisterVorlexBumpVertexType();
}

// Runs `init`; after a failure says so, adds "-NullRender" to the OS
// object's options and runs it once more.
template <typename Init>
bool InitWithNullRenderRetry(Vek::OS& os, Init init) {
    if (init()) return true;
    std::fputs(kRetryMessage, stderr);
    os.GetOptions().ProcessRaw("-NullRender");
    return init();
}

}  // namespace

const std::string& GetStartupDirectory() { return g_startupDirectory; }

InitSwitches ReadInitSwitches(int argc, char** argv) {
    InitSwitches switches;
    for (int i = 0; i < argc; ++i) {
        const char* argument = argv[i];
        if (!argument) continue;
        if (strcasecmp(argument, "norender") == 0) switches.noRender = true;
        if (strcasecmp(argument, "-veklog") == 0) switches.vekLog = true;
        if (strcasecmp(argument, "-novadclient") == 0) switches.noVadClient = true;
    }
    return switches;
}

std::string BuildEngineOptions(const InitSwitches& switches) {
    std::string options = switches.noRender ? "-NullRender " : "-render=OpenGL -hidewindow ";
    options += switches.vekLog ? "-LogStdOut " : "-LogFile=/dev/null ";
    return options;
}

Vek::PString InterfaceLanguageFor(const Vek::PString& setting) {
    return setting.IsEmpty() ? Vek::PString("US") : setting;
}

bool InitializeUtility(StartupContext& context, int argc, char** argv) {
    TETLib::ErrorHandler::CreateInstance();
    Vek::File::Path modulePath;
    if (!GetModulePath(modulePath)) return true;
    return InitializeUtilityForProgram(context, argc, argv, modulePath.c_str());
}

bool InitializeUtilityForProgram(StartupContext& context, int argc, char** argv, const char* programFile) {
    TETLib::ErrorHandler::CreateInstance();
    // The daemon link's reader, made now so that it has had its first turn
    // by the time the link's first reply comes.
    VADStartReaderEarly();

    // The program folder, and the start-up directory before leaving it.
    Vek::File::Path programFolder(programFile);
    programFolder.Normalise();
    programFolder.DelName();
    std::vector<char> cwd(kMaxStartupDirectory + 1);
    g_startupDirectory = ::getcwd(cwd.data(), cwd.size()) ? cwd.data() : "";
    const std::string osFolder = Vek::File::ResolveOsPath(programFolder.c_str());
    if (osFolder.empty() || ::chdir(osFolder.c_str()) != 0) return true;

    Vek::File::Path dataFolder(programFolder);
    dataFolder.RemoveTrailingSeparator();
    dataFolder.Add("/ZIROzod/");
    dataFolder.ReplaceForwardSlashes();
    if (!TETLib::DataManager::Create(dataFolder.c_str())) {
        std::fputs("- TETLib initialisation failed.\n", stderr);
        return true;
    }

    const InitSwitches switches = ReadInitSwitches(argc, argv);
    const std::string options = BuildEngineOptions(switches);

    auto* os = new Vek::OS("VorlexUtil", options.c_str(), nullptr, nullptr);
    context.os = os;
    context.resourceSystem = new Vek::ResourceSystem();
    Vek::ResourceSystem::SetCurrent(context.resourceSystem);
    context.renderKernel = new Vek::RenderKernel(nullptr, 8.0f);
    Vek::RenderKernel::SetCurrent(context.renderKernel);
    EngineLock::SetCachePurgeHook(PurgeResourceCache);

    if (!InitWithNullRenderRetry(*os, [os] { return os->Init(); })) {
        std::fputs("- Vek OS initialisation failed.\n", stderr);
        return true;
    }
    const std::string engineOptions = os->GetOptions().GetText();
    Vek::Log::Init(engineOptions.c_str());
    context.resourceSystem->Init(engineOptions.c_str());

    Vek::RenderKernel* kernel = context.renderKernel;
    if (!InitWithNullRenderRetry(*os, [os, kernel] { return kernel->Init(os); })) {
        std::fputs("- Unable to initialize render system\n\n", stderr);
        return true;
    }
    // The engine takes the product's material plug-ins and resource types
    // through its plug-in entry.
    Vek::SetConvertTextureResourceTypeMaker(&TETLib::MakeCompressAsciiResourceType);
    if (!Vek::PluginEntry::Get()) Vek::PluginEntry::Set(&VekGetPlugins);
    Vek::PluginEntry::Call();

    TETLib::DataManager::Instance()->Init(context);
    Vek::MaterialManager::SetFirstMaterialHook(&RegisterProductRendering);

    InitializeNetwork();
    g_networkStarted = true;

    // The installation: two levels up from the data folder.
    Vek::File::Path installation(dataFolder);
    installation.RemoveTrailingSeparator();
    installation.DelName();
    installation.DelName();
    SetInstallationPath(installation.c_str());
    InitializeAssetFolders();

    InstallSpecRegistryHooks();
    GSNatives::RegisterLibrarySpecFactory();
    VADOpenDatabaseArgs args;
    args.reconnect = 0;
    args.clientKind = switches.noVadClient ? 0 : 1;
    // A daemon that accepted the link but never answered its hello is named
    // as the reason, before the init failure.
    if (!VADOpenDatabase(args) && VADDaemonIsSilent())
        std::fprintf(stderr, "- %s\n", VADSilentDaemonCause().c_str());
    RecordMainThread();

    const Vek::PString language = InterfaceLanguageFor(VADGetSettingValue("internet", "language"));
    InterfaceTextDB::SelectLanguage(language.c_str());
    InterfaceTextDB::Invalidate();

    delete g_bitmapPlugins;
    g_bitmapPlugins = new BitmapPluginHolder();
    if (!g_urlRequestService) g_urlRequestService = new VADUrlRequestService();

    return !VADIsDatabaseOpen();
}

bool ShutdownUtility(StartupContext& context) {
    CallDispatcher::Instance().StopWorkers();

    if (g_bitmapPlugins) {
        g_bitmapPlugins->Release();
        delete g_bitmapPlugins;
        g_bitmapPlugins = nullptr;
    }

    VADCloseDatabase();
    // The daemon notices still queued for the main thread.
    CallDispatcher::Instance().CancelCalls(0, false);
    delete g_urlRequestService;
    g_urlRequestService = nullptr;

    Vek::MaterialManager::SetFirstMaterialHook(nullptr);
    TETLib::DataManager::UnregisterVorlexBumpVertexType();
    TETLib::DataManager::Destroy();
    TETLib::ErrorHandler::DestroyInstance();

    ReleaseAssetFolderDatabases();
    if (g_networkStarted) {
        ShutdownNetwork();
        g_networkStarted = false;
    }
    PurgeResourceDatabaseCache();

    EngineLock::SetCachePurgeHook(nullptr);
    if (Vek::RenderKernel* kernel = Vek::RenderKernel::GetCurrent()) {
        Vek::RenderKernel::SetCurrent(nullptr);
        delete kernel;
    }
    context.renderKernel = nullptr;
    if (Vek::ResourceSystem* system = Vek::ResourceSystem::GetCurrent()) {
        Vek::ResourceSystem::SetCurrent(nullptr);
        delete system;
    }
    context.resourceSystem = nullptr;
    Vek::PluginEntry::ReleaseAll();
    delete context.os;
    context.os = nullptr;
    return false;
}
